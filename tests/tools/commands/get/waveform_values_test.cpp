// Frequencies as typed, places on a grid and interpolated values.
#include "tools/commands/get/waveform_values.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/output/sweep_values.h"
#include "tools/output/value_units.h"

namespace korvel::testing {
namespace {

struct FrequencyCase {
  const char* text;
  bool valid;
  double hertz;
};

class FrequencyTextTest : public ::testing::TestWithParam<FrequencyCase> {};

TEST_P(FrequencyTextTest, ReadsUnitsAndLetters) {
  double hertz = -1.0;
  EXPECT_EQ(tool::parseFrequency(GetParam().text, &hertz), GetParam().valid) << GetParam().text;
  if (GetParam().valid) {
    EXPECT_DOUBLE_EQ(hertz, GetParam().hertz) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrequencyTextTest,
    ::testing::Values(FrequencyCase{"5GHz", true, 5e9}, FrequencyCase{"5 GHz", true, 5e9},
                      FrequencyCase{"2.4ghz", true, 2.4e9}, FrequencyCase{"500M", true, 5e8},
                      FrequencyCase{"500MHz", true, 5e8}, FrequencyCase{"100k", true, 1e5},
                      FrequencyCase{"1e9", true, 1e9}, FrequencyCase{"50Hz", true, 50.0},
                      FrequencyCase{"1T", true, 1e12}, FrequencyCase{"", false, 0},
                      FrequencyCase{"GHz", false, 0}, FrequencyCase{"5 parsecs", false, 0},
                      FrequencyCase{"1e400", false, 0}, FrequencyCase{"nan", false, 0}));

TEST(GridPlace, ExactBetweenAndOutside) {
  const std::vector<double> x = {1.0, 2.0, 4.0};
  EXPECT_EQ(tool::placeOnGrid(x, 2.0).kind, tool::GridPlace::Kind::kExact);
  EXPECT_EQ(tool::placeOnGrid(x, 2.0).index, 1u);
  EXPECT_EQ(tool::placeOnGrid(x, 4.0).index, 2u);
  tool::GridPlace between = tool::placeOnGrid(x, 3.0);
  EXPECT_EQ(between.kind, tool::GridPlace::Kind::kBetween);
  EXPECT_EQ(between.index, 1u);
  EXPECT_DOUBLE_EQ(between.weight, 0.5);
  EXPECT_EQ(tool::placeOnGrid(x, 0.5).kind, tool::GridPlace::Kind::kOutside);
  EXPECT_EQ(tool::placeOnGrid(x, 4.5).kind, tool::GridPlace::Kind::kOutside);
  EXPECT_EQ(tool::placeOnGrid({}, 1.0).kind, tool::GridPlace::Kind::kOutside);
  EXPECT_EQ(tool::placeOnGrid(x, std::nan("")).kind, tool::GridPlace::Kind::kOutside);
}

struct UnclearCase {
  const char* label;
  std::vector<double> x;
  double f;
  tool::GridPlace::Kind kind;
  size_t index;
};

class GridPlaceNotRising : public ::testing::TestWithParam<UnclearCase> {};

TEST_P(GridPlaceNotRising, ExactOrBetweenRisingNeighboursOnly) {
  tool::GridPlace place = tool::placeOnGrid(GetParam().x, GetParam().f);
  EXPECT_EQ(place.kind, GetParam().kind);
  EXPECT_EQ(place.index, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, GridPlaceNotRising,
    ::testing::Values(
        UnclearCase{"TwoSpans", {1, 3, 2, 4}, 2.5, tool::GridPlace::Kind::kUnclear, 1},
        UnclearCase{"PointBetweenNeighbours", {1, 3, 2, 4}, 1.5, tool::GridPlace::Kind::kUnclear, 1},
        UnclearCase{"OnePointAtIt", {1, 3, 2, 4}, 2, tool::GridPlace::Kind::kExact, 2},
        UnclearCase{"TwoPointsAtIt", {1, 2, 2, 3}, 2, tool::GridPlace::Kind::kUnclear, 1},
        UnclearCase{"RisingBeforeTheRepeat", {1, 2, 2, 3}, 1.5, tool::GridPlace::Kind::kBetween, 0},
        UnclearCase{"FallingSpan", {4, 1}, 2, tool::GridPlace::Kind::kUnclear, 0},
        UnclearCase{"OutsideAFallingGrid", {3, 1, 2}, 5, tool::GridPlace::Kind::kOutside, 0}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// Worked by hand: a quarter of the way from (2 + 0j) at 1 GHz to
// (6 - 4j) at 3 GHz, at 1.5 GHz, is 3 - 1j.
TEST(Interpolation, StraightLineOnRealAndImaginaryParts) {
  const std::vector<double> x = {1e9, 3e9};
  const std::vector<double> y = {2.0, 0.0, 6.0, -4.0};
  double value[2];
  tool::valueAt(y, true, tool::placeOnGrid(x, 1.5e9), value);
  EXPECT_DOUBLE_EQ(value[0], 3.0);
  EXPECT_DOUBLE_EQ(value[1], -1.0);
  const std::vector<double> real = {10.0, 20.0};
  tool::valueAt(real, false, tool::placeOnGrid(x, 2.5e9), value);
  EXPECT_DOUBLE_EQ(value[0], 17.5);
}

host::RecordedWaveform waveformWith(int dataType, std::vector<host::RecordedProperty> properties) {
  host::RecordedWaveform waveform;
  waveform.dataType = dataType;
  waveform.yUnit = "NF";
  waveform.properties = std::move(properties);
  return waveform;
}

TEST(ValueUnits, PowerLikeQuantitiesInDbOnlyWhenAsked) {
  host::RecordedWaveform noise = waveformWith(kDataTypeReal, {{1, "1"}, {3, "db(y)"}});
  double linear = 1.2;  // 0.792 dB
  double out[2];
  tool::ValueColumns db = tool::valueColumns(noise, tool::ValueUnit::kDb);
  EXPECT_EQ(db.units, std::vector<std::string>{"dB"});
  tool::pointValues(db, tool::ValueUnit::kDb, &linear, out);
  EXPECT_DOUBLE_EQ(out[0], 10.0 * std::log10(1.2));
  tool::ValueColumns plain = tool::valueColumns(noise, tool::ValueUnit::kRealImaginary);
  EXPECT_EQ(plain.units, std::vector<std::string>{"factor"}) << "a plain factor, not a figure in dB";
  tool::pointValues(plain, tool::ValueUnit::kRealImaginary, &linear, out);
  EXPECT_EQ(out[0], 1.2);
  host::RecordedWaveform stability = waveformWith(kDataTypeReal, {});
  EXPECT_FALSE(tool::valueColumns(stability, tool::ValueUnit::kDb).powerInDb);
}

// 20*log10 of an impedance's magnitude is relative to one ohm, of an
// admittance's to one siemens; of a ratio it is plain dB.
TEST(ValueUnits, DecibelsOfImpedancesSayTheirReference) {
  for (const auto& [yUnit, expected] :
       std::vector<std::pair<std::string, std::string>>{{"Ohms", "dBOhm"}, {"Siemens", "dBS"}, {"-", "dB"}}) {
    host::RecordedWaveform waveform = waveformWith(kDataTypeComplex, {});
    waveform.yUnit = yUnit;
    EXPECT_EQ(tool::valueColumns(waveform, tool::ValueUnit::kDb).units, std::vector<std::string>{expected});
    EXPECT_EQ(tool::valueColumns(waveform, tool::ValueUnit::kMagnitudeAngle).units[0], yUnit);
  }
}

TEST(ValueUnits, ComplexParts) {
  host::RecordedWaveform s = waveformWith(kDataTypeComplex, {});
  const double z[2] = {0.0, -2.0};
  double out[2];
  tool::pointValues(tool::valueColumns(s, tool::ValueUnit::kMagnitudeAngle), tool::ValueUnit::kMagnitudeAngle,
                    z, out);
  EXPECT_DOUBLE_EQ(out[0], 2.0);
  EXPECT_DOUBLE_EQ(out[1], -90.0);
  tool::pointValues(tool::valueColumns(s, tool::ValueUnit::kDb), tool::ValueUnit::kDb, z, out);
  EXPECT_DOUBLE_EQ(out[0], 20.0 * std::log10(2.0));
}

TEST(SweepValues, FirstParameterChangesFastest) {
  host::RecordedWaveform waveform;
  waveform.parameters = {{"temp", "_", 2, {-40, 85}}, {"vdd", "_", 3, {2.7, 3.0, 3.3}}};
  EXPECT_EQ(tool::sweepValuesOf(waveform, 0), (std::vector<double>{-40, 2.7}));
  EXPECT_EQ(tool::sweepValuesOf(waveform, 1), (std::vector<double>{85, 2.7}));
  EXPECT_EQ(tool::sweepValuesOf(waveform, 4), (std::vector<double>{-40, 3.3}));
  std::vector<double> beyond = tool::sweepValuesOf(waveform, 6);
  EXPECT_TRUE(std::isnan(beyond[0]) && std::isnan(beyond[1]));
}

}  // namespace
}  // namespace korvel::testing
