// Axis ranges, ticks and engineering units of the plots.
#include "tools/plot/axis_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/output/number_format.h"

namespace korvel::plot {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Range rangeOf(std::initializer_list<double> values) {
  Range range;
  for (double value : values) range.include(value);
  return range;
}

struct StepCase {
  double low;
  double high;
  int target;
  double step;
};

class TickStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(TickStepTest, PicksOneTwoOrFiveTimesAPowerOfTen) {
  EXPECT_DOUBLE_EQ(tickStep(GetParam().low, GetParam().high, GetParam().target), GetParam().step);
}

INSTANTIATE_TEST_SUITE_P(Spans, TickStepTest,
                         ::testing::Values(StepCase{0, 10, 5, 2}, StepCase{0, 10, 10, 1},
                                           StepCase{0, 1, 5, 0.2}, StepCase{-30, 20, 6, 10},
                                           StepCase{0.5e9, 6e9, 7, 1e9}, StepCase{0, 3e-10, 6, 5e-11},
                                           StepCase{0, 100, 2, 50}));

TEST(RangeTest, LeavesNaNAndInfinitiesOut) {
  Range range = rangeOf({kNaN, -kInf, 3, kInf, -2, kNaN});
  EXPECT_FALSE(range.empty);
  EXPECT_EQ(range.low, -2);
  EXPECT_EQ(range.high, 3);
  EXPECT_TRUE(rangeOf({kNaN, -kInf}).empty);
}

TEST(PaddedAxisTest, KeepsAFlatZeroDecibelCurveOffTheFrame) {
  Axis axis = paddedAxis(rangeOf({0, 0, 0}), 6);
  EXPECT_LT(axis.low, 0);
  EXPECT_GT(axis.high, 0);
  EXPECT_NE(std::find(axis.ticks.begin(), axis.ticks.end(), 0.0), axis.ticks.end());
}

TEST(PaddedAxisTest, ExtendsPastDataThatEndsOnATick) {
  Axis axis = paddedAxis(rangeOf({0, 20}), 5);
  EXPECT_LT(axis.low, 0);
  EXPECT_GT(axis.high, 20);
  EXPECT_EQ(axis.ticks.front(), axis.low);
  EXPECT_EQ(axis.ticks.back(), axis.high);
}

TEST(PaddedAxisTest, IgnoresMinusInfinityDecibels) {
  // A zero magnitude among -30..-10 dB must not drag the axis to -inf.
  Axis axis = paddedAxis(rangeOf({-10, -kInf, -30, kNaN, -20}), 6);
  EXPECT_TRUE(std::isfinite(axis.low));
  EXPECT_GE(axis.low, -40);
  EXPECT_LE(axis.high, 0);
  EXPECT_GE(axis.ticks.size(), 3u);
}

TEST(PaddedAxisTest, GivesAnAxisWhenNothingIsFinite) {
  Axis axis = paddedAxis(rangeOf({kNaN, -kInf}), 6);
  EXPECT_LT(axis.low, axis.high);
  EXPECT_FALSE(axis.ticks.empty());
}

TEST(PaddedAxisTest, FlatTinyValuesGetASpanOfTheirOwnSize) {
  Axis axis = paddedAxis(rangeOf({2e-18}), 6);
  EXPECT_LT(axis.low, 2e-18);
  EXPECT_GT(axis.high, 2e-18);
  EXPECT_LT(axis.high - axis.low, 1e-17);
}

TEST(PaddedAxisTest, SurvivesTheEndsOfTheDoubleRange) {
  Axis axis = paddedAxis(rangeOf({-1e308, 1e308}), 6);
  EXPECT_TRUE(std::isfinite(axis.low));
  EXPECT_TRUE(std::isfinite(axis.high));
  EXPECT_LE(axis.ticks.size(), 61u);
}

// Data whose span rounds to nothing beside its value, or that is not
// finite: a fixed span around the value, and a bounded number of ticks.
struct FlatCase {
  const char* label;
  Range data;
  double centre;  // the value the axis shows in its middle
};

class PaddedAxisFlatTest : public ::testing::TestWithParam<FlatCase> {};

TEST_P(PaddedAxisFlatTest, FixedSpanAroundTheValue) {
  Axis axis = paddedAxis(GetParam().data, 6);
  ASSERT_TRUE(std::isfinite(axis.low) && std::isfinite(axis.high));
  EXPECT_LT(axis.low, GetParam().centre);
  EXPECT_GT(axis.high, GetParam().centre);
  // A span of a tenth of the value on each side (1 at zero), out to ticks.
  double half = GetParam().centre != 0 ? std::fabs(GetParam().centre) / 10 : 1;
  EXPECT_GE(axis.high - axis.low, 2 * half);
  EXPECT_LE(axis.high - axis.low, 4 * half);
  EXPECT_GE(axis.ticks.size(), 2u);
  EXPECT_LE(axis.ticks.size(), 61u);
}

INSTANTIATE_TEST_SUITE_P(Spans, PaddedAxisFlatTest,
                         ::testing::Values(FlatCase{"Constant", rangeOf({0.75, 0.75}), 0.75},
                                           FlatCase{"SpanOf1e16AtOne", rangeOf({1 - 1e-16, 1, 1 + 2e-16}), 1},
                                           FlatCase{"NaN", Range{kNaN, kNaN, false}, 0},
                                           FlatCase{"Infinity", Range{-kInf, kInf, false}, 0},
                                           FlatCase{"InfinityAtOneEnd", Range{1, kInf, false}, 0}),
                         [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(ExactAxisTest, BoundedTicksOverASpanThatRoundsToNothing) {
  Axis axis = exactAxis(rangeOf({1e17, 1e17 + 32}), 6);
  EXPECT_LE(axis.ticks.size(), 61u);
  Axis notFinite = exactAxis(Range{kNaN, kInf, false}, 6);
  EXPECT_TRUE(std::isfinite(notFinite.low) && std::isfinite(notFinite.high));
  EXPECT_LE(notFinite.ticks.size(), 61u);
}

TEST(ExactAxisTest, SpansTheDataWithTicksInside) {
  Axis axis = exactAxis(rangeOf({0.5e9, 6e9}), 7);
  EXPECT_EQ(axis.low, 0.5e9);
  EXPECT_EQ(axis.high, 6e9);
  ASSERT_FALSE(axis.ticks.empty());
  EXPECT_EQ(axis.ticks.front(), 1e9);
  EXPECT_EQ(axis.ticks.back(), 6e9);
}

TEST(ExactAxisTest, WidensASinglePoint) {
  Axis axis = exactAxis(rangeOf({1e9}), 7);
  EXPECT_LT(axis.low, 1e9);
  EXPECT_GT(axis.high, 1e9);
}

struct UnitCase {
  const char* unit;
  double largest;
  double factor;
  const char* shown;
};

class EngineeringUnitTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(EngineeringUnitTest, ChoosesThePrefixTheRangeAsks) {
  AxisUnit unit = engineeringUnit(GetParam().unit, GetParam().largest);
  EXPECT_DOUBLE_EQ(unit.factor, GetParam().factor);
  EXPECT_EQ(unit.unit, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Units, EngineeringUnitTest,
                         ::testing::Values(UnitCase{"Hz", 500, 1, "Hz"}, UnitCase{"Hz", 25e3, 1e3, "kHz"},
                                           UnitCase{"Hz", 900e6, 1e6, "MHz"}, UnitCase{"Hz", 6e9, 1e9, "GHz"},
                                           UnitCase{"Hz", 0.5, 1, "Hz"}, UnitCase{"s", 2.6e-10, 1e-12, "ps"},
                                           UnitCase{"s", 3.2e-9, 1e-9, "ns"}, UnitCase{"Ohms", 50, 1, "Ω"},
                                           UnitCase{"Ohms", 2e3, 1e3, "kΩ"},
                                           UnitCase{"Siemens", 0.02, 1e-3, "mS"}, UnitCase{"-", 1.5, 1, ""},
                                           UnitCase{"dB", 20, 1, "dB"},
                                           UnitCase{"V^2", 4e-18, 1e-18, "×1e-18 V^2"}));

TEST(LabelAxisTest, WritesTicksInTheChosenUnit) {
  Axis axis = exactAxis(rangeOf({0.5e9, 6e9}), 7);
  labelAxis(&axis, "Frequency", "Hz");
  EXPECT_EQ(axis.label, "Frequency (GHz)");
  EXPECT_EQ(axis.tickLabel(2e9), "2");
  Axis fine = exactAxis(rangeOf({0.5e9, 2e9}), 7);
  labelAxis(&fine, "Frequency", "Hz");
  EXPECT_EQ(fine.tickLabel(1.2e9), "1.2");
}

TEST(LabelAxisTest, NeverWritesMinusZero) {
  Axis axis = paddedAxis(rangeOf({-1, 1}), 6);
  labelAxis(&axis, "Phase", "deg");
  EXPECT_EQ(axis.tickLabel(-1e-17), axis.tickLabel(0));
  EXPECT_EQ(axis.tickLabel(0)[0], '0');
}

TEST(FormatFrequencyTest, WritesEngineeringUnits) {
  EXPECT_EQ(tool::formatFrequency(500e6, 4), "500 MHz");
  EXPECT_EQ(tool::formatFrequency(2.45e9, 4), "2.45 GHz");
  EXPECT_EQ(tool::formatFrequency(10e3, 4), "10 kHz");
  EXPECT_EQ(tool::formatFrequency(1.23456789e9, 4), "1.235 GHz");
  // Without a count of digits, as many as it takes to read back.
  EXPECT_EQ(tool::formatFrequency(1.23456789e9), "1.23456789 GHz");
  EXPECT_EQ(tool::formatFrequency(2e12), "2 THz");
}

}  // namespace
}  // namespace korvel::plot
