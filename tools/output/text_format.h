// Numbers and strings as the dumps write them: numbers in the shortest
// form that reads back to the same double, JSON strings escaped so that
// any bytes at all (file names need not be UTF-8) give valid JSON, and CSV
// fields quoted when they must be.
#ifndef KORVEL_TOOLS_OUTPUT_TEXT_FORMAT_H
#define KORVEL_TOOLS_OUTPUT_TEXT_FORMAT_H

#include <ostream>
#include <string>
#include <string_view>

namespace korvel::tool {

// The shortest text that reads back as `value`; "NaN", "Infinity",
// "-Infinity" for non-finite values.
std::string shortestNumber(double value);

// `value` as a JSON value: a number, or the non-finite names as strings.
void writeJsonNumber(std::ostream& out, double value);

// `text` as a JSON string. Valid UTF-8 is kept; every byte that is not
// part of a valid UTF-8 sequence is written as \u00XX, its byte value read
// as Latin-1, so the output is always valid JSON.
void writeJsonString(std::ostream& out, std::string_view text);

// `text` as a CSV field, quoted when it holds a comma, quote or line end.
std::string csvField(std::string_view text);

// The text with ASCII letters in lower (upper) case, other bytes as they are.
std::string lowerCase(std::string_view text);
std::string upperCase(std::string_view text);

// The text with each control character and invalid UTF-8 byte shown as
// \xHH, for messages on a terminal.
std::string printable(std::string_view text);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_TEXT_FORMAT_H
