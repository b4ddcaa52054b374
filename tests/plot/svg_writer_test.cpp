// The SVG of a figure: one polyline per segment per waveform carrying its
// name, escaped text, legends, and the same bytes every time.
#include "tools/plot/svg_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "support/recorded_waveforms.h"
#include "tools/plot/curve_reduction.h"
#include "tools/plot/figure_layout.h"

namespace korvel::plot {
namespace {

using korvel::testing::complexWaveform;
using korvel::testing::realWaveform;

size_t count(const std::string& text, const std::string& piece) {
  size_t found = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
    ++found;
  return found;
}

std::string svgOf(const std::vector<PanelSpec>& specs, const WaveformSet& set,
                  const std::string& title = "t") {
  Figure figure = buildFigure(title, specs, set, {});
  layoutFigure(&figure, defaultPageSize(figure));
  return writeSvg(figure);
}

class SweptSvgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<double> f = {1e9, 2e9, 3e9};
    gain_ = realWaveform(f, {{10, 20, 30}, {11, 21, 31}, {12, 22, 32}, {13, 23, 33}}, "Gain", "db(y)", true);
    gain_.parameters = {{"temp", "", 2, {-40, 85}}, {"vdd", "", 2, {2.7, 3.3}}};
    s21_ = complexWaveform(f,
                           {{{1, 0}, {2, 0}, {3, 0}},
                            {{1, 1}, {2, 1}, {3, 1}},
                            {{1, 2}, {2, 2}, {3, 2}},
                            {{1, 3}, {2, 3}, {3, 3}}},
                           "-", "db(y)");
    s21_.parameters = gain_.parameters;
    set_ = {{"Gain-Par/Gmax", &gain_}, {"S-Par/S(2,1)", &s21_}};
  }
  host::RecordedWaveform gain_;
  host::RecordedWaveform s21_;
  WaveformSet set_;
};

TEST_F(SweptSvgTest, OnePolylinePerSegmentPerWaveform) {
  std::string svg = svgOf({{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}}}, set_);
  EXPECT_EQ(count(svg, "<polyline "), 8u);
  for (const char* name : {"Gain-Par/Gmax", "S-Par/S(2,1)"}) {
    for (int segment = 0; segment < 4; ++segment) {
      std::string opening = std::string("<polyline data-waveform=\"") + name + "\" data-segment=\"" +
                            std::to_string(segment) + "\" data-part=\"db\"";
      EXPECT_EQ(count(svg, opening), 1u) << opening;
    }
  }
}

TEST_F(SweptSvgTest, LegendsNameTheSweepValuesAndTheWaveforms) {
  std::string svg = svgOf({{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}}}, set_);
  for (const char* text : {">temp = -40, vdd = 2.7</text>", ">temp = 85, vdd = 2.7</text>",
                           ">temp = -40, vdd = 3.3</text>", ">temp = 85, vdd = 3.3</text>", ">Gmax</text>",
                           ">S(2,1)</text>", ">All</text>", ">Gain (dB)</text>", ">Frequency (GHz)</text>"}) {
    EXPECT_EQ(count(svg, text), 1u) << text;
  }
}

TEST_F(SweptSvgTest, ReductionLeavesCurvesOfFewPointsAsTheyAre) {
  std::vector<PanelSpec> specs = {{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}},
                                  {"Smith", PanelKind::kSmith, {"S-Par/S(2,1)"}}};
  Figure figure = buildFigure("t", specs, set_, {});
  layoutFigure(&figure, defaultPageSize(figure));
  std::string whole = writeSvg(figure);
  reduceCurves(&figure);
  EXPECT_EQ(writeSvg(figure), whole);
}

TEST_F(SweptSvgTest, IsTheSameEveryTime) {
  std::vector<PanelSpec> specs = {{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}},
                                  {"Smith", PanelKind::kSmith, {"S-Par/S(2,1)"}}};
  EXPECT_EQ(svgOf(specs, set_), svgOf(specs, set_));
}

