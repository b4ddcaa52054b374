// The option line of a Touchstone file.
#include "touchstone/option_line.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "text/text_input.h"
#include "touchstone/line_kinds.h"

namespace korvel {

namespace {

struct Word {
  const char* text;
  int value;
};

constexpr Word kUnits[] = {{"Hz", 1}, {"kHz", 1000}, {"MHz", 1000000}, {"GHz", 1000000000}};
constexpr Word kParameters[] = {{"S", static_cast<int>(ParameterKind::kScattering)},
                                {"Y", static_cast<int>(ParameterKind::kAdmittance)},
                                {"Z", static_cast<int>(ParameterKind::kImpedance)},
                                {"H", static_cast<int>(ParameterKind::kHybrid)},
                                {"G", static_cast<int>(ParameterKind::kInverseHybrid)}};
constexpr Word kFormats[] = {
    {"DB", kFormatDbDegrees}, {"MA", kFormatMagnitudeDegrees}, {"RI", kFormatRealImaginary}};

template <size_t N>
const Word* findWord(const Word (&words)[N], std::string_view token) {
  for (const Word& word : words) {
    if (compareIgnoreCase(token, word.text) == 0) return &word;
  }
  return nullptr;
}

int8_t upperCase(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return static_cast<int8_t>(c);
}

char characterAt(std::string_view text, size_t index) { return index < text.size() ? text[index] : '\0'; }

// Walks the fields of one option line, remembering which it has seen, and
// reports each token that is not a field. A collecting read goes on after
// a bad token, so that it hears of every one.
class OptionFields {
 public:
  OptionFields(int line, bool collecting, OptionLine* option)
      : line_(line), option_(option), status_(collecting) {}

  void take(TokenCursor* cursor) {
    for (std::string_view token = cursor->next(kWhitespaceDelimiters); !token.empty() && !status_.stopped();
         token = cursor->next(kWhitespaceDelimiters)) {
      while (compareIgnoreCase(token, "R") == 0) {
        token = takeResistances(cursor);
        if (token.empty() || status_.stopped()) return;
      }
      takeWord(token);
    }
  }

  int result() const { return status_.result(); }

 private:
  void refuse(Message message, const std::string& argument) { status_.refuse(message, line_, argument); }

  bool once(bool* seen, std::string_view token, const char* field) {
    if (*seen) {
      refuse(Message::kOptionFieldTwice, quotedToken(token) + " gives the " + field);
      return false;
    }
    *seen = true;
    return true;
  }

  void takeWord(std::string_view token) {
    if (const Word* unit = findWord(kUnits, token); unit != nullptr) {
      if (once(&unitSeen_, token, "frequency unit")) {
        option_->frequencyScale = unit->value;
        option_->unitWord = unit->text;
      }
    } else if (const Word* type = findWord(kParameters, token); type != nullptr) {
      if (once(&parameterSeen_, token, "parameter type")) {
        option_->parameter = static_cast<ParameterKind>(type->value);
        option_->parameterWord = type->text;
      }
    } else if (const Word* format = findWord(kFormats, token); format != nullptr) {
      if (once(&formatSeen_, token, "data format")) {
        option_->complexFormat = format->value;
        option_->formatWord = format->text;
      }
    } else if (double ignored = 0.0; parseWholeNumber(token, &ignored)) {
      refuse(Message::kOptionNumberWithoutR, quotedToken(token));
    } else {
      refuse(Message::kOptionFieldUnknown, quotedToken(token));
    }
  }

