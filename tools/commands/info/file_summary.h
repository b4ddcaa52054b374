// korvel info: the summary of a file for a person.
#ifndef KORVEL_TOOLS_COMMANDS_INFO_FILE_SUMMARY_H
#define KORVEL_TOOLS_COMMANDS_INFO_FILE_SUMMARY_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/cli/exit_codes.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

struct SummaryOptions {
  bool json = false;         // one JSON document per file and line
  bool allComments = false;  // every header comment line, not the first few
  size_t width = 100;        // columns to wrap the text at
};

// Writes per file the format, design, ports, parameter type and data
// format, reference impedances, counts, frequency range, sweep, header
// comments and the waveform names grouped by kind. Returns kExitRefused
// when any file was refused (the others are still shown), else kExitOk.
int printSummaries(PluginSession& session, const std::vector<std::string>& paths,
                   const SummaryOptions& options, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_COMMANDS_INFO_FILE_SUMMARY_H