TEST(SvgTest, EscapesNamesAndTitles) {
  host::RecordedWaveform waveform = realWaveform({1e9, 2e9}, {{1, 2}}, "-", "");
  WaveformSet set = {{"Odd/a<b>&\"c'", &waveform}};
  std::string svg = svgOf({{"<Panel & co>", PanelKind::kCartesian, {"Odd/a<b>&\"c'"}}}, set, "x&y.s2p");
  EXPECT_NE(svg.find("data-waveform=\"Odd/a&lt;b&gt;&amp;&quot;c&apos;\""), std::string::npos);
  EXPECT_NE(svg.find(">x&amp;y.s2p</text>"), std::string::npos);
  EXPECT_NE(svg.find(">&lt;Panel &amp; co&gt;</text>"), std::string::npos);
  EXPECT_EQ(svg.find("a<b"), std::string::npos);
}

struct EscapeCase {
  std::string raw;
  std::string escaped;
};

class XmlEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(XmlEscapeTest, KeepsOnlyWellFormedText) { EXPECT_EQ(xmlEscape(GetParam().raw), GetParam().escaped); }

INSTANTIATE_TEST_SUITE_P(Texts, XmlEscapeTest,
                         ::testing::Values(EscapeCase{"S(2,1)", "S(2,1)"}, EscapeCase{"in^2", "in^2"},
                                           EscapeCase{"Ω µ", "Ω µ"},
                                           EscapeCase{"a\x01"
                                                      "b",
                                                      "a?b"},
                                           EscapeCase{"\xff\xfe", "??"}, EscapeCase{"\xc0\x80", "??"},
                                           EscapeCase{"\xed\xa0\x80", "???"}, EscapeCase{"caf\xc3", "caf?"},
                                           EscapeCase{"<&>", "&lt;&amp;&gt;"}));

