// The keyword section of a Touchstone 2.x file.
#include "touchstone/keyword_header.h"

#include <cctype>
#include <set>
#include <utility>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

// The largest port count a file may declare: the most a file name's
// extension can give, and few enough that every matrix index fits an int.
constexpr int64_t kMaxPorts = 9999;

const char kNumberOfPorts[] = "number of ports";
const char kTwoPortDataOrder[] = "two-port data order";
const char kNumberOfFrequencies[] = "number of frequencies";
const char kNumberOfNoiseFrequencies[] = "number of noise frequencies";
const char kReference[] = "reference";
const char kMatrixFormat[] = "matrix format";
const char kMixedModeOrder[] = "mixed-mode order";
const char kBeginInformation[] = "begin information";
const char kEndInformation[] = "end information";
const char kNetworkData[] = "network data";

// The keywords of a 2.x file in their written form, for messages.
struct KnownKeyword {
  const char* name;
  const char* written;
};
constexpr KnownKeyword kKeywords[] = {
    {"version", "[Version]"},
    {kNumberOfPorts, "[Number of Ports]"},
    {kTwoPortDataOrder, "[Two-Port Data Order]"},
    {kNumberOfFrequencies, "[Number of Frequencies]"},
    {kNumberOfNoiseFrequencies, "[Number of Noise Frequencies]"},
    {kReference, "[Reference]"},
    {kMatrixFormat, "[Matrix Format]"},
    {kMixedModeOrder, "[Mixed-Mode Order]"},
    {kBeginInformation, "[Begin Information]"},
    {kEndInformation, "[End Information]"},
    {kNetworkData, "[Network Data]"},
    {"noise data", "[Noise Data]"},
    {"end", "[End]"},
};

const char* writtenForm(const std::string& name) {
  for (const KnownKeyword& keyword : kKeywords) {
    if (name == keyword.name) return keyword.written;
  }
  return nullptr;
}

bool isKnownKeyword(const std::string& name) { return writtenForm(name) != nullptr; }

// The keyword of a keyword line as the file wrote it, in brackets, quoted
// for a message.
std::string asWritten(std::string_view line) {
  size_t open = line.find('[');
  return quotedToken(line.substr(open + 1, line.find(']', open) - open - 1), QuoteMarks::kBrackets);
}

// "1 for 2 ports": what a list gives against what it needs.
std::string countFor(size_t given, size_t ports) {
  return std::to_string(given) + " for " + std::to_string(ports) + " ports";
}

