// Renders the tool's SVG to PNG or PDF with librsvg onto a cairo surface,
// in memory, so that nothing is written when rendering fails.
#ifndef KORVEL_TOOLS_PLOT_SVG_RENDER_H
#define KORVEL_TOOLS_PLOT_SVG_RENDER_H

#include <string>

namespace korvel::plot {

enum class RenderFormat { kPng, kPdf };

// Renders `svg` onto a page of `width` × `height` (pixels for PNG, points
// for PDF) with a white background. Returns the file's bytes in `*output`,
// or false with a reason in `*error`.
bool renderSvg(const std::string& svg, int width, int height, RenderFormat format, std::string* output,
               std::string* error);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_SVG_RENDER_H
