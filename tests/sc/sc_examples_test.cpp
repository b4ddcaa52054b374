// The SC examples opened through the plug-in binary as the viewer opens
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "text/complex_conversion.h"
#include "support/sc_test_support.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

struct ExampleCase {
  const char* file;
  int waveforms;
  int blocks;
  int points;
  std::vector<std::string> someNames;
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
  for (const std::string& name : param.someNames) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
  EXPECT_EQ(std::stoi(opened->fileProperty("-nwaveforms").text), param.waveforms);
  EXPECT_EQ(sorted(opened->catalogue()), sorted(names));
  WaveformHandle handle = nullptr;
  EXPECT_EQ(opened->loadWaveform(names[0], &handle), 0);
  EXPECT_NE(handle, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScExample,
    ::testing::Values(ExampleCase{"lna_sweep.sc",
                                  31,
                                  6,
                                  4,
                                  {"S-Par/S(2,1)", "Zo/Zo(2)", "Gain-Par/K", "Noise-Par/NFmin", "Noise-Par/NF",
                                   "Gain-Par/Gas", "GroupDelay/GD(2,1)"}},
                      ExampleCase{"balanced_filter.sc",
                                  55,
                                  1,
                                  5,
                                  {"S-Par/Sdd(2,1)", "S-Par/Scd(2,1)", "Zo/Zoc(2)", "Z-Par/Zdc(1,2)",
                                   "Y-Par/Ycc(2,2)", "Gain-Par/Gmsg"}}),
    [](const auto& param) {
      std::string name = param.param.file;
      return name.substr(0, name.find('.'));
    });

TEST(ScExampleValues, AmplifierSweepAndNoise) {
  ScOpening opening = openScPath(examplePath("lna_sweep.sc"));
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
  ScOpening opening = openScPath(examplePath("balanced_filter.sc"));
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
