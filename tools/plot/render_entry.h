// The one export of the rendering module (libkorvelrender.so), which holds
// PNG and PDF rendering and with it the whole picture stack (librsvg,
// cairo, pango, fontconfig). `korvel plot` loads the module only when a
// PNG or PDF is asked for and looks the entry up by this name.
#ifndef KORVEL_TOOLS_PLOT_RENDER_ENTRY_H
#define KORVEL_TOOLS_PLOT_RENDER_ENTRY_H

#include <string>

#include "tools/plot/svg_render.h"

namespace korvel::plot {

// renderSvg's contract, behind a name that dlsym can find.
using RenderEntry = bool (*)(const std::string* svg, int width, int height, RenderFormat format,
                             std::string* output, std::string* error);
inline constexpr char kRenderEntryName[] = "korvelRenderSvg";

}  // namespace korvel::plot

extern "C" __attribute__((visibility("default"))) bool korvelRenderSvg(const std::string* svg, int width,
                                                                       int height,
                                                                       korvel::plot::RenderFormat format,
                                                                       std::string* output,
                                                                       std::string* error);

#endif  // KORVEL_TOOLS_PLOT_RENDER_ENTRY_H
