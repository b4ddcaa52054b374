// The korvel commands that describe a file for a person: the summary, the
// catalogue and the property answers of one waveform.
#ifndef KORVEL_TOOLS_FILE_SUMMARY_H
#define KORVEL_TOOLS_FILE_SUMMARY_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin_session.h"

namespace korvel::tool {

// Writes per file the format, design, counts, frequency range, sweep and
// the catalogue grouped by kind. Returns kExitRefused when any file was
// refused (the others are still shown), else kExitOk.
int printSummaries(PluginSession& session, const std::vector<std::string>& paths, std::ostream& out);

// Writes the catalogue, one name a line.
int printCatalogue(PluginSession& session, const std::string& path, std::ostream& out);

// Writes every waveform property answer of `name`.
int printWaveformProperties(PluginSession& session, const std::string& path, const std::string& name,
                            std::ostream& out);

// Frequency in hertz with the largest fitting prefix: "1.5 GHz".
std::string formatFrequency(double hertz);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_FILE_SUMMARY_H
