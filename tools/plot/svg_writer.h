// Writes a laid-out figure as SVG: deterministic (the same figure gives the
// same bytes), text kept as <text>, and each run of a curve one <polyline>
// that names its waveform, segment and part in data- attributes.
#ifndef KORVEL_TOOLS_PLOT_SVG_WRITER_H
#define KORVEL_TOOLS_PLOT_SVG_WRITER_H

#include <string>

#include "tools/plot/figure.h"

namespace korvel::plot {

// `text` made safe for SVG text and attribute values: markup characters
// escaped, control characters and bytes that are not UTF-8 replaced by "?"
// (file and waveform names come from files and command lines).
std::string xmlEscape(const std::string& text);

// REQUIRES: layoutFigure has placed `figure`.
std::string writeSvg(const Figure& figure);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_SVG_WRITER_H
