// SVG to PNG and PDF through librsvg and cairo: the rendering module's
// code. Nothing else of the tool links these libraries.
#include <cairo-pdf.h>
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <memory>
#include <type_traits>

#include "tools/plot/render_entry.h"

namespace korvel::plot {

namespace {

struct SurfaceRelease {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextRelease {
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct HandleRelease {
  void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
using Context = std::unique_ptr<cairo_t, ContextRelease>;
using Handle = std::unique_ptr<RsvgHandle, HandleRelease>;

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

Surface surfaceFor(RenderFormat format, int width, int height, std::string* output) {
  if (format == RenderFormat::kPng)
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  return Surface(cairo_pdf_surface_create_for_stream(appendBytes, output, width, height));
}

Handle parse(const std::string& svg, std::string* error) {
  GError* failure = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &failure);
  if (handle == nullptr) {
    *error = failure != nullptr ? failure->message : "the SVG cannot be read";
    if (failure != nullptr) g_error_free(failure);
  }
  return Handle(handle);
}

bool draw(RsvgHandle* handle, cairo_t* context, int width, int height, std::string* error) {
  cairo_set_source_rgb(context, 1, 1, 1);
  cairo_paint(context);
  RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
  GError* failure = nullptr;
  if (!rsvg_handle_render_document(handle, context, &viewport, &failure)) {
    *error = failure != nullptr ? failure->message : "the SVG cannot be drawn";
    if (failure != nullptr) g_error_free(failure);
    return false;
  }
  return true;
}

bool rasterize(const std::string& svg, int width, int height, RenderFormat format, std::string* output,
               std::string* error) {
  output->clear();
  Handle handle = parse(svg, error);
  if (!handle) return false;
  std::string pdf;
  Surface surface = surfaceFor(format, width, height, &pdf);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(cairo_surface_status(surface.get()));
    return false;
  }
  {
    Context context(cairo_create(surface.get()));
    if (!draw(handle.get(), context.get(), width, height, error)) return false;
  }
  if (format == RenderFormat::kPdf) {
    cairo_surface_finish(surface.get());
  } else {
    cairo_surface_flush(surface.get());
  }
  cairo_status_t status = format == RenderFormat::kPng
                              ? cairo_surface_write_to_png_stream(surface.get(), appendBytes, output)
                              : cairo_surface_status(surface.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = cairo_status_to_string(status);
    output->clear();
    return false;
  }
  if (format == RenderFormat::kPdf) *output = std::move(pdf);
  return true;
}

}  // namespace

}  // namespace korvel::plot

extern "C" bool korvelRenderSvg(const std::string* svg, int width, int height,
                                korvel::plot::RenderFormat format, std::string* output, std::string* error) {
  static_assert(std::is_same_v<decltype(&korvelRenderSvg), korvel::plot::RenderEntry>);
  return korvel::plot::rasterize(*svg, width, height, format, output, error);
}
