// Mixed-mode port names carried in comment lines.
#include "touchstone/mixed_mode_comments.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <utility>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

// A terminal name: the mode letter, up to three digits of port number, NUL.
constexpr size_t kNameBytes = 5;
constexpr size_t kMaxPortDigits = 3;
constexpr int kMaxTerminalNumber = 1000;
constexpr int kMaxPortNumber = 999;

char characterAt(std::string_view text, size_t index) { return index < text.size() ? text[index] : '\0'; }

bool beginsWithS(std::string_view token) { return !token.empty() && (token[0] == 'S' || token[0] == 's'); }

bool isFirstElementName(std::string_view token) {
  return token == "S11" || token == "s11" || token == "S(1,1)" || token == "s(1,1)";
}

bool isFirstElementAssignment(std::string_view token) {
  return token == "S11=" || token == "s11=" || token == "S(1,1)=" || token == "s(1,1)=";
}

// The line that opens a block assigns a mixed-mode name to S11, with the
// "=" standing apart from S11 or right after it: "! S11 = SDD11" or
// "! S11= SDD11", never "! S11=SDD11".
bool isMappingTrigger(std::string_view line) {
  TokenCursor cursor(line.substr(1));
  std::string_view first = cursor.next(kWhitespaceDelimiters);
  std::string_view value;
  if (isFirstElementName(first)) {
    if (!startsWith(cursor.next(kWhitespaceDelimiters), "=")) return false;
    value = cursor.next(kWhitespaceDelimiters);
  } else if (isFirstElementAssignment(first)) {
    value = cursor.next(kWhitespaceDelimiters);
  } else {
    return false;
  }
  return beginsWithS(value);
}

struct MappingTokens {
  std::string_view element;  // the single-ended element, "S33" or "S(3,3)"
  std::string_view name;     // its mixed-mode name, "SCC11" or "SCC(1,1)"
};

bool splitMapping(std::string_view line, MappingTokens* tokens) {
  TokenCursor cursor(line);
  tokens->element = cursor.next(kMappingDelimiters);
  tokens->name = cursor.next(kMappingDelimiters);
  return !tokens->name.empty();
}

// The terminal number of "S33" (one digit: "S12" gives 1) or "S(12,12)".
int terminalNumber(std::string_view element) {
  if (beginsWithS(element)) element.remove_prefix(1);
  if (characterAt(element, 0) == '(') return parseInt(element.substr(1));
  return characterAt(element, 0) - '0';
}

// Names one terminal from a mapping line: the mode letter is the second
// character of the name token, the port number its fourth character or
// the text from "(" to the next ",". A terminal number outside the file's
// terminals is refused, as is a port number of more than three characters
// (the name then keeps only its letter).
int applyMapping(const MappingTokens& tokens, DataSet* data) {
  int number = terminalNumber(tokens.element);
  if (number < 1 || number > kMaxTerminalNumber || number > data->terminalCount)
    return fail(Message::kMappingTerminalNumber);
  char* name = data->terminalNames[number - 1];
  std::memset(name, 0, kNameBytes);
  name[0] = characterAt(tokens.name, 1);
  if (characterAt(tokens.name, 3) != '(') {
    name[1] = characterAt(tokens.name, 3);
    return kOk;
  }
  std::string_view port = tokens.name.substr(4);
  port = port.substr(0, port.find(','));
  if (port.size() > kMaxPortDigits) return fail(Message::kMappingTerminalNumber);
  port.copy(name + 1, port.size());
  return kOk;
}

void releaseNameTable(DataSet* data) {
  if (data->terminalNames == nullptr) return;
  for (int i = 0; i < data->terminalNameSlots; ++i) std::free(data->terminalNames[i]);
  std::free(data->terminalNames);
  data->terminalNames = nullptr;
  data->terminalNameSlots = 0;
}

// A fresh table of terminalCount empty names; a later block replaces the
// table of a rejected earlier one. Throws std::bad_alloc when memory runs
// out (what was made stays owned by the record): the file is refused, never
// read with plain names instead.
void allocateNameTable(DataSet* data) {
  releaseNameTable(data);
  size_t terminals = static_cast<size_t>(data->terminalCount);
  data->terminalNames = static_cast<char**>(allocateZeroed(terminals, sizeof(char*)));
  if (data->terminalNames == nullptr) throw std::bad_alloc();
  data->terminalNameSlots = data->terminalCount;
  for (size_t i = 0; i < terminals; ++i) {
    data->terminalNames[i] = static_cast<char*>(allocateZeroed(kNameBytes, 1));
    if (data->terminalNames[i] == nullptr) throw std::bad_alloc();
  }
}

