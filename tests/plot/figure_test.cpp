// The figure model: curves, colours, legends, reference lines and the Smith
// chart, checked without drawing.
#include "tools/plot/figure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "support/recorded_waveforms.h"
#include "tools/plot/block_extremes.h"
#include "tools/plot/figure_layout.h"

namespace korvel::plot {
namespace {

using korvel::testing::complexWaveform;
using korvel::testing::realWaveform;

const std::vector<double> kFrequencies = {1e9, 2e9, 3e9};

host::RecordedWaveform sweptGain() {
  host::RecordedWaveform waveform =
      realWaveform(kFrequencies, {{10, 11, 12}, {20, 21, 22}, {30, 31, 32}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
                   "Gain", "db(y)", true);
  waveform.parameters = {{"temp", "", 2, {-40, 85}}, {"vdd", "", 3, {2.7, 3.0, 3.3}}};
  return waveform;
}

Figure placed(Figure figure) {
  layoutFigure(&figure, defaultPageSize(figure));
  return figure;
}

TEST(SweepLabelTest, NamesEveryParameterTheFirstVaryingFastest) {
  std::vector<host::RecordedParameter> parameters = {{"temp", "", 2, {-40, 85}},
                                                     {"vdd", "", 3, {2.7, 3.0, 3.3}}};
  EXPECT_EQ(sweepLabel(parameters, 0), "temp = -40, vdd = 2.7");
  EXPECT_EQ(sweepLabel(parameters, 1), "temp = 85, vdd = 2.7");
  EXPECT_EQ(sweepLabel(parameters, 2), "temp = -40, vdd = 3");
  EXPECT_EQ(sweepLabel(parameters, 5), "temp = 85, vdd = 3.3");
  // A segment beyond the combinations (a file with more blocks than they
  // make) has no values, rather than those of another segment.
  EXPECT_EQ(sweepLabel(parameters, 6), "temp = ?, vdd = ?");
}

TEST(FigureTest, SweptFileGetsOneColourPerSegmentAndOneLegend) {
  host::RecordedWaveform gain = sweptGain();
  host::RecordedWaveform other = sweptGain();
  WaveformSet set = {{"Gain-Par/Gmax", &gain}, {"Gain-Par/Gmsg", &other}};
  Figure figure =
      buildFigure("t", {{"Gains", PanelKind::kCartesian, {"Gain-Par/Gmax", "Gain-Par/Gmsg"}}}, set, {});
  ASSERT_EQ(figure.sweepLegend.size(), 6u);
  EXPECT_EQ(figure.sweepLegend[3].label, "temp = 85, vdd = 3");
  ASSERT_EQ(figure.panels.size(), 1u);
  const Panel& panel = figure.panels[0];
  ASSERT_EQ(panel.curves.size(), 12u);
  for (size_t segment = 0; segment < 6; ++segment) {
    EXPECT_EQ(panel.curves[segment].colour, figure.sweepLegend[segment].colour);
    EXPECT_EQ(panel.curves[segment].colour, panel.curves[6 + segment].colour);
    EXPECT_NE(panel.curves[segment].dash, panel.curves[6 + segment].dash);
  }
  ASSERT_EQ(panel.legend.size(), 2u);
  EXPECT_EQ(panel.legend[0].label, "Gmax");
  EXPECT_NE(panel.legend[0].dash, panel.legend[1].dash);
}

TEST(FigureTest, DrawsOnlyTheSegmentsAskedFor) {
  host::RecordedWaveform gain = sweptGain();
  WaveformSet set = {{"Gain-Par/Gmax", &gain}};
  Figure figure = buildFigure("t", {{"Gains", PanelKind::kCartesian, {"Gain-Par/Gmax"}}}, set, {{4, 1}});
  ASSERT_EQ(figure.panels[0].curves.size(), 2u);
  EXPECT_EQ(figure.panels[0].curves[0].segment, 4u);
  ASSERT_EQ(figure.sweepLegend.size(), 2u);
  EXPECT_EQ(figure.sweepLegend[0].label, "temp = -40, vdd = 3.3");
}

TEST(FigureTest, UnsweptCurvesDifferInColourAndDash) {
  host::RecordedWaveform s21 = complexWaveform(kFrequencies, {{{1, 0}, {1, 0}, {1, 0}}}, "-", "db(y)");
  host::RecordedWaveform s12 = s21;
  WaveformSet set = {{"S-Par/S(2,1)", &s21}, {"S-Par/S(1,2)", &s12}};
  Figure figure = buildFigure("t", {{"T", PanelKind::kCartesian, {"S-Par/S(2,1)", "S-Par/S(1,2)"}}}, set, {});
  EXPECT_TRUE(figure.sweepLegend.empty());
  const Panel& panel = figure.panels[0];
  ASSERT_EQ(panel.curves.size(), 2u);
  EXPECT_NE(panel.curves[0].colour, panel.curves[1].colour);
  EXPECT_NE(panel.curves[0].dash, panel.curves[1].dash);
  EXPECT_EQ(panel.legend[1].colour, panel.curves[1].colour);
  // A flat 0 dB pair sits inside the frame, not on it.
  EXPECT_LT(panel.y.low, 0);
  EXPECT_GT(panel.y.high, 0);
  EXPECT_EQ(panel.y.label, "Magnitude (dB)");
  EXPECT_EQ(panel.x.label, "Frequency (GHz)");
}

TEST(FigureTest, GainsComeOutAtTheirTrueDecibels) {
  host::RecordedWaveform gmax = realWaveform(kFrequencies, {{100, 10, 1}}, "Gain", "db(y)", true);
  WaveformSet set = {{"Gain-Par/Gmax", &gmax}};
  Figure figure = buildFigure("t", {{"G", PanelKind::kCartesian, {"Gain-Par/Gmax"}}}, set, {});
  const Curve& curve = figure.panels[0].curves[0];
  EXPECT_NEAR(curve.points[0].y, 20, 1e-12);
  EXPECT_NEAR(curve.points[1].y, 10, 1e-12);
  EXPECT_NEAR(curve.points[2].y, 0, 1e-12);
  EXPECT_EQ(figure.panels[0].y.label, "Gain (dB)");
}

TEST(FigureTest, StabilityFactorGetsADashedLineAtOne) {
  host::RecordedWaveform k = realWaveform(kFrequencies, {{2, 3, 4}}, "-", "");
  WaveformSet set = {{"Gain-Par/K", &k}};
  Figure figure = buildFigure("t", {{"Stability", PanelKind::kCartesian, {"Gain-Par/K"}}}, set, {});
  const Panel& panel = figure.panels[0];
  ASSERT_EQ(panel.referenceLines.size(), 1u);
  EXPECT_EQ(panel.referenceLines[0], 1);
  EXPECT_LT(panel.y.low, 1);  // the line is in view although K stays above it
}

TEST(FigureTest, GroupDelayIsInPicoseconds) {
  host::RecordedWaveform delay = realWaveform(kFrequencies, {{2e-10, 2.5e-10, 3e-10}}, "s", "");
  WaveformSet set = {{"GroupDelay/GD(2,1)", &delay}};
  Figure figure = buildFigure("t", {{"GD", PanelKind::kCartesian, {"GroupDelay/GD(2,1)"}}}, set, {});
  EXPECT_EQ(figure.panels[0].y.label, "Group delay (ps)");
  EXPECT_EQ(figure.panels[0].y.tickLabel(2.5e-10), "250");
}

TEST(FigureTest, PhasePanelsTakeOnlyComplexWaveforms) {
  host::RecordedWaveform s21 = complexWaveform(kFrequencies, {{{0, 1}, {-1, 0}, {0, -1}}}, "-", "db(y)");
  host::RecordedWaveform k = realWaveform(kFrequencies, {{2, 3, 4}}, "-", "");
  WaveformSet set = {{"S-Par/S(2,1)", &s21}, {"Gain-Par/K", &k}};
  Figure figure = buildFigure("t",
                              {{"P", PanelKind::kPhase, {"S-Par/S(2,1)", "Gain-Par/K"}},
                               {"K phase", PanelKind::kPhase, {"Gain-Par/K"}}},
                              set, {});
  ASSERT_EQ(figure.panels.size(), 1u);  // the panel of K alone has nothing to draw
  const Panel& panel = figure.panels[0];
  ASSERT_EQ(panel.curves.size(), 1u);
  EXPECT_NEAR(panel.curves[0].points[2].y, 270, 1e-9);  // 90°, 180°, 270°: unwrapped
  EXPECT_EQ(panel.y.label, "Phase (deg)");
}

TEST(SmithChartTest, MatchedLoadAtTheCentreAndTotalReflectionOnTheRim) {
  host::RecordedWaveform s11 = complexWaveform(kFrequencies, {{{0, 0}, {1, 0}, {0, -1}}}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(1,1)", &s11}};
  Figure figure = placed(buildFigure("t", {{"Smith", PanelKind::kSmith, {"S-Par/S(1,1)"}}}, set, {}));
  const Panel& panel = figure.panels[0];
  EXPECT_DOUBLE_EQ(panel.plot.width, panel.plot.height);
  Point centre = panel.toPixel({0, 0});
  EXPECT_NEAR(centre.x, panel.plot.x + panel.plot.width / 2, 1e-9);
  EXPECT_NEAR(centre.y, panel.plot.y + panel.plot.height / 2, 1e-9);
  double rim = panel.plot.width / (panel.x.high - panel.x.low);
  const std::vector<Point>& gamma = panel.curves[0].points;
  Point matched = panel.toPixel(gamma[0]);
  EXPECT_NEAR(matched.x, centre.x, 1e-9);
  EXPECT_NEAR(matched.y, centre.y, 1e-9);
  for (size_t i : {1u, 2u}) {
    Point at = panel.toPixel(gamma[i]);
    EXPECT_NEAR(std::hypot(at.x - centre.x, at.y - centre.y), rim, 1e-9);
  }
  EXPECT_GT(panel.toPixel(gamma[1]).x, centre.x);  // open circuit to the right
  EXPECT_GT(panel.toPixel(gamma[2]).y, centre.y);  // capacitive half below
}

TEST(SmithChartTest, MarksFirstAndLastFrequency) {
  host::RecordedWaveform s11 = complexWaveform(kFrequencies, {{{0.5, 0}, {0, 0.5}, {-0.5, 0}}}, "-", "db(y)");
  host::RecordedWaveform gopt = complexWaveform({1e9, 2e9}, {{{0.1, 0}, {0.2, 0}}}, "-", "");
  WaveformSet set = {{"S-Par/S(1,1)", &s11}, {"Noise-Par/GammaOpt", &gopt}};
  Figure one = buildFigure("t", {{"Smith", PanelKind::kSmith, {"S-Par/S(1,1)"}}}, set, {});
  ASSERT_EQ(one.panels[0].markers.size(), 2u);
  EXPECT_TRUE(one.panels[0].markers[0].first);
  EXPECT_EQ(one.panels[0].markers[1].at.x, -0.5);
  EXPECT_EQ(one.panels[0].note, "● 1 GHz   ■ 3 GHz");
  // Curves over different grids name their own ends.
  Figure two =
      buildFigure("t", {{"Smith", PanelKind::kSmith, {"S-Par/S(1,1)", "Noise-Par/GammaOpt"}}}, set, {});
  EXPECT_EQ(two.panels[0].legend[1].label, "GammaOpt (1 GHz – 2 GHz)");
}

TEST(SmithChartTest, GrowsPastTheUnitCircleForActiveReflections) {
  host::RecordedWaveform s22 = complexWaveform(kFrequencies, {{{1.5, 0}, {0, 0}, {0, 0}}}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(2,2)", &s22}};
  Figure figure = buildFigure("t", {{"Smith", PanelKind::kSmith, {"S-Par/S(2,2)"}}}, set, {});
  EXPECT_GT(figure.panels[0].x.high, 1.5);
}

TEST(CurveRunsTest, NaNAndMinusInfinityBreakTheLine) {
  double nan = std::nan("");
  double inf = std::numeric_limits<double>::infinity();
  std::vector<Point> points = {{1, 1}, {2, 2}, {3, nan}, {4, 4}, {5, -inf}, {6, 6}, {7, 7}};
  std::vector<std::vector<Point>> runs = curveRuns(points);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].size(), 2u);
  EXPECT_EQ(runs[1].size(), 1u);
  EXPECT_EQ(runs[2].size(), 2u);
}

// A block of points whose extremes are looked for several at a time, and
// what a look point by point in order finds, which the fast look must
// match bit for bit wherever it calls itself settled.
struct ExtremesCase {
  std::string name;
  std::vector<double> frequencies;
  std::vector<double> keys;
  bool valueWhereNoKey;
  bool settled;
};

void PrintTo(const ExtremesCase& row, std::ostream* out) { *out << row.name; }

BlockExtremes extremesPointByPoint(const std::vector<double>& f, const std::vector<double>& keys) {
  double inf = std::numeric_limits<double>::infinity();
  BlockExtremes found{inf, -inf, inf, -inf, true};
  for (size_t i = 0; i < f.size(); ++i) {
    if (!std::isfinite(f[i])) continue;
    found.lowFrequency = f[i] < found.lowFrequency ? f[i] : found.lowFrequency;
    found.highFrequency = f[i] > found.highFrequency ? f[i] : found.highFrequency;
    found.lowKey = keys[i] < found.lowKey ? keys[i] : found.lowKey;
    found.highKey = keys[i] > found.highKey ? keys[i] : found.highKey;
  }
  return found;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// `count` points whose keys rise and fall, the extremes away from the
// ends, and the frequencies rising from 1 GHz.
ExtremesCase wavy(std::string name, size_t count) {
  ExtremesCase row{std::move(name), {}, {}, true, true};
  for (size_t i = 0; i < count; ++i) {
    row.frequencies.push_back(1e9 + 1e6 * static_cast<double>(i));
    row.keys.push_back(2 + std::sin(0.37 * static_cast<double>(i)));
  }
  return row;
}

ExtremesCase with(ExtremesCase row, size_t at, double frequency, double key, bool settled) {
  row.frequencies[at] = frequency;
  row.keys[at] = key;
  row.settled = settled;
  return row;
}

class BlockExtremesTest : public ::testing::TestWithParam<ExtremesCase> {};

TEST_P(BlockExtremesTest, AreThoseOfALookPointByPoint) {
  const ExtremesCase& row = GetParam();
  BlockExtremes fast =
      blockExtremes(row.frequencies.data(), row.keys.data(), row.frequencies.size(), row.valueWhereNoKey);
  EXPECT_EQ(fast.settled, row.settled);
  if (!fast.settled) return;
  BlockExtremes slow = extremesPointByPoint(row.frequencies, row.keys);
  EXPECT_TRUE(sameBits(fast.lowFrequency, slow.lowFrequency))
      << fast.lowFrequency << " " << slow.lowFrequency;
  EXPECT_TRUE(sameBits(fast.highFrequency, slow.highFrequency)) << fast.highFrequency;
  EXPECT_TRUE(sameBits(fast.lowKey, slow.lowKey)) << fast.lowKey << " " << slow.lowKey;
  EXPECT_TRUE(sameBits(fast.highKey, slow.highKey)) << fast.highKey << " " << slow.highKey;
}

const double kNaN = std::nan("");
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockExtremesTest,
    ::testing::Values(
        wavy("Empty", 0), wavy("OnePoint", 1), wavy("ThreePoints", 3), wavy("Block", 4096),
        wavy("OddLength", 4093), with(wavy("LowestKeyInTheTail", 4093), 4092, 1e9, 0.5, true),
        with(wavy("HighestFrequencyFirst", 64), 0, 5e9, 2, true),
        with(wavy("KeyOfAPointWithoutFrequencyLeftOut", 64), 9, kNaN, 100, true),
        with(wavy("InfiniteFrequencyLeftOut", 64), 10, kInf, 0.001, true),
        with(wavy("KeyThatIsNotANumberAsksForTheValue", 64), 11, 2e9, kNaN, false),
        with(with(wavy("KeylessPointWithoutFrequencyAsksNothing", 64), 12, -kInf, kNaN, true), 3, 1e9, 3.5,
             true),
        [] {
          ExtremesCase row = with(wavy("ValueThatIsNotANumberLeftOut", 64), 13, 2e9, kNaN, true);
          row.valueWhereNoKey = false;
          return row;
        }(),
        with(wavy("ZeroKeyLeftToTheOrder", 64), 14, 2e9, -0.0, false),
        with(wavy("ZeroFrequencyLeftToTheOrder", 64), 15, 0.0, 2, false),
        [] {
          ExtremesCase row = wavy("NoFiniteFrequency", 9);
          for (double& f : row.frequencies) f = kNaN;
          return row;
        }()),
    [](const ::testing::TestParamInfo<ExtremesCase>& row) { return row.param.name; });

}  // namespace
}  // namespace korvel::plot
