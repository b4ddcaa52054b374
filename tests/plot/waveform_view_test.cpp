// What received waveforms look like on a plot, following the display hints.
#include "tools/plot/waveform_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <string>
#include <vector>

#include "support/recorded_waveforms.h"

namespace korvel::plot {
namespace {

using korvel::testing::complexWaveform;
using korvel::testing::realWaveform;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct HintCase {
  const char* label;
  host::RecordedWaveform waveform;
  Display display;
  double expectedFirst;  // the first plotted value of the first part
};

class DisplayHintTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(DisplayHintTest, FollowsTheHints) {
  const HintCase& one = GetParam();
  EXPECT_EQ(displayOf(one.waveform), one.display);
  std::vector<Point> points = partPoints(one.waveform, 0, one.display, partsOf(one.display).front());
  ASSERT_FALSE(points.empty());
  EXPECT_NEAR(points[0].y, one.expectedFirst, 1e-9);
  EXPECT_EQ(points[0].x, 1e9);
}

// 100 as a power ratio is 20 dB; as an amplitude 40 dB.
INSTANTIATE_TEST_SUITE_P(
    Hints, DisplayHintTest,
    ::testing::Values(
        HintCase{"ComplexInDb", complexWaveform({1e9}, {{{3, 4}}}, "-", "db(y)"), Display::kDbAmplitude,
                 20 * std::log10(5.0)},
        HintCase{"PowerGainInDb", realWaveform({1e9}, {{100}}, "Gain", "db(y)", true), Display::kDbPower, 20},
        HintCase{"NoiseFactorInDb", realWaveform({1e9}, {{2}}, "NF", "db(y)", true), Display::kDbPower,
                 10 * std::log10(2.0)},
        HintCase{"RealAmplitudeInDb", realWaveform({1e9}, {{-100}}, "-", "db(y)"), Display::kDbAmplitude, 40},
        HintCase{"RealAndImaginary", complexWaveform({1e9}, {{{50, -20}}}, "Ohms", "imag(y) real(y)"),
                 Display::kRealImaginary, 50},
        HintCase{"ComplexWithoutHint", complexWaveform({1e9}, {{{0.3, 0.4}}}, "-", ""),
                 Display::kRealImaginary, 0.3},
        HintCase{"RealWithoutHint", realWaveform({1e9}, {{1.25}}, "-", ""), Display::kLinear, 1.25},
        HintCase{"GroupDelay", realWaveform({1e9}, {{2.5e-10}}, "s", ""), Display::kLinear, 2.5e-10}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(DisplayHintTest, PowerPropertyOnAComplexWaveformStaysAmplitude) {
  host::RecordedWaveform waveform = complexWaveform({1e9}, {{{10, 0}}}, "-", "db(y)");
  waveform.properties.insert(waveform.properties.begin(), {kPropertyPowerRatio, "1"});
  EXPECT_EQ(displayOf(waveform), Display::kDbAmplitude);
}

TEST(DisplayHintTest, RealAndImaginaryGiveTwoParts) {
  host::RecordedWaveform waveform =
      complexWaveform({1e9, 2e9}, {{{50, -20}, {40, 10}}}, "Ohms", "imag(y) real(y)");
  std::vector<Part> parts = partsOf(displayOf(waveform));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(partPoints(waveform, 0, Display::kRealImaginary, parts[1])[1].y, 10);
}

TEST(DecibelTest, ZeroIsMinusInfinityAndNegativePowerHasNoPicture) {
  EXPECT_EQ(amplitudeDecibels(0, 0), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(powerDecibels(0), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(powerDecibels(-1)));
  EXPECT_TRUE(std::isnan(amplitudeDecibels(kNaN, 0)));
}

TEST(PhaseTest, UnwrapsPastMinus180Degrees) {
  // -170°, 170° (= -190°), 150° (= -210°)
  auto rad = [](double degrees) { return degrees * M_PI / 180; };
  std::vector<double> re = {std::cos(rad(-170)), std::cos(rad(170)), std::cos(rad(150))};
  std::vector<double> im = {std::sin(rad(-170)), std::sin(rad(170)), std::sin(rad(150))};
  std::vector<double> phase = unwrappedPhaseDegrees(re, im);
  ASSERT_EQ(phase.size(), 3u);
  EXPECT_NEAR(phase[0], -170, 1e-9);
  EXPECT_NEAR(phase[1], -190, 1e-9);
  EXPECT_NEAR(phase[2], -210, 1e-9);
}

TEST(PhaseTest, NaNPointsStayNaNAndDoNotBreakTheUnwrapping) {
  auto rad = [](double degrees) { return degrees * M_PI / 180; };
  std::vector<double> re = {std::cos(rad(170)), kNaN, std::cos(rad(-170))};
  std::vector<double> im = {std::sin(rad(170)), kNaN, std::sin(rad(-170))};
  std::vector<double> phase = unwrappedPhaseDegrees(re, im);
  EXPECT_TRUE(std::isnan(phase[1]));
  EXPECT_NEAR(phase[2], 190, 1e-9);
}

TEST(PartPointsTest, ReadsNoMoreSamplesThanTheSegmentHolds) {
  host::RecordedWaveform waveform =
      complexWaveform({1e9, 2e9, 3e9}, {{{1, 0}, {1, 0}, {1, 0}}}, "-", "db(y)");
  waveform.segments[0].y.resize(3);  // one and a half complex samples
  waveform.segments[0].points = 3;
  EXPECT_EQ(partPoints(waveform, 0, Display::kDbAmplitude, Part::kDb).size(), 1u);
  EXPECT_TRUE(partPoints(waveform, 5, Display::kDbAmplitude, Part::kDb).empty());
}

TEST(PartPointsTest, ReflectionPointsAreTheComplexValues) {
  host::RecordedWaveform waveform = complexWaveform({1e9}, {{{0.25, -0.5}}}, "-", "db(y)");
  std::vector<Point> points = partPoints(waveform, 0, Display::kDbAmplitude, Part::kReflection);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].x, 0.25);
  EXPECT_EQ(points[0].y, -0.5);
}

// The keys that order a part's values, taken a part at a time, are those
// taken a point at a time: the decibel key where it is not 0, else the
// value where it is a number, else NaN.
struct OrderKeyCase {
  std::string name;
  bool complex;
  Display display;
  Part part;
};

class OrderKeysTest : public ::testing::TestWithParam<OrderKeyCase> {};

TEST_P(OrderKeysTest, AreTheKeysOfEachPoint) {
  const OrderKeyCase& param = GetParam();
  const double kInfinity = std::numeric_limits<double>::infinity();
  std::vector<std::complex<double>> values = {{0.5, -0.25}, {0, 0},   {kNaN, 0},  {kInfinity, 1},
                                              {1e-160, 0},  {-2, 3},  {1e200, 0}, {0, -1e-3},
                                              {-0.0, 0},    {1, kNaN}};
  std::vector<double> frequencies;
  std::vector<double> reals;
  for (size_t i = 0; i < values.size(); ++i) {
    frequencies.push_back(1e9 * static_cast<double>(i + 1));
    reals.push_back(values[i].real());
  }
  host::RecordedWaveform waveform = param.complex ? complexWaveform(frequencies, {values}, "-", "db(y)")
                                                  : realWaveform(frequencies, {reals}, "", "db(y)", true);
  PartReader reader(waveform, 0, param.display, param.part);
  ASSERT_EQ(reader.size(), values.size());
  std::vector<double> keys(values.size() + 2, 7.0);
  reader.orderKeys(1, values.size(), keys.data() + 1);
  EXPECT_EQ(keys[0], 7.0);
  EXPECT_EQ(keys[values.size()], 7.0);
  for (size_t i = 1; i < values.size(); ++i) {
    double key = reader.decibelKey(i);
    double value = reader.at(i).y;
    double expected =
        param.part == Part::kDb ? (key != 0 ? key : kNaN) : (std::isfinite(value) ? value : kNaN);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(keys[i])) << i;
    } else {
      EXPECT_EQ(keys[i], expected) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, OrderKeysTest,
    ::testing::Values(OrderKeyCase{"ComplexInDb", true, Display::kDbAmplitude, Part::kDb},
                      OrderKeyCase{"RealAmplitudeInDb", false, Display::kDbAmplitude, Part::kDb},
                      OrderKeyCase{"PowerInDb", false, Display::kDbPower, Part::kDb},
                      OrderKeyCase{"RealPart", true, Display::kRealImaginary, Part::kReal},
                      OrderKeyCase{"ImaginaryPart", true, Display::kRealImaginary, Part::kImaginary},
                      OrderKeyCase{"ImaginaryOfAReal", false, Display::kRealImaginary, Part::kImaginary},
                      OrderKeyCase{"Linear", false, Display::kLinear, Part::kLinear}),
    [](const ::testing::TestParamInfo<OrderKeyCase>& row) { return row.param.name; });

}  // namespace
}  // namespace korvel::plot
