// The option line of a Touchstone file.
#include "touchstone/option_line.h"

#include <cstdint>
#include <cstdlib>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "text/complex_conversion.h"
#include "text/text_input.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

struct FrequencyUnit {
  const char* name;
  double scale;
};

// Tried in this order; a unit matches only as a whole token.
constexpr FrequencyUnit kFrequencyUnits[] = {
    {"Hz", 1.0},
    {"GHz", 1.0e9},
    {"MHz", 1.0e6},
    {"KHz", 1.0e3},
};

// The character at `index`, or NUL past the end, as a C string reads.
char characterAt(std::string_view text, size_t index) { return index < text.size() ? text[index] : '\0'; }

int8_t upperCase(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return static_cast<int8_t>(c);
}

// A mapping placed before the option line names portCount mixed-mode
// ports, and the line may give one value per port: each then stands for
// the terminals of that port in turn.
bool givesOneValuePerPort(const DataSet& data, size_t valuesRead) {
  return data.mixedMode == 1 && data.portCount >= 1 && valuesRead == static_cast<size_t>(data.portCount);
}

void repeatPerPort(const DataSet& data, std::vector<double>* impedances) {
  size_t repeats = static_cast<size_t>(data.terminalCount / data.portCount);
  std::vector<double> perPort;
  perPort.swap(*impedances);
  impedances->reserve(perPort.size() * repeats);
  for (double value : perPort) impedances->insert(impedances->end(), repeats, value);
}

// Reads the values after the impedance keyword: at most one per terminal,
// one value for all terminals, or one per mixed-mode port.
int readReferenceImpedances(TokenCursor* cursor, const DataSet& data, std::vector<double>* impedances) {
  size_t terminals = static_cast<size_t>(data.terminalCount);
  impedances->clear();
  while (impedances->size() < terminals) {
    std::string_view token = cursor->next(kWhitespaceDelimiters);
    if (token.empty()) break;
    impedances->push_back(parseDouble(token));
  }
  if (impedances->size() == 1) {
    impedances->assign(terminals, impedances->front());
  } else if (givesOneValuePerPort(data, impedances->size())) {
    repeatPerPort(data, impedances);
  }
  if (impedances->size() < terminals) return fail(Message::kZoValuesIncomplete);
  return kOk;
}

}  // namespace

int compareIgnoreCase(std::string_view a, std::string_view b) {
  for (size_t i = 0;; ++i) {
    int8_t left = upperCase(characterAt(a, i));
    int8_t right = upperCase(characterAt(b, i));
    if (left != right) return left - right;
    if (left == 0) return 0;
  }
}

int parseFrequencyUnit(std::string_view token, DataSet* data) {
  std::free(data->frequencyUnit);
  data->frequencyUnit = copyString("Hz");
  if (data->frequencyUnit == nullptr) return kFailed;
  for (const FrequencyUnit& unit : kFrequencyUnits) {
    if (compareIgnoreCase(token, unit.name) == 0) {
      data->frequencyScale = unit.scale;
      break;
    }
  }
  return kOk;
}

int readOptionLine(std::string_view line, DataSet* data, std::vector<double>* impedances) {
  // The "#" separates like a blank: "#GHz" reads as "# GHz".
  TokenCursor cursor(withoutComment(line.substr(1)));
  data->hasNoise = 0;

  std::string_view unit = cursor.next(kWhitespaceDelimiters);
  if (unit.empty()) return fail(Message::kFrequencyUnitMissing);
  if (parseFrequencyUnit(unit, data) != kOk) return kFailed;

  std::string_view type = cursor.next(kWhitespaceDelimiters);
  if (type.empty()) return fail(Message::kParameterTypeMissing);
  if (type[0] != 'S' && type[0] != 's') return fail(Message::kOnlyScattering);

  std::string_view format = cursor.next(kWhitespaceDelimiters);
  if (format.empty()) return fail(Message::kFormatMissing);
  int code = complexFormatForLetter(format[0]);
  if (code < 0) return fail(Message::kFormatUnknown);
  data->complexFormat = code;

  // The keyword (normally R) is required but its text is not examined.
  if (cursor.next(kWhitespaceDelimiters).empty()) {
    return fail(Message::kImpedanceMissing);
  }
  return readReferenceImpedances(&cursor, *data, impedances);
}

}  // namespace korvel
