// Numbers and frequencies as korvel shows them to a person.
#ifndef KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H
#define KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H

#include <string>

namespace korvel::tool {

// `value` with six significant digits: "50", "1.5e+09".
std::string formatNumber(double value);

// Frequency in hertz with the largest fitting prefix: "1.5 GHz". Six
// significant digits, or as many more as it takes to read back as the
// same frequency.
std::string formatFrequency(double hertz);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_NUMBER_FORMAT_H
