// The header line, sweep line and terminal line of an SC file.
#include "sc/sc_header.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "text/complex_conversion.h"

namespace korvel {

namespace {

// When `token` begins with `keyword`, stores the text after it in `*value`.
bool takeKeyword(std::string_view token, std::string_view keyword, std::string_view* value) {
  if (!startsWith(token, keyword)) return false;
  *value = token.substr(keyword.size());
  return true;
}

// The complex format a COMPLEX_DATAFORMAT= value names by its first letter:
// DB, MA and RI as in any file, and besides C (real and imaginary parts)
// and P (magnitude and radians); `current` when the letter names none.
int complexFormatFor(std::string_view value, int current) {
  char letter = value.empty() ? '\0' : value[0];
  int format = complexFormatForLetter(letter);
  if (format >= 0) return format;
  switch (letter) {
    case 'C':
    case 'c':
      return kFormatRealImaginary;
    case 'P':
    case 'p':
      return kFormatMagnitudeRadians;
    default:
      return current;
  }
}

// Applies the first header keyword that `token` begins with; other tokens
// are ignored. A keyword given twice takes its last value.
void applyHeaderKeyword(std::string_view token, DataSet* data) {
  std::string_view value;
  if (takeKeyword(token, "N=", &value) || takeKeyword(token, "NPort=", &value)) {
    data->portCount = parseInt(value);
  } else if (takeKeyword(token, "DATA=", &value)) {
    data->pointCount = parseInt(value);
  } else if (takeKeyword(token, "NOISE=", &value)) {
    data->hasNoise = parseInt(value);
  } else if (takeKeyword(token, "GROUPDELAY=", &value)) {
    data->hasGroupDelay = parseInt(value);
  } else if (takeKeyword(token, "COMPLEX_DATAFORMAT=", &value)) {
    data->complexFormat = complexFormatFor(value, data->complexFormat);
  }
}

bool isModeLetter(char c) { return c == 'D' || c == 'd' || c == 'C' || c == 'c' || c == 'S' || c == 's'; }

// Heap copies of `names` in a new array of `names.size()` entries; null when
// memory runs out (the copies made so far are released).
char** copyNames(const std::vector<std::string_view>& names) {
  auto** copies = static_cast<char**>(allocateZeroed(names.size(), sizeof(char*)));
  if (copies == nullptr) return nullptr;
  for (size_t i = 0; i < names.size(); ++i) {
    copies[i] = copyString(names[i]);
    if (copies[i] == nullptr) {
      for (size_t j = 0; j < i; ++j) std::free(copies[j]);
      std::free(copies);
      return nullptr;
    }
  }
  return copies;
}

// Calls `take` with each token of the header line, as far as its end.
template <typename Take>
void forEachHeaderToken(std::string_view line, Take take) {
  TokenCursor cursor(line);
  for (std::string_view token = cursor.next(kBlankDelimiters); !token.empty() && token != "\n";
       token = cursor.next(kBlankDelimiters)) {
    take(token);
  }
}

}  // namespace

bool isHeaderLine(std::string_view line) {
  return startsWith(line, kMarkedLine) && (contains(line, "N=") || contains(line, "NPort="));
}

std::string_view writtenComplexFormat(std::string_view headerLine) {
  std::string_view written;
  forEachHeaderToken(headerLine, [&](std::string_view token) {
    std::string_view value;
    // The last token of the line keeps its line end.
    if (takeKeyword(token, "COMPLEX_DATAFORMAT=", &value))
      written = value.substr(0, value.find_first_of("\r\n"));
  });
  return written;
}

int readHeaderLine(ScLines& lines, DataSet* data) {
  std::string_view line;
  bool found = false;
  while (!found && lines.next(&line)) found = isHeaderLine(line);
  if (!found) {
    return fail(Message::kPortNumberMissing);
  }
  data->complexFormat = kFormatRealImaginary;
  forEachHeaderToken(line, [&](std::string_view token) { applyHeaderKeyword(token, data); });
  // A negative count is as meaningless as none, and would size arrays.
  if (data->portCount <= 0 || data->pointCount <= 0) {
    return fail(Message::kCountsNotPositive);
  }
  return kOk;
}

int readSweepLine(ScLines& lines, DataSet* data) {
  std::string_view line;
  if (!lines.find(kMarkedLine, {"NumOfBlock="}, &line)) {
    return fail(Message::kSweepingMissing);
  }
  // Names are gathered as views first, so that a parameter count far beyond
  // what the line can name never sizes an array.
  std::vector<std::string_view> names;
  TokenCursor cursor(line);
  for (std::string_view token = cursor.next(kBlankLineEndDelimiters); !token.empty();
       token = cursor.next(kBlankLineEndDelimiters)) {
    std::string_view value;
    if (takeKeyword(token, "NumOfBlock=", &value)) {
      data->blockCount = parseInt(value);
    } else if (takeKeyword(token, "NumOfParam=", &value)) {
      int count = parseInt(value);
      data->sweepCount = count > 0 ? count : 0;
      if (count < 1) break;
    } else if (takeKeyword(token, "ParamNames=", &value)) {
      // Before NumOfParam= there is no place for a name: it is ignored.
      if (static_cast<int>(names.size()) < data->sweepCount) names.push_back(value);
    } else if (!names.empty() && static_cast<int>(names.size()) < data->sweepCount) {
      names.push_back(token);
    }
  }
  if (data->blockCount < 0) {
    return fail(Message::kBlockCountNegative);
  }
  if (static_cast<int>(names.size()) < data->sweepCount) {
    return fail(Message::kSweepNamesIncomplete);
  }
  if (data->sweepCount > 0) {
    // A later, smaller NumOfParam= leaves names that have no place.
    names.resize(static_cast<size_t>(data->sweepCount));  // positive, tested above
    data->sweepNames = copyNames(names);
    if (data->sweepNames == nullptr) return fail(Message::kOutOfMemory);
  }
  return kOk;
}

std::vector<std::string_view> splitTerminalNames(std::string_view value) {
  size_t count = 0;
  for (char c : value) {
    if (isModeLetter(c)) ++count;
  }
  std::vector<std::string_view> names;
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t end = start + 1;
    while (end < value.size() && !isModeLetter(value[end])) ++end;
    names.push_back(value.substr(start, end - start));
    start = end;
  }
  return names;
}

