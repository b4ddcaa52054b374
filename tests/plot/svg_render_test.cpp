// PNG and PDF rendered from the tool's SVG.
#include "tools/plot/svg_render.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/recorded_waveforms.h"
#include "tools/plot/figure_layout.h"
#include "tools/plot/svg_writer.h"

namespace korvel::plot {
namespace {

struct PngReader {
  const std::string* bytes;
  size_t at = 0;
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->at + length > reader->bytes->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes->data() + reader->at, length);
  reader->at += length;
  return CAIRO_STATUS_SUCCESS;
}

struct Rgb {
  int red;
  int green;
  int blue;
};

Rgb hexColour(const std::string& hex) {
  unsigned value = static_cast<unsigned>(std::stoul(hex.substr(1), nullptr, 16));
  return {static_cast<int>(value >> 16), static_cast<int>((value >> 8) & 0xff),
          static_cast<int>(value & 0xff)};
}

Rgb pixelAt(cairo_surface_t* image, int x, int y) {
  const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
  uint32_t pixel;
  std::memcpy(&pixel, row + x * 4, 4);
  return {static_cast<int>((pixel >> 16) & 0xff), static_cast<int>((pixel >> 8) & 0xff),
          static_cast<int>(pixel & 0xff)};
}

int distance(Rgb a, Rgb b) {
  return std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

// A flat 50 Ω line from 1 to 3 GHz, on a page of 420 × 300.
class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    waveform_ = korvel::testing::realWaveform({1e9, 2e9, 3e9}, {{50, 50, 50}}, "Ohms", "");
    WaveformSet set = {{"Zo/Zo(1)", &waveform_}};
    figure_ = buildFigure("flat", {{"Zo", PanelKind::kCartesian, {"Zo/Zo(1)"}}}, set, {});
    layoutFigure(&figure_, {420, 300});
    svg_ = writeSvg(figure_);
  }
  host::RecordedWaveform waveform_;
  Figure figure_;
  std::string svg_;
};

TEST_F(RenderTest, PngHasThePageSizeAndTheCurveWhereTheModelPutsIt) {
  std::string png;
  std::string error;
  ASSERT_TRUE(renderSvg(svg_, 420, 300, RenderFormat::kPng, &png, &error)) << error;
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  PngReader reader{&png};
  cairo_surface_t* image = cairo_image_surface_create_from_png_stream(readPng, &reader);
  ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(image), 420);
  EXPECT_EQ(cairo_image_surface_get_height(image), 300);
  cairo_surface_flush(image);

  const Panel& panel = figure_.panels[0];
  Rgb curve = hexColour(panel.curves[0].colour);
  Point middle = panel.toPixel({2e9, 50});
  Rgb onCurve =
      pixelAt(image, static_cast<int>(std::floor(middle.x)), static_cast<int>(std::floor(middle.y)));
  EXPECT_LE(distance(onCurve, curve), 48) << onCurve.red << "," << onCurve.green << "," << onCurve.blue;
  // Well above the line inside the plot: no curve colour there.
  Rgb above =
      pixelAt(image, static_cast<int>(middle.x) + 3, static_cast<int>(panel.plot.y + panel.plot.height / 8));
  EXPECT_GT(distance(above, curve), 100);
  cairo_surface_destroy(image);
}

TEST_F(RenderTest, PdfHasAPdfHeader) {
  std::string pdf;
  std::string error;
  ASSERT_TRUE(renderSvg(svg_, 420, 300, RenderFormat::kPdf, &pdf, &error)) << error;
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

TEST(RenderFailureTest, RefusesTextThatIsNotSvg) {
  std::string out = "stale";
  std::string error;
  EXPECT_FALSE(renderSvg("<svg", 100, 100, RenderFormat::kPng, &out, &error));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace korvel::plot
