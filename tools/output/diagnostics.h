// The tool's own messages on standard error, one line each:
//   korvel: TEXT
//   korvel: FILE: TEXT
//   korvel: FILE:LINE: TEXT
// the file name shown printable, as every message of the tool shows it.
// Every command writes its messages through these, so that their shape is
// decided in one place. The text is written as it is given: a caller
// makes printable what comes from a file or from the command line.
#ifndef KORVEL_TOOLS_OUTPUT_DIAGNOSTICS_H
#define KORVEL_TOOLS_OUTPUT_DIAGNOSTICS_H

#include <string_view>

namespace korvel::tool {

// "korvel: TEXT".
void diagnose(std::string_view text);

// "korvel: FILE: TEXT", with FILE made printable.
void diagnoseFile(std::string_view path, std::string_view text);

// "korvel: FILE:LINE: TEXT" about line `line` of the file (from 1), or
// as diagnoseFile when `line` is 0.
void diagnoseLine(std::string_view path, int line, std::string_view text);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_DIAGNOSTICS_H