namespace {

// The keywords of the terminal line. Reading stops at a MIXEDMODE= other
// than 1; a DATATYPE= given twice takes its last value.
std::vector<std::string_view> readMixedModeKeywords(std::string_view line, DataSet* data) {
  std::vector<std::string_view> names;
  TokenCursor cursor(line);
  for (std::string_view token = cursor.next(kWhitespaceDelimiters); !token.empty();
       token = cursor.next(kWhitespaceDelimiters)) {
    std::string_view value;
    if (takeKeyword(token, "MIXEDMODE=", &value)) {
      data->mixedMode = parseInt(value);
      if (data->mixedMode != 1) break;
    } else if (takeKeyword(token, "DATATYPE=", &value)) {
      names = splitTerminalNames(value);
    }
  }
  return names;
}

// A name that mixed-mode waveform names and impedances can be made of: a
// letter and a port number.
bool isMixedModeName(std::string_view name) {
  if (name.size() < 2 || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name.substr(1)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Two names that stand for one terminal ("D1" and "d1" make the same
// waveform names): which of the two rows plays the port, and which of the
// equal names a waveform means, the file does not say.
std::string_view repeatedTerminalName(const std::vector<std::string_view>& names) {
  auto same = [](std::string_view a, std::string_view b) {
    return a.size() == b.size() && !a.empty() &&
           std::tolower(static_cast<unsigned char>(a[0])) == std::tolower(static_cast<unsigned char>(b[0])) &&
           a.substr(1) == b.substr(1);
  };
  for (size_t i = 0; i < names.size(); ++i) {
    for (size_t j = i + 1; j < names.size(); ++j) {
      if (same(names[i], names[j])) return names[j];
    }
  }
  return {};
}

// The DATATYPE= value sets the terminals whatever the mode: a terminal
// line that names terminals before a MIXEDMODE= other than 1 (or without
// any MIXEDMODE= token) gives that many terminals with plain names.
int storeTerminalNames(const std::vector<std::string_view>& names, DataSet* data) {
  // Mixed-mode names and impedances are made from terminal names; without
  // any, the file is read as an ordinary one.
  if (names.empty()) {
    if (data->mixedMode == 1) data->mixedMode = 0;
    return kOk;
  }
  if (std::string_view repeated = repeatedTerminalName(names); !repeated.empty()) {
    return fail(Message::kTerminalNameRepeated, quotedToken(repeated, QuoteMarks::kNone).c_str());
  }
  // Names of any other form would give broken or clashing waveform names
  // ("S-Par/Sdd(,)"); such terminals keep plain indices.
  for (std::string_view name : names) {
    if (data->mixedMode == 1 && !isMixedModeName(name)) data->mixedMode = 0;
  }
  data->terminalNames = copyNames(names);
  if (data->terminalNames == nullptr) return fail(Message::kOutOfMemory);
  data->terminalNameSlots = static_cast<int>(names.size());
  data->terminalCount = static_cast<int>(names.size());
  return kOk;
}

}  // namespace

int readTerminalLine(ScReading& reading) {
  DataSet* data = reading.data;
  data->terminalCount = data->portCount;
  std::string_view line;
  while (reading.lines.next(&line)) {
    if (startsWith(line, kDataLine) && contains(line, "Zo=")) {
      reading.heldZoLine.assign(line);
      reading.zoLineHeld = true;
      return kOk;
    }
    if (startsWith(line, kMarkedLine) && contains(line, "MIXEDMODE=")) {
      return storeTerminalNames(readMixedModeKeywords(line, data), data);
    }
  }
  return fail(Message::kMixedModeMissing);
}

int assignPortRoles(DataSet* data) {
  if (data->portCount != 2) return kOk;
  if (data->terminalNames != nullptr) {
    for (int i = 0; i < data->terminalCount; ++i) {
      std::string_view name(data->terminalNames[i]);
      if (name == "S1" || name == "D1") data->port1Index = i;
      if (name == "S2" || name == "D2") data->port2Index = i;
    }
  }
  // The two-port formulas read both terminals' samples.
  if (data->port1Index >= data->terminalCount || data->port2Index >= data->terminalCount) {
    return fail(Message::kTwoPortTerminals);
  }
  return kOk;
}

}  // namespace korvel
