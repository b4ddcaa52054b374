// korvel dump: the waveforms of files as the host received them, as JSON
// (one document per file and line) or CSV (one row per point, or with
// --wide one row per frequency and one column per quantity).
#ifndef KORVEL_TOOLS_COMMANDS_DUMP_WAVEFORM_DUMP_H
#define KORVEL_TOOLS_COMMANDS_DUMP_WAVEFORM_DUMP_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/cli/exit_codes.h"
#include "tools/output/value_units.h"
#include "tools/session/plugin_session.h"

namespace korvel::tool {

enum class DumpFormat { kJson, kCsv };

struct DumpOptions {
  DumpFormat format = DumpFormat::kJson;
  bool wide = false;                           // CSV: one row per frequency
  ValueUnit unit = ValueUnit::kRealImaginary;  // CSV values
  bool viewerLookup = false;                   // names found as the viewer finds them
};

// Dumps each file in turn: `names` (typed, resolved per file; every
// catalogue name when empty). A file is written only once all its names
// resolved; a refused file or an unknown name is reported on standard
// error and the next file dumped. Stops at the first failed write.
// Returns kExitOk, or kExitRefused when anything failed.
int dumpFiles(PluginSession& session, const std::vector<std::string>& paths,
              const std::vector<std::string>& names, const DumpOptions& options, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_COMMANDS_DUMP_WAVEFORM_DUMP_H
