// JSON documents built with nlohmann-json and written the way the tool
// writes every JSON value: numbers in the shortest form that reads back
// as the same double ("5e+08", "50"), the non-finite ones as the strings
// "NaN", "Infinity", "-Infinity", and strings with every byte that is not
// valid UTF-8 as \u00XX (text_format.h). The library's own dump writes
// "500000000.0" and "50.0", null for a non-finite number, and stops at a
// file name that is not UTF-8, so it cannot serve the tool's documents.
#ifndef KORVEL_TOOLS_OUTPUT_JSON_WRITER_H
#define KORVEL_TOOLS_OUTPUT_JSON_WRITER_H

#include <nlohmann/json.hpp>
#include <ostream>

namespace korvel::tool {

// A document whose members keep the order they were added in.
using JsonDocument = nlohmann::ordered_json;

// Writes `document` on one line, with no blanks and no line end.
void writeJson(std::ostream& out, const JsonDocument& document);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_JSON_WRITER_H
