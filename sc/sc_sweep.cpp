// The sweep values of an SC file, read in one pass and kept.
//
// A value list starts after the first ":" that follows the parameter's name
// on the current line and runs, at blanks or tabs, until a token with a
// ",", or until the values cover every block. A list that has not covered
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

// The line a value list is being read from, and the tokens left on it.
class ListLine {
 public:
  explicit ListLine(std::string_view text) : text_(text), cursor_(text_) {}
  ListLine(const ListLine&) = delete;
  ListLine& operator=(const ListLine&) = delete;

  // Moves to a continuation line, passing over its leading "*|" token.
  void moveTo(std::string_view text) {
    text_.assign(text);
    cursor_ = TokenCursor(text_);
    cursor_.next(kBlankTabDelimiters);
  }

  std::string_view nextToken() { return cursor_.next(kBlankTabDelimiters); }

 private:
  std::string text_;
  TokenCursor cursor_;
};

// Reads the values of the parameter `name` into `*values`. The name is
// looked for in `*saved`, which a continuation entered at the line's end
// replaces with the continuation line, where the next parameter's name is
// then looked for. `weight` is the number of blocks one value stands for.
int readValueList(ScLines& lines, const char* name, uint64_t blockCount, uint64_t weight, std::string* saved,
                  std::vector<double>* values) {
  size_t at = saved->find(name);
  size_t colon = at == std::string::npos ? std::string::npos : saved->find(':', at + std::char_traits<char>::length(name));
  if (colon == std::string::npos) {
    return fail(Message::kSweepParameterMissing, name);
  }
  ListLine list(std::string_view(*saved).substr(colon + 1));
  uint64_t covered = 0;
  for (;;) {
    std::string_view token = list.nextToken();
    std::string_view line;
    if (token.empty()) {
      // The line simply ran out of tokens.
      if (covered >= blockCount || !lines.find(kMarkedLine, {}, &line)) return kOk;
      list.moveTo(line);
    } else if (isLineEnd(token)) {
      if (covered >= blockCount) return kOk;
      if (!lines.find(kMarkedLine, {}, &line)) {
        return fail(Message::kSweepValuesIncomplete);
      }
      saved->assign(line);
      list.moveTo(line);
    } else {
      values->push_back(parseDouble(token));
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
  uint64_t weight = 1;
  for (int q = 0; q < data->sweepCount; ++q) {
    std::vector<double> values;
    if (readValueList(lines, data->sweepNames[q], static_cast<uint64_t>(data->blockCount), weight, &saved,
                      &values) != kOk) {
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
