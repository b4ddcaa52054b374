// PNG and PDF rendered from the tool's SVG.
#include "tools/plot/svg_render.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>

#include "support/recorded_waveforms.h"
#include "tools/plot/curve_reduction.h"
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

cairo_surface_t* pngImage(const std::string& svg, PageSize size) {
  std::string png;
  std::string error;
  if (!renderSvg(svg, size.width, size.height, RenderFormat::kPng, &png, &error)) return nullptr;
  PngReader reader{&png};
  cairo_surface_t* image = cairo_image_surface_create_from_png_stream(readPng, &reader);
  cairo_surface_flush(image);
  return image;
}

// A long curve drawn reduced against the same curve drawn whole.
struct ReductionCase {
  std::string name;
  size_t points;
  PanelKind kind;
  size_t smaller;  // the reduced SVG is at least this many times smaller
  // The value at point i of n, from a generator seeded the same every run.
  std::complex<double> (*value)(size_t i, size_t n, std::mt19937* random);
};

std::complex<double> randomValue(size_t, size_t, std::mt19937* random) {
  std::uniform_real_distribution<double> part(-0.7, 0.7);
  return {part(*random), part(*random)};
}

// A resonance with a little measurement noise on top.
std::complex<double> noisyResonance(size_t i, size_t n, std::mt19937* random) {
  std::normal_distribution<double> noise(0, 0.002);
  double f = static_cast<double>(i) / static_cast<double>(n);
  std::complex<double> pole = 1.0 / std::complex<double>(1.0, 40.0 * (f - 0.5));
  return 0.9 * pole * std::polar(1.0, -12.0 * f) + std::complex<double>(noise(*random), noise(*random));
}

// A smooth spiral that turns many times: many points per pixel, few runs
// over each.
std::complex<double> spiral(size_t i, size_t n, std::mt19937*) {
  double f = static_cast<double>(i) / static_cast<double>(n);
  return std::polar(0.2 + 0.7 * f, -60.0 * f);
}

class ReductionRenderTest : public ::testing::TestWithParam<ReductionCase> {};

// Two waveforms (the second drawn dashed) of the case's values, drawn on a
// page of 600 × 420 whole and reduced: the pictures agree but for the
// antialiasing of edge pixels (lines moved by less than a pixel) and, in a
// random scribble, the odd pixel where the whole curve's dashes leave a
// gap among its own wiggles.
TEST_P(ReductionRenderTest, DrawsWhatTheWholeCurveDraws) {
  const ReductionCase& param = GetParam();
  std::mt19937 random(7);
  std::vector<double> f(param.points);
  std::vector<std::complex<double>> first(param.points);
  std::vector<std::complex<double>> second(param.points);
  for (size_t i = 0; i < param.points; ++i) {
    f[i] = 1e9 + 1e4 * static_cast<double>(i);
    first[i] = param.value(i, param.points, &random);
    second[i] = param.value(i, param.points, &random) * 0.8;
  }
  host::RecordedWaveform a = korvel::testing::complexWaveform(f, {first}, "-", "db(y)");
  host::RecordedWaveform b = korvel::testing::complexWaveform(f, {second}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(1,1)", &a}, {"S-Par/S(2,2)", &b}};
  Figure figure = buildFigure("t", {{"p", param.kind, {"S-Par/S(1,1)", "S-Par/S(2,2)"}}}, set, {});
  PageSize size{600, 420};
  layoutFigure(&figure, size);
  std::string whole = writeSvg(figure);
  reduceCurves(&figure);
  std::string reduced = writeSvg(figure);
  EXPECT_LT(reduced.size() * param.smaller, whole.size());

  cairo_surface_t* wholeImage = pngImage(whole, size);
  cairo_surface_t* reducedImage = pngImage(reduced, size);
  ASSERT_NE(wholeImage, nullptr);
  ASSERT_NE(reducedImage, nullptr);
  size_t inked = 0;
  size_t differing = 0;
  int worst = 0;
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      Rgb one = pixelAt(wholeImage, x, y);
      Rgb other = pixelAt(reducedImage, x, y);
      if (distance(one, {255, 255, 255}) > 64) ++inked;
      int apart = distance(one, other);
      worst = std::max(worst, apart);
      if (apart > 64) ++differing;
    }
  }
  cairo_surface_destroy(wholeImage);
  cairo_surface_destroy(reducedImage);
  RecordProperty("differing", std::to_string(differing) + " of " + std::to_string(inked) + ", worst " +
                                  std::to_string(worst) + ", " + std::to_string(whole.size()) + " -> " +
                                  std::to_string(reduced.size()) + " bytes");
  EXPECT_LE(differing * 25, inked);
}

// (A random scribble over a Smith chart, which is drawn as its coverage,
// has no row here: cairo takes minutes to draw one of the size that needs
// it, every line crossing every other.)
INSTANTIATE_TEST_SUITE_P(
    Curves, ReductionRenderTest,
    ::testing::Values(
        ReductionCase{"RandomAgainstFrequency", 8000, PanelKind::kCartesian, 4, randomValue},
        ReductionCase{"NoisyResonanceAgainstFrequency", 40000, PanelKind::kCartesian, 10, noisyResonance},
        ReductionCase{"NoisyResonancePhase", 40000, PanelKind::kPhase, 10, noisyResonance},
        ReductionCase{"SpiralOnASmithChart", 40000, PanelKind::kSmith, 4, spiral},
        // Noise of a third of a pixel moves nearly every point to another
        // pixel of the chart: little to drop.
        ReductionCase{"NoisyResonanceOnASmithChart", 40000, PanelKind::kSmith, 1, noisyResonance}),
    [](const ::testing::TestParamInfo<ReductionCase>& row) { return row.param.name; });

TEST(RenderFailureTest, RefusesTextThatIsNotSvg) {
  std::string out = "stale";
  std::string error;
  EXPECT_FALSE(renderSvg("<svg", 100, 100, RenderFormat::kPng, &out, &error));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace korvel::plot