char lowerCase(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A whole token of decimal digits as a count; false for anything else or a
// count beyond the range of int64_t.
bool parseCount(std::string_view token, int64_t* count) {
  if (token.empty() || token.size() > 18) return false;
  int64_t value = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *count = value;
  return true;
}

// "D1,2", "C1,2" or "S3", any case.
bool parseDescriptor(std::string_view token, KeywordHeader::ModeDescriptor* descriptor) {
  if (token.size() < 2) return false;
  char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
  token.remove_prefix(1);
  size_t comma = token.find(',');
  int64_t first = 0;
  int64_t second = 0;
  if (mode == 'S') {
    if (!parseCount(token, &first)) return false;
  } else if (mode == 'D' || mode == 'C') {
    if (comma == std::string_view::npos || !parseCount(token.substr(0, comma), &first) ||
        !parseCount(token.substr(comma + 1), &second)) {
      return false;
    }
  } else {
    return false;
  }
  if (first > kMaxPorts || second > kMaxPorts) return false;
  *descriptor = {mode, static_cast<int>(first), static_cast<int>(second)};
  return true;
}

class KeywordReader {
 public:
  KeywordReader(LineSource* source, bool collecting, KeywordHeader* header)
      : source_(source), header_(header), status_(collecting) {}

  int read(std::string_view versionLine) {
    readVersion(versionLine);
    if (!stopped() && readOptionLineAfterVersion() && !stopped() && readPortCount() && !stopped()) {
      readKeywords();
    }
    return status_.result();
  }

 private:
  bool stopped() const { return status_.stopped(); }

  // The next line that holds a field, a line put back first.
  bool nextLine(std::string_view* line) {
    if (heldValid_) {
      heldValid_ = false;
      lineNumber_ = heldNumber_;
      *line = held_;
      return true;
    }
    while (source_->next(line)) {
      lineNumber_ = source_->lineNumber();
      if (!isBlankLine(*line)) return true;
    }
    return false;
  }

  void putBack(std::string_view line) {
    held_.assign(line);
    heldNumber_ = lineNumber_;
    heldValid_ = true;
  }

  void readVersion(std::string_view versionLine) {
    std::string_view version = keywordVersion(versionLine);
    if (version != "2.0" && version != "2.1") {
      status_.refuse(Message::kVersionUnknown, source_->lineNumber(), quotedToken(version));
    }
  }

  bool readOptionLineAfterVersion() {
    std::string_view line;
    if (!nextLine(&line)) {
      status_.refuse(Message::kOptionLineNotAfterVersion, source_->lineNumber());
      return false;
    }
    if (!isOptionLine(line)) {
      status_.refuse(Message::kOptionLineNotAfterVersion, lineNumber_);
      if (isKeywordLine(line)) putBack(line);
      return true;
    }
    status_.take(readOptionLine(line, lineNumber_, status_.collecting(), &header_->option));
    return true;
  }

  bool readPortCount() {
    std::string_view line;
    std::string_view rest;
    if (!nextLine(&line) || keywordName(line, &rest) != kNumberOfPorts) {
      status_.refuse(Message::kPortsNotAfterOptionLine, lineNumber_);
      return false;
    }
    int64_t ports = 0;
    if (!keywordCount(rest, &ports) || ports < 1 || ports > kMaxPorts) {
      status_.refuse(Message::kPortCountInvalid, lineNumber_);
      return false;
    }
    header_->ports = static_cast<int>(ports);
    header_->portsLine = lineNumber_;
    return true;
  }

  static std::string singleWord(std::string_view rest) {
    TokenCursor cursor(withoutComment(rest));
    std::string word(cursor.next(kWhitespaceDelimiters));
    if (!cursor.atEnd(kWhitespaceDelimiters)) return {};
    for (char& c : word) c = lowerCase(c);
    return word;
  }

  void readKeywords() {
    std::string_view line;
    while (!stopped() && nextLine(&line)) {
      std::string_view rest;
      std::string name = keywordName(line, &rest);
      if (name.empty()) {
        if (isOptionLine(line)) {
          readRepeatedOptionLine(line);
        } else {
          status_.refuse(Message::kValueWhereKeywordDue, lineNumber_);
        }
        continue;
      }
      if (name == kNetworkData) {
        header_->networkDataFound = true;
        checkComplete();
        return;
      }
      if (!seen_.insert(name).second && isKnownKeyword(name)) {
        status_.refuse(Message::kKeywordTwice, lineNumber_, writtenForm(name));
        continue;
      }
      readKeyword(name, rest, line);
    }
    if (!stopped()) status_.refuse(Message::kNetworkDataMissing, source_->lineNumber());
  }

  // An option line among the keywords: the same line again is passed over
  // with a warning; a different one leaves the file's options in doubt.
  void readRepeatedOptionLine(std::string_view line) {
    OptionLine again;
    const int status = readOptionLine(line, lineNumber_, status_.collecting(), &again);
    status_.take(status);
    if (status != kOk) return;
    if (again.sameMeaning(header_->option)) {
      reportAt(Message::kOptionLineRepeated, lineNumber_);
    } else {
      status_.refuse(Message::kOptionLineTwice, lineNumber_);
    }
  }

  void readKeyword(const std::string& name, std::string_view rest, std::string_view line) {
    if (name == kTwoPortDataOrder) {
      std::string order = singleWord(rest);
      if (order == "12_21" || order == "21_12") {
        header_->columnsFirst = order == "21_12";
      } else {
        status_.refuse(Message::kTwoPortOrderInvalid, lineNumber_);
      }
    } else if (name == kNumberOfFrequencies) {
      readPositiveCount(rest, "[Number of Frequencies]", &header_->frequencies);
    } else if (name == kNumberOfNoiseFrequencies) {
      header_->noiseFrequenciesLine = lineNumber_;
      readPositiveCount(rest, "[Number of Noise Frequencies]", &header_->noiseFrequencies);
    } else if (name == kReference) {
      readReference(rest);
    } else if (name == kMatrixFormat) {
      readMatrixFormat(rest);
    } else if (name == kMixedModeOrder) {
      readMixedModeOrder(rest);
    } else if (name == kBeginInformation) {
      skipInformation();
    } else if (isKnownKeyword(name)) {
      status_.refuse(Message::kKeywordOutOfOrder, lineNumber_, writtenForm(name));
    } else {
      status_.refuse(Message::kKeywordUnknown, lineNumber_, asWritten(line));
    }
  }

  void readPositiveCount(std::string_view rest, const char* keyword, int64_t* count) {
    if (!keywordCount(rest, count) || *count < 1 || *count > INT32_MAX) {
      *count = 0;
      status_.refuse(Message::kCountInvalid, lineNumber_, keyword);
    }
  }

  void readMatrixFormat(std::string_view rest) {
    std::string format = singleWord(rest);
    if (format == "full") {
      header_->matrix = MatrixFormat::kFull;
    } else if (format == "lower") {
      header_->matrix = MatrixFormat::kLower;
    } else if (format == "upper") {
      header_->matrix = MatrixFormat::kUpper;
    } else {
      status_.refuse(Message::kMatrixFormatInvalid, lineNumber_);
    }
  }

  // The tokens of a keyword that may run on over the following lines,
  // `wanted` of them; a keyword line met first is put back.
  std::vector<std::string> continuedTokens(std::string_view rest, size_t wanted) {
    std::vector<std::string> tokens;
    TokenCursor cursor(withoutComment(rest));
    for (;;) {
      for (std::string_view token = cursor.next(kWhitespaceDelimiters); !token.empty();
           token = cursor.next(kWhitespaceDelimiters)) {
        tokens.emplace_back(token);
      }
      if (tokens.size() >= wanted) return tokens;
      std::string_view line;
      if (!nextLine(&line)) return tokens;
      if (isKeywordLine(line) || isOptionLine(line)) {
        putBack(line);
        return tokens;
      }
      cursor = TokenCursor(withoutComment(line));
    }
  }

  void readReference(std::string_view rest) {
    int line = lineNumber_;
    size_t ports = static_cast<size_t>(header_->ports);
    std::vector<std::string> tokens = continuedTokens(rest, ports);
    header_->reference.clear();
    for (const std::string& token : tokens) {
      double value = 0.0;
      if (!parseWholeNumber(token, &value)) {
        status_.refuse(Message::kReferenceNotResistance, lineNumber_, quotedToken(token));
        header_->reference.clear();
        return;
      }
      header_->reference.push_back(value);
    }
    if (header_->reference.size() != ports) {
      status_.refuse(Message::kReferenceCount, line, countFor(header_->reference.size(), ports));
      header_->reference.clear();
    }
  }

  void readMixedModeOrder(std::string_view rest) {
    header_->mixedModeLine = lineNumber_;
    size_t ports = static_cast<size_t>(header_->ports);
    std::vector<std::string> tokens = continuedTokens(rest, ports);
    header_->mixedModeOrder.clear();
    for (const std::string& token : tokens) {
      KeywordHeader::ModeDescriptor descriptor;
      if (!parseDescriptor(token, &descriptor)) {
        status_.refuse(Message::kDescriptorInvalid, header_->mixedModeLine, quotedToken(token));
        header_->mixedModeOrder.clear();
        return;
      }
      header_->mixedModeOrder.push_back(descriptor);
    }
    if (header_->mixedModeOrder.size() != ports) {
      status_.refuse(Message::kDescriptorCount, header_->mixedModeLine, countFor(tokens.size(), ports));
      header_->mixedModeOrder.clear();
    }
  }

  void skipInformation() {
    int opened = lineNumber_;
    std::string_view line;
    while (nextLine(&line)) {
      if (keywordName(line) == kEndInformation) return;
    }
    status_.refuse(Message::kInformationNotEnded, opened);
  }

  void checkComplete() {
    int line = lineNumber_;
    int ports = header_->ports;
    if (header_->frequencies == 0 && seen_.count(kNumberOfFrequencies) == 0) {
      status_.refuse(Message::kFrequencyCountMissing, line);
    }
    bool orderGiven = seen_.count(kTwoPortDataOrder) > 0;
    if (ports == 2 && !orderGiven) status_.refuse(Message::kTwoPortOrderMissing, line);
    if (ports != 2 && orderGiven) {
      status_.refuse(Message::kTwoPortOrderNotTwoPort, line, std::to_string(ports));
    }
    // An order found wrong is dropped, so that a check that reads on never
    // maps terminals by it.
    if (!header_->mixedModeOrder.empty() && !checkMixedModeOrder()) header_->mixedModeOrder.clear();
  }

  // Every port in exactly one pair or single; every D pair with its C pair.
  bool checkMixedModeOrder() {
    int line = header_->mixedModeLine;
    std::vector<int> owner(static_cast<size_t>(header_->ports) + 1, 0);
    std::set<std::pair<int, int>> differential;
    std::set<std::pair<int, int>> common;
    for (size_t k = 0; k < header_->mixedModeOrder.size(); ++k) {
      const KeywordHeader::ModeDescriptor& d = header_->mixedModeOrder[k];
      int group = d.mode == 'S' ? -d.first : d.first * (static_cast<int>(kMaxPorts) + 1) + d.second;
      for (int port : {d.first, d.second}) {
        if (d.mode == 'S' && port == d.second) continue;
        if (port < 1 || port > header_->ports || (d.mode != 'S' && d.first == d.second)) {
          status_.refuse(Message::kMixedPortOutOfRange, line, std::to_string(header_->ports));
          return false;
        }
        int& taken = owner[static_cast<size_t>(port)];
        if (taken != 0 && taken != group) {
          status_.refuse(Message::kMixedPortTwice, line, std::to_string(port));
          return false;
        }
        taken = group;
      }
      std::set<std::pair<int, int>>* pairs = d.mode == 'D'   ? &differential
                                             : d.mode == 'C' ? &common
                                                             : nullptr;
      if (pairs != nullptr && !pairs->insert({d.first, d.second}).second) {
        status_.refuse(Message::kMixedModeTwice, line);
        return false;
      }
    }
    if (differential == common) return true;
    status_.refuse(Message::kMixedPairIncomplete, line);
    return false;
  }

  LineSource* source_;
  KeywordHeader* header_;
  std::set<std::string> seen_;
  std::string held_;
  int heldNumber_ = 0;
  bool heldValid_ = false;
  int lineNumber_ = 0;
  ReadStatus status_;
};

}  // namespace