TEST(SvgTest, BrokenPointsSplitACurveIntoRuns) {
  host::RecordedWaveform s =
      complexWaveform({1e9, 2e9, 3e9, 4e9, 5e9}, {{{1, 0}, {1, 0}, {0, 0}, {1, 0}, {1, 0}}}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(1,1)", &s}};
  std::string svg = svgOf({{"R", PanelKind::kCartesian, {"S-Par/S(1,1)"}}}, set);
  EXPECT_EQ(count(svg, "<polyline data-waveform=\"S-Par/S(1,1)\" data-segment=\"0\""), 2u);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

TEST(SvgTest, PolylinePointsAreThePixelsOfTheModel) {
  host::RecordedWaveform z = realWaveform({1e9, 3e9}, {{50, 50}}, "Ohms", "");
  WaveformSet set = {{"Zo/Zo(1)", &z}};
  Figure figure = buildFigure("t", {{"Zo", PanelKind::kCartesian, {"Zo/Zo(1)"}}}, set, {});
  layoutFigure(&figure, {400, 300});
  std::string svg = writeSvg(figure);
  Point first = figure.panels[0].toPixel({1e9, 50});
  char expected[64];
  std::snprintf(expected, sizeof expected, "points=\"%.2f,%.2f ", first.x, first.y);
  EXPECT_NE(svg.find(expected), std::string::npos) << expected;
  EXPECT_NE(svg.find("width=\"400.00\" height=\"300.00\""), std::string::npos);
}

// Page positions of points and the indices the column envelope keeps.
struct EnvelopeCase {
  std::string name;
  std::vector<Point> pixels;
  std::vector<size_t> columnKept;
  std::vector<size_t> pixelKept;
};

class EnvelopeTest : public ::testing::TestWithParam<EnvelopeCase> {};

TEST_P(EnvelopeTest, KeepsTheEndsAndExtremesOfEachColumnInOrder) {
  EXPECT_EQ(columnEnvelope(GetParam().pixels), GetParam().columnKept);
  EXPECT_EQ(pixelRunEnds(GetParam().pixels), GetParam().pixelKept);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, EnvelopeTest,
    ::testing::Values(
        EnvelopeCase{"Empty", {}, {}, {}}, EnvelopeCase{"OnePoint", {{10.5, 3}}, {0}, {0}},
        EnvelopeCase{"OnePerColumnKeepsAll", {{10.5, 3}, {11.5, 9}, {12.5, 1}}, {0, 1, 2}, {0, 1, 2}},
        // Column 10: first 0, lowest y 2, highest y 3, last 4; column 11: one point.
        EnvelopeCase{"ExtremesBetweenTheEnds",
                     {{10.0, 5}, {10.2, 6}, {10.4, 1}, {10.6, 9}, {10.8, 5.5}, {11.0, 4}},
                     {0, 2, 3, 4, 5},
                     {0, 1, 2, 3, 4, 5}},
        // The highest point first: kept once, in its place.
        EnvelopeCase{"ExtremeAtAnEnd", {{3.1, 9}, {3.5, 2}, {3.6, 4}, {3.9, 3}}, {0, 1, 3}, {0, 1, 2, 3}},
        // A column left and come back to is two runs.
        EnvelopeCase{"ColumnReturnedTo",
                     {{1.1, 0}, {1.2, 5}, {1.3, 1}, {2.5, 0}, {1.4, 3}, {1.5, 2}, {1.6, 4}},
                     {0, 1, 2, 3, 4, 5, 6},
                     {0, 1, 2, 3, 4, 5, 6}},
        // Within one pixel only the first and last of a run stay on a chart.
        EnvelopeCase{"OnePixel",
                     {{4.1, 7.1}, {4.5, 7.9}, {4.9, 7.5}, {4.2, 7.2}, {5.1, 7.2}},
                     {0, 1, 3, 4},
                     {0, 3, 4}}),
    [](const ::testing::TestParamInfo<EnvelopeCase>& row) { return row.param.name; });

struct DashCase {
  std::string dash;
  double period;
};

class DashPeriodTest : public ::testing::TestWithParam<DashCase> {};

TEST_P(DashPeriodTest, IsTheLengthAfterWhichThePatternRepeats) {
  EXPECT_DOUBLE_EQ(dashPeriod(GetParam().dash), GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Patterns, DashPeriodTest,
                         ::testing::Values(DashCase{"", 0}, DashCase{"8 4", 12}, DashCase{"10 3 2 3", 18},
                                           DashCase{"5", 10}, DashCase{"4 2 1", 14}));

// A curve of 20,000 points that jumps about, broken by points without a
// picture where a stretch of points taken together (a power of two of
// them) would end: reduced, every pixel column of its panel still reaches
// the same lowest and highest pixel and starts and ends at the same
// points, with at most four points kept per column of each run, and each
// run is one line.
TEST(CurveReductionTest, KeepsEachColumnsEnvelopeOfALongCurve) {
  std::vector<double> f;
  std::vector<double> values;
  uint32_t state = 12345;
  const std::set<int> breaks = {256, 1024, 4095};
  for (int i = 0; i < 20000; ++i) {
    state = state * 1664525u + 1013904223u;
    f.push_back(1e9 + 1e5 * i);
    values.push_back(breaks.count(i) != 0
                         ? std::nan("")
                         : 1 + static_cast<double>(state >> 8) / (1u << 24) * std::sin(i * 0.001));
  }
  host::RecordedWaveform k = realWaveform(f, {values}, "-", "");
  WaveformSet set = {{"Gain-Par/K", &k}};
  Figure figure = buildFigure("t", {{"K", PanelKind::kCartesian, {"Gain-Par/K"}}}, set, {});
  layoutFigure(&figure, {800, 400});
  const Panel& panel = figure.panels[0];
  // Pixels as the SVG writes them, to the hundredth.
  auto written = [&](Point data) {
    Point at = panel.toPixel(data);
    return Point{std::round(at.x * 100) / 100, std::round(at.y * 100) / 100};
  };
  struct Column {
    double low = INFINITY;
    double high = -INFINITY;
    double first = 0;
    double last = 0;
    int count = 0;
  };
  auto columns = [&](const std::vector<Point>& points, std::map<double, Column>* found) {
    for (const Point& point : points) {
      if (!std::isfinite(point.y)) continue;
      Point at = written(point);
      Column& column = (*found)[std::floor(at.x)];
      if (column.count++ == 0) column.first = point.x;
      column.last = point.x;
      column.low = std::min(column.low, at.y);
      column.high = std::max(column.high, at.y);
    }
  };
  std::map<double, Column> whole;
  columns(figure.panels[0].curves[0].points, &whole);
  reduceCurves(&figure);
  const Curve& curve = figure.panels[0].curves[0];
  ASSERT_TRUE(curve.reduced);
  ASSERT_EQ(curve.strokes.size(), breaks.size() + 1);
  std::map<double, Column> kept;
  // The runs' columns, each counted once per run it is in.
  std::map<double, int> runsIn;
  for (const std::vector<Point>& stroke : curve.strokes) {
    columns(stroke, &kept);
    std::map<double, Column> own;
    columns(stroke, &own);
    for (const auto& [x, column] : own) ++runsIn[x];
  }
  ASSERT_EQ(kept.size(), whole.size());
  size_t points = 0;
  for (const auto& [x, column] : whole) {
    const Column& reduced = kept[x];
    EXPECT_EQ(reduced.low, column.low) << x;
    EXPECT_EQ(reduced.high, column.high) << x;
    EXPECT_EQ(reduced.first, column.first) << x;
    EXPECT_EQ(reduced.last, column.last) << x;
    EXPECT_LE(reduced.count, std::min(column.count, 4 * runsIn[x])) << x;
    points += static_cast<size_t>(reduced.count);
  }
  EXPECT_LT(points, 4 * whole.size() + 4 * breaks.size());
  std::string svg = writeSvg(figure);
  EXPECT_EQ(count(svg, "<polyline "), 0u);
  EXPECT_EQ(count(svg, "<path data-waveform=\"Gain-Par/K\""), 1u);
  EXPECT_LT(svg.size(), 60000u);
}

// Random reflections, more than the chart has pixels.
struct ScribbleCase {
  std::string name;
  // Reflection i of n from `next`, which draws uniformly from [0, 1).
  std::complex<double> (*value)(int i, int n, const std::function<double()>& next);
};

std::complex<double> squareScribble(int, int, const std::function<double()>& next) {
  double re = next() * 1.2 - 0.6;
  return {re, next() * 1.2 - 0.6};
}

// Lines from the centre outwards and back at a slowly turning angle, in a
// ring about the centre whose hole no line crosses.
std::complex<double> ringScribble(int i, int n, const std::function<double()>& next) {
  double magnitude = 0.2 + 0.6 * next();
  return std::polar(magnitude, -25.0 * i / n + 0.2 * next() - 0.1);
}

// Two clusters far apart, the curve going from one to the other only
// across a point without a picture: no line joins them.
std::complex<double> twoIslands(int i, int, const std::function<double()>& next) {
  // Every 997th point: the gaps fall at every offset along the curve.
  if (i % 997 == 996) return {std::nan(""), 0};
  double side = (i / 997) % 2 == 0 ? -0.5 : 0.5;
  return {side + 0.2 * next() - 0.1, 0.2 * next() - 0.1};
}

class ScribbleTest : public ::testing::TestWithParam<ScribbleCase> {};

// Drawn as the area they cover, which holds every point and every
// segment's middle, as one path of far fewer rectangles than points.
TEST_P(ScribbleTest, DrawsAScribbleDenserThanTheChartAsItsCoverage) {
  std::vector<double> f;
  std::vector<std::complex<double>> values;
  uint32_t state = 99;
  std::function<double()> next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / (1u << 24);
  };
  constexpr int kPoints = 60000;
  for (int i = 0; i < kPoints; ++i) {
    f.push_back(1e9 + 1e5 * i);
    values.push_back(GetParam().value(i, kPoints, next));
  }
  host::RecordedWaveform s = complexWaveform(f, {values}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(1,1)", &s}};
  Figure figure = buildFigure("t", {{"Smith", PanelKind::kSmith, {"S-Par/S(1,1)"}}}, set, {});
  layoutFigure(&figure, {300, 300});
  const Panel& panel = figure.panels[0];
  ASSERT_LT(panel.plot.width * panel.plot.height, 60000);
  // A curve this long is read from the waveform in place, not held.
  EXPECT_TRUE(panel.curves[0].points.empty());
  std::vector<Point> points = partPoints(s, 0, Display::kDbAmplitude, Part::kReflection);
  reduceCurves(&figure);
  const Curve& curve = figure.panels[0].curves[0];
  ASSERT_TRUE(curve.reduced);
  EXPECT_TRUE(curve.strokes.empty());
  ASSERT_FALSE(curve.coverage.empty());
  EXPECT_LT(curve.coverage.size(), points.size() / 20);
  auto covered = [&](Point at) {
    return std::any_of(curve.coverage.begin(), curve.coverage.end(), [&](const Rect& rect) {
      return at.x >= rect.x && at.x <= rect.x + rect.width && at.y >= rect.y && at.y <= rect.y + rect.height;
    });
  };
  auto drawn = [&](size_t i) { return std::isfinite(points[i].x) && std::isfinite(points[i].y); };
  for (size_t i = 0; i < points.size(); i += 97) {
    if (!drawn(i)) continue;
    Point at = panel.toPixel(points[i]);
    EXPECT_TRUE(covered(at)) << i;
    if (i + 1 < points.size() && drawn(i + 1)) {
      Point after = panel.toPixel(points[i + 1]);
      EXPECT_TRUE(covered({(at.x + after.x) / 2, (at.y + after.y) / 2})) << i;
    }
  }
  // Every line between two points, all along, lies on a covered cell:
  // the rectangles, less their widening, laid back onto the cells.
  const double pad = kCurveWidth / 2 - kCoverageCell / 2;
  auto cellOf = [&](double pixel) { return static_cast<long>(std::floor(pixel / kCoverageCell)); };
  std::set<std::pair<long, long>> cells;
  for (const Rect& rect : curve.coverage) {
    for (long x = cellOf(rect.x + pad + 0.01); x <= cellOf(rect.x + rect.width - pad - 0.01); ++x) {
      for (long y = cellOf(rect.y + pad + 0.01); y <= cellOf(rect.y + rect.height - pad - 0.01); ++y)
        cells.insert({x, y});
    }
  }
  // And no cell is covered that no line comes near: the cells the lines
  // pass through, looked at every quarter of a cell, and those beside them.
  const long side = cellOf(300) + 2;
  std::vector<char> lined(static_cast<size_t>(side * side), 0);
  auto at = [&](long x, long y) -> char* {
    if (x < -1 || y < -1 || x + 1 >= side || y + 1 >= side) return nullptr;
    return &lined[static_cast<size_t>((y + 1) * side + x + 1)];
  };
  size_t uncovered = 0;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    if (!drawn(i) || !drawn(i + 1)) continue;
    Point from = panel.toPixel(points[i]);
    Point to = panel.toPixel(points[i + 1]);
    for (double t = 0.02; t < 0.98; t += 0.01) {
      Point along{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)};
      if (cells.count({cellOf(along.x), cellOf(along.y)}) == 0) ++uncovered;
    }
    double steps = std::ceil(std::hypot(to.x - from.x, to.y - from.y) / kCoverageCell * 4) + 1;
    for (double k = 0; k <= steps; ++k) {
      char* cell =
          at(cellOf(from.x + k / steps * (to.x - from.x)), cellOf(from.y + k / steps * (to.y - from.y)));
      if (cell != nullptr) *cell = 1;
    }
  }
  EXPECT_EQ(uncovered, 0u);
  size_t unlined = 0;
  for (const auto& [x, y] : cells) {
    bool near = false;
    for (long dy = -1; dy <= 1; ++dy) {
      for (long dx = -1; dx <= 1; ++dx)
        near = near || (at(x + dx, y + dy) != nullptr && *at(x + dx, y + dy) != 0);
    }
    if (!near) ++unlined;
  }
  EXPECT_EQ(unlined, 0u);
  std::string svg = writeSvg(figure);
  EXPECT_EQ(count(svg, "<path data-waveform=\"S-Par/S(1,1)\""), 1u);
  EXPECT_EQ(count(svg, "<polyline data-waveform"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Scribbles, ScribbleTest,
                         ::testing::Values(ScribbleCase{"InASquare", squareScribble},
                                           ScribbleCase{"InARing", ringScribble},
                                           ScribbleCase{"OnTwoIslands", twoIslands}),
                         [](const ::testing::TestParamInfo<ScribbleCase>& row) { return row.param.name; });

// Long curves read from the waveform in place, reduced against the same
// figure whose curves hold every point: the same SVG, byte for byte.
struct InPlaceCase {
  std::string name;
  PanelKind kind;
  bool power;  // a real, power-like waveform (gains) instead of two complex ones
  // The value at point i of n, from a generator seeded the same every run.
  std::complex<double> (*value)(size_t i, size_t n, std::mt19937* random);
};

std::complex<double> scatter(size_t, size_t, std::mt19937* random) {
  std::uniform_real_distribution<double> part(-0.8, 0.8);
  return {part(*random), part(*random)};
}

// A filter's roll-off with a little noise, a zero (-inf dB), a NaN and a
// magnitude too small for its square to be a normal double on the way.
std::complex<double> rollOff(size_t i, size_t n, std::mt19937* random) {
  if (i == n / 3) return {0, 0};
  if (i == n / 2) return {std::nan(""), 0};
  if (i == 2 * n / 3) return {1e-160, 0};
  std::normal_distribution<double> noise(0, 1e-4);
  double f = static_cast<double>(i) / static_cast<double>(n);
  return std::complex<double>(1.0 / (1.0 + 30 * f * f * f), noise(*random)) * std::polar(1.0, -20.0 * f);
}

// Gains in dB of a power: some not above zero, which have no picture.
std::complex<double> powerGain(size_t i, size_t, std::mt19937* random) {
  std::uniform_real_distribution<double> part(-0.5, 100);
  return i % 977 == 0 ? 0.0 : part(*random);
}

// Curves that end in a point without a picture, so that the last drawn
// point is not alone at the right edge of the axis: dashed scatters this
// dense then double back over their dashes in every pixel column, all
// along; a level that hums within a few hundredths of a pixel, but for a
// few drops far below, nowhere: its dashes are seen along it.
std::complex<double> humToANaN(size_t i, size_t n, std::mt19937* random) {
  std::uniform_real_distribution<double> hum(-1e-4, 1e-4);
  if (i + 1 == n) return {std::nan(""), 0};
  return i % 5000 == 2500 ? 0.05 : 0.5 * (1 + hum(*random));
}

std::complex<double> scatterToANaN(size_t i, size_t n, std::mt19937* random) {
  std::complex<double> value = scatter(i, n, random);
  return i + 1 == n ? std::complex<double>(std::nan(""), 0) : value;
}

std::complex<double> powerGainToANaN(size_t i, size_t n, std::mt19937* random) {
  std::complex<double> value = powerGain(i, n, random);
  return i + 1 == n ? std::complex<double>(std::nan(""), 0) : value;
}

// A ripple of a few pixels, about one wave to a pixel column: a dashed
// curve climbs and falls within each column without doubling back often
// enough to fill its dashes (ending in a point without a picture, as
// above).
std::complex<double> rippleToANaN(size_t i, size_t n, std::mt19937*) {
  if (i + 1 == n) return {std::nan(""), 0};
  return {0.5 * (1 + 0.002 * std::sin(0.0628 * static_cast<double>(i))), 0};
}

std::complex<double> slowSpiral(size_t i, size_t n, std::mt19937*) {
  double f = static_cast<double>(i) / static_cast<double>(n);
  return std::polar(0.2 + 0.7 * f, -30.0 * f);
}

class InPlaceReductionTest : public ::testing::TestWithParam<InPlaceCase> {};

TEST_P(InPlaceReductionTest, ReducesAsTheHeldPointsWould) {
  const InPlaceCase& param = GetParam();
  constexpr size_t kPoints = 60000;  // more than any page draws point for point
  std::mt19937 random(11);
  std::vector<double> f(kPoints);
  std::vector<std::complex<double>> first(kPoints);
  std::vector<std::complex<double>> second(kPoints);
  std::vector<double> gain(kPoints);
  for (size_t i = 0; i < kPoints; ++i) {
    f[i] = 1e9 + 1e4 * static_cast<double>(i);
    first[i] = param.value(i, kPoints, &random);
    second[i] = param.value(i, kPoints, &random) * 0.8;
    gain[i] = first[i].real();
  }
  host::RecordedWaveform a = complexWaveform(f, {first}, "-", "db(y)");
  host::RecordedWaveform b = complexWaveform(f, {second}, "-", "db(y)");
  host::RecordedWaveform g = realWaveform(f, {gain}, "", "db(y)", true);
  host::RecordedWaveform k = realWaveform(f, {gain}, "-", "");
  WaveformSet set = param.power ? WaveformSet{{"Gain-Par/Gmax", &g}, {"Gain-Par/K", &k}}
                                : WaveformSet{{"S-Par/S(1,1)", &a}, {"S-Par/S(2,2)", &b}};
  std::vector<std::string> names;
  for (const auto& [name, waveform] : set) names.push_back(name);
  Figure inPlace = buildFigure("t", {{"p", param.kind, names}}, set, {});
  layoutFigure(&inPlace, {700, 460});
  Figure held = inPlace;
  for (Curve& curve : held.panels[0].curves) {
    ASSERT_TRUE(curve.points.empty());
    curve.points = partPoints(*curve.source, curve.segment, curve.display, curve.part);
  }
  reduceCurves(&inPlace);
  reduceCurves(&held);
  std::string svg = writeSvg(inPlace);
  EXPECT_EQ(svg, writeSvg(held));
  EXPECT_LT(svg.size(), 2000000u);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, InPlaceReductionTest,
    ::testing::Values(InPlaceCase{"ScatterInDb", PanelKind::kCartesian, false, scatter},
                      InPlaceCase{"RollOffInDb", PanelKind::kCartesian, false, rollOff},
                      InPlaceCase{"RollOffPhase", PanelKind::kPhase, false, rollOff},
                      InPlaceCase{"PowerGainsInDbAndAsTheyAre", PanelKind::kCartesian, true, powerGain},
                      InPlaceCase{"ScatterInDbToANaN", PanelKind::kCartesian, false, scatterToANaN},
                      InPlaceCase{"HumInDbToANaN", PanelKind::kCartesian, false, humToANaN},
                      InPlaceCase{"PowerGainsToANaN", PanelKind::kCartesian, true, powerGainToANaN},
                      InPlaceCase{"RippleInDbToANaN", PanelKind::kCartesian, false, rippleToANaN},
                      InPlaceCase{"ScatterOnASmithChart", PanelKind::kSmith, false, scatter},
                      InPlaceCase{"SpiralOnASmithChart", PanelKind::kSmith, false, slowSpiral}),
    [](const ::testing::TestParamInfo<InPlaceCase>& row) { return row.param.name; });

}  // namespace
}  // namespace korvel::plot
