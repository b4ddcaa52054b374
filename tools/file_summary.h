// The korvel commands that describe files for a person: the summary, the
// waveform names and the properties of waveforms.
#ifndef KORVEL_TOOLS_FILE_SUMMARY_H
#define KORVEL_TOOLS_FILE_SUMMARY_H

#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin_session.h"

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

// Writes the waveform names, one a line; with several files each line is
// "FILE:NAME".
int printCatalogues(PluginSession& session, const std::vector<std::string>& paths, std::ostream& out);

// Writes every property the viewer asks of each named waveform (names
// resolved as get does).
int printWaveformProperties(PluginSession& session, const std::vector<std::string>& paths,
                            const std::vector<std::string>& names, std::ostream& out);

// Frequency in hertz with the largest fitting prefix: "1.5 GHz".
std::string formatFrequency(double hertz);

// The width to wrap text for standard output at: the terminal's, else 100.
size_t outputWidth();

// `words` after `lead`, wrapped at `width` with following lines indented
// by `indent` blanks; a word longer than a line stands alone.
std::string wrapWords(const std::string& lead, const std::vector<std::string>& words, size_t indent,
                      size_t width, const std::string& separator = " ");

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_FILE_SUMMARY_H
