// korvel dump: the waveforms of a file exactly as the host received them,
// as JSON or CSV.
#ifndef KORVEL_TOOLS_WAVEFORM_DUMP_H
#define KORVEL_TOOLS_WAVEFORM_DUMP_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin_session.h"

namespace korvel::tool {

enum class DumpFormat { kJson, kCsv };

// Opens `path`, loads `names` (every catalogue name when empty) and writes
// the dump to `out`. Nothing is written unless every name loads: an
// unknown name or a refused file gives kExitRefused with a line on
// standard error.
int dumpWaveforms(PluginSession& session, const std::string& path, const std::vector<std::string>& names,
                  DumpFormat format, std::ostream& out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_WAVEFORM_DUMP_H
