// The SC examples opened through the plug-in binary as the viewer opens
// them, with samples checked against values worked out from the files' own
// numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "support/opened_text.h"
#include "support/test_support.h"
#include "text/complex_conversion.h"

namespace korvel::testing {
namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

using Complex = std::complex<double>;

Complex polarDegrees(double magnitude, double degrees) {
  return std::polar(magnitude, degrees * std::numbers::pi / 180.0);
}

Complex decibelDegrees(double decibels, double degrees) {
  return polarDegrees(std::pow(10.0, decibels / 20), degrees);
}

// Sample `sample` (block-major) of the waveform `name`.
struct ExpectedSample {
  const char* name;
  int sample;
  Complex value;
};

struct ExampleCase {
  const char* file;
  int waveforms;
  int blocks;
  int points;
  std::vector<ExpectedSample> samples;
};

class ScExample : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ScExample, OpensThroughTheHostWithItsWaveforms) {
  const ExampleCase& param = GetParam();
  int result = -1;
  CapturedStream errors(stderr);
  std::unique_ptr<host::OpenedFile> opened = openThroughHost(examplePath(param.file), &result);
  EXPECT_EQ(errors.finish(), "");
  ASSERT_EQ(result, 0);
  ASSERT_NE(opened, nullptr);
  EXPECT_STREQ(opened->format().formatName, "KORVELRF SC");
  const auto& data = *static_cast<const DataSet*>(opened->dataSet());
  EXPECT_EQ(data.waveformCount, param.waveforms);
  EXPECT_EQ(data.blockCount, param.blocks);
  EXPECT_EQ(data.pointCount, param.points);
  std::vector<std::string> names = waveformNames(data);
  EXPECT_EQ(static_cast<int>(names.size()), param.waveforms);
  for (const ExpectedSample& expected : param.samples) {
    Complex actual = sampleOf(data, expected.name, expected.sample);
    EXPECT_LE(std::abs(actual - expected.value), 1e-9 * std::max(1.0, std::abs(expected.value)))
        << expected.name << " sample " << expected.sample << ": " << actual << " is not " << expected.value;
  }
  EXPECT_EQ(std::stoi(opened->fileProperty("-nwaveforms").text), param.waveforms);
  EXPECT_EQ(sorted(opened->catalogue()), sorted(names));
  WaveformHandle handle = nullptr;
  EXPECT_EQ(opened->loadWaveform(names[0], &handle), 0);
  EXPECT_NE(handle, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, ScExample,
                         ::testing::Values(
                             // Two ports in dB and degrees; six blocks of four points, the
                             // second block 2.5 dB less gain and 0.5 dB more noise.
                             ExampleCase{"lna_sweep.sc",
                                         31,
                                         6,
                                         4,
                                         {{"S-Par/S(1,1)", 0, decibelDegrees(-7.4322, -80.000)},
                                          {"S-Par/S(2,1)", 0, decibelDegrees(16.0126, 132.500)},
                                          {"S-Par/S(2,1)", 4, decibelDegrees(13.5126, 132.500)},
                                          {"S-Par/S(1,2)", 3, decibelDegrees(-26.0206, 30.000)},
                                          {"Zo/Zo(2)", 0, 50},
                                          {"Noise-Par/NFmin", 0, std::pow(10.0, 0.54 / 10)},
                                          {"Noise-Par/NFmin", 4, std::pow(10.0, 1.04 / 10)},
                                          {"GroupDelay/GD(2,1)", 0, 2.6180e-10}}},
                             // Mixed mode, terminals D1 D2 C1 C2, magnitude and degrees.
                             ExampleCase{"balanced_filter.sc",
                                         55,
                                         1,
                                         5,
                                         {{"S-Par/Sdd(2,1)", 0, polarDegrees(0.34539, 68.199)},
                                          {"S-Par/Sdd(1,1)", 4, polarDegrees(0.88205, -158.199)},
                                          {"S-Par/Scd(2,1)", 0, polarDegrees(0.00446, 68.199)},
                                          {"S-Par/Scc(2,2)", 1, polarDegrees(0.92000, 0.000)},
                                          {"Zo/Zod(1)", 0, 100},
                                          {"Zo/Zoc(2)", 0, 25}}}),
                         [](const auto& param) {
                           std::string name = param.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(ScExampleValues, AmplifierSweepAndNoise) {
  OpenedText opening = OpenedText::atPath(examplePath("lna_sweep.sc"));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  ASSERT_EQ(data.sweepCount, 2);
  EXPECT_STREQ(data.sweepNames[0], "temp");
  EXPECT_STREQ(data.sweepNames[1], "vdd");
  EXPECT_EQ(data.sweepValues[0][0], 2.0);
  EXPECT_EQ(data.sweepValues[0][2], 85.0);
  EXPECT_EQ(data.sweepValues[1][0], 3.0);
  EXPECT_EQ(data.sweepValues[1][3], 3.3);
  EXPECT_EQ(data.frequencies[0], 5e8);
  EXPECT_EQ(data.frequencies[23], 2e9);
  EXPECT_EQ(data.complexFormat, kFormatDbDegrees);
  EXPECT_EQ(data.referenceImpedance, 50.0);
  // Rn is written normalised to 50 ohms: 0.18 at the first point.
  EXPECT_DOUBLE_EQ(realPart(data, "Noise-Par/Rn", 0), 9.0);
  EXPECT_EQ(realPart(data, "GroupDelay/GD(1,2)", 23), 2.1e-10);
}

TEST(ScExampleValues, BalancedFilterTerminals) {
  OpenedText opening = OpenedText::atPath(examplePath("balanced_filter.sc"));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.mixedMode, 1);
  EXPECT_EQ(data.terminalCount, 4);
  EXPECT_EQ(data.port1Index, 0);
  EXPECT_EQ(data.port2Index, 1);
  EXPECT_EQ(data.referenceImpedance, 100.0);
  EXPECT_EQ(realPart(data, "Zo/Zoc(1)", 4), 25.0);
  // Sdd21 at the centre frequency is 0.93 at 0 degrees.
  EXPECT_NEAR(realPart(data, "S-Par/Sdd(2,1)", 2), 0.93, 1e-12);
  EXPECT_NEAR(imagPart(data, "S-Par/Sdd(2,1)", 2), 0.0, 1e-12);
}

}  // namespace
}  // namespace korvel::testing
