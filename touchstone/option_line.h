// The option line of a Touchstone file ("# GHz S MA R 50"): frequency unit,
// parameter type, complex format and reference resistances. Each field is
// recognised by its value, in any order and any case, at most once; each
// may be missing and then takes its default (GHz, S, MA, R 50).
#ifndef KORVEL_TOUCHSTONE_OPTION_LINE_H
#define KORVEL_TOUCHSTONE_OPTION_LINE_H

#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "rfcalc/scattering_conversion.h"
#include "text/complex_conversion.h"

namespace korvel {

// The letter that names a parameter type on the option line ('S', 'Y', ...).
char parameterLetter(ParameterKind type);

struct OptionLine {
  double frequencyScale = 1.0e9;  // to hertz
  ParameterKind parameter = ParameterKind::kScattering;
  int complexFormat = kFormatMagnitudeDegrees;
  // The values after R as written, one for all ports or one per port; the
  // default single 50 ohms when the line has no R.
  std::vector<double> resistances{50.0};
  // True when the line gives R with values after it.
  bool resistancesGiven = false;
  // True when the line gives R without a value: the references are then
  // those of the "! Port Impedance" lines, or else the default.
  bool resistanceValueMissing = false;
  int line = 0;  // where the line stands in the file
  // The fields the line gives, each as its standard word ("MHz", "Y",
  // "RI"); null for a field the line leaves out.
  const char* unitWord = nullptr;
  const char* parameterWord = nullptr;
  const char* formatWord = nullptr;

  // True when `other` says the same as this line, wherever it stands.
  bool sameMeaning(const OptionLine& other) const;
};

// Compares two texts character by character after turning each character
// to upper case; the end of a text compares as a NUL. Returns 0 when they
// are equal ignoring case, otherwise the difference of the first two
// upper-cased characters that differ, each taken as a signed 8-bit value.
int compareIgnoreCase(std::string_view a, std::string_view b);

// Reads the option line `line` (its first field is "#"), line number
// `lineNumber` of the file, into `*option`; a trailing comment is ignored.
// Returns kOk, or reports the first field that is not one (every such
// field when `collecting`) and returns kFailed.
int readOptionLine(std::string_view line, int lineNumber, bool collecting, OptionLine* option);

// Stores the option line's unit and format in `data` (frequencies are kept
// in hertz, so the unit stored is always "Hz"). Returns kOk; throws
// std::bad_alloc when memory runs out.
int applyOptionLine(const OptionLine& option, DataSet* data);

// One reference resistance per terminal from the values after R: one value
// stands for every terminal; one per terminal as written; and when a
// mixed-mode mapping of comment lines gives portCount ports, one value per
// port stands for that port's terminals in turn. Values beyond the
// terminals are ignored with a warning. Reports and returns kFailed when
// there are more than one value but too few.
struct TerminalPorts {
  int terminals = 0;
  int ports = 0;      // the ports of a mixed-mode mapping
  int mixedMode = 0;  // 1 when comment lines gave a mixed-mode mapping
};
int terminalResistances(const OptionLine& option, const TerminalPorts& shape,
                        std::vector<double>* resistances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_OPTION_LINE_H