  // The numbers after R; returns the token that ended them (empty at the
  // end of the line).
  std::string_view takeResistances(TokenCursor* cursor) {
    bool first = !resistancesSeen_;
    if (!once(&resistancesSeen_, "R", "reference resistance")) first = false;
    if (first) option_->resistances.clear();
    option_->resistancesGiven = true;
    std::string_view token;
    double value = 0.0;
    for (token = cursor->next(kWhitespaceDelimiters); parseWholeNumber(token, &value);
         token = cursor->next(kWhitespaceDelimiters)) {
      if (first) option_->resistances.push_back(value);
    }
    if (first && option_->resistances.empty()) {
      // "R" alone: the references come from the port impedance lines
      // when the data has them, else they are the default.
      option_->resistances.push_back(OptionLine().resistances.front());
      option_->resistancesGiven = false;
      option_->resistanceValueMissing = true;
    }
    return token;
  }

  int line_;
  OptionLine* option_;
  bool unitSeen_ = false;
  bool parameterSeen_ = false;
  bool formatSeen_ = false;
  bool resistancesSeen_ = false;
  ReadStatus status_;
};

// A mapping placed before the option line names portCount mixed-mode
// ports, and the line may give one value per port: each then stands for
// the terminals of that port in turn.
bool givesOneValuePerPort(const TerminalPorts& shape, size_t valuesRead) {
  return shape.mixedMode == 1 && shape.ports >= 1 && valuesRead == static_cast<size_t>(shape.ports);
}

void repeatPerPort(const TerminalPorts& shape, std::vector<double>* resistances) {
  size_t repeats = static_cast<size_t>(shape.terminals / shape.ports);
  std::vector<double> perPort;
  perPort.swap(*resistances);
  resistances->reserve(perPort.size() * repeats);
  for (double value : perPort) resistances->insert(resistances->end(), repeats, value);
}

}  // namespace

char parameterLetter(ParameterKind type) {
  for (const Word& word : kParameters) {
    if (word.value == static_cast<int>(type)) return word.text[0];
  }
  return '?';
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
  for (size_t i = 0;; ++i) {
    int8_t left = upperCase(characterAt(a, i));
    int8_t right = upperCase(characterAt(b, i));
    if (left != right) return left - right;
    if (left == 0) return 0;
  }
}

bool OptionLine::sameMeaning(const OptionLine& other) const {
  return frequencyScale == other.frequencyScale && parameter == other.parameter &&
         complexFormat == other.complexFormat && resistances == other.resistances &&
         resistancesGiven == other.resistancesGiven && resistanceValueMissing == other.resistanceValueMissing;
}

int readOptionLine(std::string_view line, int lineNumber, bool collecting, OptionLine* option) {
  *option = OptionLine();
  option->line = lineNumber;
  // The "#" separates like a blank: "#GHz" reads as "# GHz". Blanks may
  // stand before it.
  line.remove_prefix(line.find('#') + 1);
  TokenCursor cursor(withoutComment(line));
  OptionFields fields(lineNumber, collecting, option);
  fields.take(&cursor);
  return fields.result();
}

int applyOptionLine(const OptionLine& option, DataSet* data) {
  std::free(data->frequencyUnit);
  data->frequencyUnit = copyString("Hz");
  if (data->frequencyUnit == nullptr) throw std::bad_alloc();
  data->frequencyScale = option.frequencyScale;
  data->complexFormat = option.complexFormat;
  data->hasNoise = 0;
  return kOk;
}

int terminalResistances(const OptionLine& option, const TerminalPorts& shape,
                        std::vector<double>* resistances) {
  size_t terminals = static_cast<size_t>(shape.terminals);
  *resistances = option.resistances;
  if (resistances->size() == 1) {
    resistances->assign(terminals, resistances->front());
  } else if (givesOneValuePerPort(shape, resistances->size())) {
    repeatPerPort(shape, resistances);
  }
  if (resistances->size() < terminals) {
    return failAt(Message::kZoValuesIncomplete, option.line);
  }
  if (resistances->size() > terminals) {
    reportAt(Message::kOptionResistancesExtra, option.line,
             std::to_string(option.resistances.size()) + " reference resistances for " +
                 std::to_string(terminals) + " ports");
    resistances->resize(terminals);
  }
  return kOk;
}

}  // namespace korvel
