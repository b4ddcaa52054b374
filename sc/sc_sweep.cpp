// The sweep values of an SC file, read in one pass and kept.
//
// A value list starts after the first ":" that follows the parameter's name
// on the current line and runs, at blanks or tabs, until a token with a
// ",", or until the values cover every block. Each value must be a number
// in full; in the token that ends the list, the text before its comma. A list that has not covered
// every block when its line ends goes on at the second token of the next
// marked line.
#include "sc/sc_sweep.h"

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/messages.h"
#include "dataset/result.h"

namespace korvel {

namespace {

uint64_t saturatingAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

uint64_t saturatingMultiply(uint64_t a, uint64_t b) {
  uint64_t product;
  return __builtin_mul_overflow(a, b, &product) ? UINT64_MAX : product;
}

// The value of a list token: the whole token, or for a token with a comma
// the text before it, must be a number; a digit right after the comma is a
// decimal comma ("1,5"), which is no number either. False when it is not.
bool readListValue(std::string_view token, double* value) {
  size_t comma = token.find(',');
  if (comma == std::string_view::npos) return parseNumberInFull(token, value);
  if (comma + 1 < token.size() && token[comma + 1] >= '0' && token[comma + 1] <= '9') return false;
  return parseNumberInFull(token.substr(0, comma), value);
}

// The line a value list is being read from, and the tokens left on it.
class ListLine {
 public:
  ListLine(std::string_view text, int lineNumber) : text_(text), cursor_(text_), lineNumber_(lineNumber) {}
  ListLine(const ListLine&) = delete;
  ListLine& operator=(const ListLine&) = delete;

  // Moves to a continuation line, passing over its leading "*|" token.
  void moveTo(std::string_view text, int lineNumber) {
    lineNumber_ = lineNumber;
    text_.assign(text);
    cursor_ = TokenCursor(text_);
    cursor_.next(kBlankTabDelimiters);
  }

  std::string_view nextToken() { return cursor_.next(kBlankTabDelimiters); }

  // The file's line number of the text.
  int lineNumber() const { return lineNumber_; }

 private:
  std::string text_;
  TokenCursor cursor_;
  int lineNumber_;
};

// Reads the values of the parameter `name` into `*values`. The name is
// looked for in `*saved`, which a continuation entered at the line's end
// replaces with the continuation line, where the next parameter's name is
// then looked for; `*savedLine` is its line number. `weight` is the number
// of blocks one value stands for.
int readValueList(ScLines& lines, const char* name, uint64_t blockCount, uint64_t weight, std::string* saved,
                  int* savedLine, std::vector<double>* values) {
  size_t at = saved->find(name);
  size_t colon = at == std::string::npos ? std::string::npos
                                         : saved->find(':', at + std::char_traits<char>::length(name));
  if (colon == std::string::npos) {
    return fail(Message::kSweepParameterMissing, quotedToken(name, QuoteMarks::kNone).c_str());
  }
  ListLine list(std::string_view(*saved).substr(colon + 1), *savedLine);
  uint64_t covered = 0;
  for (;;) {
    std::string_view token = list.nextToken();
    std::string_view line;
    if (token.empty()) {
      // The line simply ran out of tokens.
      if (covered >= blockCount || !lines.find(kMarkedLine, {}, &line)) return kOk;
      list.moveTo(line, lines.lineNumber());
    } else if (isLineEnd(token)) {
      if (covered >= blockCount) return kOk;
      if (!lines.find(kMarkedLine, {}, &line)) {
        return fail(Message::kSweepValuesIncomplete);
      }
      saved->assign(line);
      *savedLine = lines.lineNumber();
      list.moveTo(line, *savedLine);
    } else {
      double value = 0.0;
      if (!readListValue(token, &value)) {
        return failAt(Message::kValueNotNumber, list.lineNumber(),
                      quotedToken(token) + " among the values of sweep parameter " +
                          quotedToken(name, QuoteMarks::kNone));
      }
      values->push_back(value);
      covered = saturatingAdd(covered, weight);
      if (contains(token, ",")) return kOk;
    }
  }
}

// Stores `values` as a sweepValues entry: the count, then the values.
double* makeSweepEntry(const std::vector<double>& values) {
  auto* entry = static_cast<double*>(allocateZeroed(values.size() + 1, sizeof(double)));
  if (entry == nullptr) return nullptr;
  entry[0] = static_cast<double>(values.size());
  for (size_t i = 0; i < values.size(); ++i) entry[i + 1] = values[i];
  return entry;
}

}  // namespace

int readSweepValues(ScLines& lines, DataSet* data) {
  size_t parameters = static_cast<size_t>(data->sweepCount);  // positive, as required
  data->sweepValues = static_cast<double**>(allocateZeroed(parameters, sizeof(double*)));
  if (data->sweepValues == nullptr) {
    return fail(Message::kOutOfMemory);
  }
  std::string_view line;
  if (!lines.find(kMarkedLine, {"ParamSweep"}, &line)) {
    return fail(Message::kSweepValuesMissing);
  }
  std::string saved(line);
  int savedLine = lines.lineNumber();
  uint64_t weight = 1;
  for (int q = 0; q < data->sweepCount; ++q) {
    std::vector<double> values;
    if (readValueList(lines, data->sweepNames[q], static_cast<uint64_t>(data->blockCount), weight, &saved,
                      &savedLine, &values) != kOk) {
      return kFailed;
    }
    data->sweepValues[q] = makeSweepEntry(values);
    if (data->sweepValues[q] == nullptr) {
      return fail(Message::kOutOfMemory);
    }
    weight = saturatingMultiply(weight, values.size());
  }
  return kOk;
}

}  // namespace korvel