std::string keywordName(std::string_view line, std::string_view* rest) {
  size_t open = line.find_first_not_of(" \t");
  if (open == std::string_view::npos || line[open] != '[') return {};
  size_t close = line.find(']', open);
  if (close == std::string_view::npos) return {};
  std::string name;
  bool blank = false;
  for (char c : line.substr(open + 1, close - open - 1)) {
    if (c == ' ' || c == '\t') {
      blank = !name.empty();
      continue;
    }
    if (blank) name += ' ';
    blank = false;
    name += lowerCase(c);
  }
  if (rest != nullptr) *rest = line.substr(close + 1);
  return name;
}

std::string_view keywordVersion(std::string_view versionLine) {
  std::string_view rest;
  keywordName(versionLine, &rest);
  TokenCursor cursor(withoutComment(rest));
  return cursor.next(kWhitespaceDelimiters);
}

bool keywordCount(std::string_view rest, int64_t* count) {
  TokenCursor cursor(withoutComment(rest));
  return parseCount(cursor.next(kWhitespaceDelimiters), count) && cursor.atEnd(kWhitespaceDelimiters);
}

bool isKeywordLine(std::string_view line) {
  size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '[';
}

int readKeywordHeader(LineSource* source, std::string_view versionLine, bool collecting,
                      KeywordHeader* header) {
  *header = KeywordHeader();
  KeywordReader reader(source, collecting, header);
  return reader.read(versionLine);
}

}  // namespace korvel