// The port number of a well-formed name (a letter and one to three
// digits), or -1 for an empty or malformed name: such a terminal counts as
// unnamed, so no waveform name is ever built from it.
int portNumberOf(const char* name) {
  if (!std::isalpha(static_cast<unsigned char>(name[0]))) return -1;
  size_t digits = std::strlen(name + 1);
  if (digits == 0 || digits > kMaxPortDigits) return -1;
  int number = 0;
  for (size_t i = 1; i <= digits; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

void assignTwoPortTerminals(DataSet* data) {
  for (int k = 0; k < data->terminalCount; ++k) {
    const char* name = data->terminalNames[k];
    if (std::strcmp(name, "S1") == 0 || std::strcmp(name, "D1") == 0) data->port1Index = k;
    if (std::strcmp(name, "S2") == 0 || std::strcmp(name, "D2") == 0) data->port2Index = k;
  }
}

// Mixed mode stays on only when every terminal has a port number from 1 to
// terminalCount; portCount becomes the highest of them.
void checkCompleteness(DataSet* data) {
  int highest = 0;
  for (int k = 0; k < data->terminalCount; ++k) {
    int port = portNumberOf(data->terminalNames[k]);
    if (port < 1 || port > kMaxPortNumber || port > data->terminalCount) {
      report(Message::kMappingIncomplete);
      data->portCount = data->terminalCount;
      data->mixedMode = 0;
      return;
    }
    if (port > highest) highest = port;
  }
  data->portCount = highest;
  if (data->portCount == 2) assignTwoPortTerminals(data);
}

// A later line of an open block: a comment with "=" whose two tokens both
// begin with S.
void readLaterMappingLine(std::string_view line, DataSet* data) {
  if (!contains(line, "=")) return;
  MappingTokens tokens;
  if (!splitMapping(line, &tokens)) return;
  if (!beginsWithS(tokens.element) || !beginsWithS(tokens.name)) return;
  applyMapping(tokens, data);
}

// Reads a mapping block from its first line (in `*line`) to the first line
// that is neither comment nor blank, which is left in `*line`.
CommentScan readMappingBlock(LineSource* source, DataSet* data, std::string_view* line) {
  CommentScan scan;
  scan.haveLine = true;
  MappingTokens tokens;
  allocateNameTable(data);
  if (!splitMapping(*line, &tokens) || applyMapping(tokens, data) != kOk) {
    // The block is abandoned at once and the file read with plain indices.
    data->mixedMode = 0;
    scan.mappingAbandoned = true;
    return scan;
  }
  data->mixedMode = 1;
  while ((scan.haveLine = source->next(line))) {
    if (isCommentLine(*line)) {
      readLaterMappingLine(*line, data);
    } else if (!isBlankLine(*line)) {
      break;
    }
  }
  checkCompleteness(data);
  return scan;
}

// The mixed-mode port of each descriptor: each distinct pair or single
// port, numbered from 1 in order of first appearance.
std::vector<int> mixedModePorts(const std::vector<KeywordHeader::ModeDescriptor>& order) {
  std::map<std::pair<int, int>, int> numbers;
  std::vector<int> ports;
  for (const KeywordHeader::ModeDescriptor& d : order) {
    std::pair<int, int> group{d.first, d.mode == 'S' ? 0 : d.second};
    auto found = numbers.try_emplace(group, static_cast<int>(numbers.size()) + 1).first;
    ports.push_back(found->second);
  }
  return ports;
}

}  // namespace

int applyMixedModeOrder(const std::vector<KeywordHeader::ModeDescriptor>& order,
                        const std::vector<double>& portResistances, int line, DataSet* data,
                        std::vector<double>* resistances) {
  std::vector<int> ports = mixedModePorts(order);
  int highest = 0;
  for (int port : ports) highest = port > highest ? port : highest;
  if (highest > kMaxPortNumber) {
    return failAt(Message::kMixedModePortsTooMany, line);
  }
  resistances->assign(order.size(), 0.0);
  for (size_t k = 0; k < order.size(); ++k) {
    const KeywordHeader::ModeDescriptor& d = order[k];
    double first = portResistances[static_cast<size_t>(d.first - 1)];
    if (d.mode != 'S' && portResistances[static_cast<size_t>(d.second - 1)] != first) {
      return failAt(Message::kMixedPairResistances, line,
                    std::to_string(d.first) + " and " + std::to_string(d.second));
    }
    (*resistances)[k] = first;
  }
  allocateNameTable(data);
  for (size_t k = 0; k < order.size(); ++k) {
    std::snprintf(data->terminalNames[k], kNameBytes, "%c%d", order[k].mode, ports[k]);
  }
  data->mixedMode = 1;
  data->portCount = highest;
  if (data->portCount == 2) assignTwoPortTerminals(data);
  return kOk;
}

CommentScan readMixedModeComments(LineSource* source, DataSet* data, std::string_view* line) {
  CommentScan scan;
  while (source->next(line)) {
    if (isCommentLine(*line)) {
      if (isMappingTrigger(*line)) return readMappingBlock(source, data, line);
      continue;
    }
    if (isOptionLine(*line) || !isBlankLine(*line)) {
      scan.haveLine = true;
      return scan;
    }
  }
  return scan;
}

}  // namespace korvel
