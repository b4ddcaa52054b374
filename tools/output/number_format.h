// Numbers and frequencies as korvel shows them to a person.
#ifndef KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H
#define KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H

#include <string>

namespace korvel::tool {

// `value` with `digits` significant digits, as printf's %g writes it:
// "50", "1.5e+09", "inf".
std::string formatNumber(double value, int digits = 6);

// Frequency in hertz with the largest prefix it reaches, up to THz:
// "1.5 GHz". Six significant digits, or as many more as it takes to read
// back as the same frequency.
std::string formatFrequency(double hertz);

// The same with `digits` significant digits and no more, for a label with
// little room: "2.45 GHz".
std::string formatFrequency(double hertz, int digits);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H
