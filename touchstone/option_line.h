// The option line of a Touchstone file ("# GHz S MA R 50"): frequency unit,
// parameter type, complex format, impedance keyword and the reference
// impedances, all five positions required and recognised only in this
// order.
#ifndef KORVEL_TOUCHSTONE_OPTION_LINE_H
#define KORVEL_TOUCHSTONE_OPTION_LINE_H

#include <string_view>
#include <vector>

#include "dataset/data_set.h"

namespace korvel {

// Compares two texts character by character after turning each character
// to upper case; the end of a text compares as a NUL. Returns 0 when they
// are equal ignoring case, otherwise the difference of the first two
// upper-cased characters that differ, each taken as a signed 8-bit value.
int compareIgnoreCase(std::string_view a, std::string_view b);

// Stores a heap copy of "Hz" in frequencyUnit (frequencies are always kept
// in hertz) and, when `token` names Hz, GHz, MHz or KHz in any case, that
// unit's factor to hertz in frequencyScale. Any other token leaves the
// scale as it was. Returns kFailed only when memory runs out.
int parseFrequencyUnit(std::string_view token, DataSet* data);

// Reads the option line `line` (its first character is "#") into `data`
// (hasNoise, frequencyUnit, frequencyScale, complexFormat) and
// `impedances` (terminalCount ohms, one per terminal, as written). A
// trailing comment is ignored. When a mixed-mode mapping was found before
// this line and the line gives one value per mixed-mode port, each value
// stands for terminalCount / portCount terminals in turn. Returns kOk, or
// prints the failure and returns kFailed.
int readOptionLine(std::string_view line, DataSet* data, std::vector<double>* impedances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_OPTION_LINE_H
