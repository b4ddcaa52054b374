// Waveform names in stored order and the per-terminal impedance rule.
#include "dataset/waveform_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "support/opened_text.h"

namespace korvel {
namespace {

using Record = testing::ScratchRecord;

TEST(WaveformNames, OnePortHasFourNames) {
  Record record(1);
  appendNetworkNames(record.data);
  EXPECT_EQ(record.names(),
            (std::vector<std::string>{"S-Par/S(1,1)", "Zo/Zo(1)", "Z-Par/Z(1,1)", "Y-Par/Y(1,1)"}));
}

TEST(WaveformNames, TwoPortWithNoiseAndGroupDelayCounts31) {
  Record record(2);
  record.data->hasNoise = 1;
  appendNetworkNames(record.data);
  int firstNoise = appendNoiseNames(record.data);
  appendAvailableGainName(record.data);
  int firstDelay = appendGroupDelayNames(record.data);
  EXPECT_EQ(record.data->waveformCount, 31);
  EXPECT_EQ(firstNoise, 17);
  EXPECT_EQ(firstNoise, noiseBaseIndex(*record.data));
  EXPECT_EQ(firstDelay, 27);
  std::vector<std::string> names = record.names();
  EXPECT_EQ(names[1], "S-Par/S(1,2)");
  EXPECT_EQ(names[2], "S-Par/S(2,1)");
  EXPECT_EQ(names[5], "Zo/Zo(2)");
  EXPECT_EQ(names[14], "Gain-Par/Gmax");
  EXPECT_EQ(names[15], "Gain-Par/K");
  EXPECT_EQ(names[16], "Gain-Par/Gmsg");
  EXPECT_EQ(names[17], "Noise-Par/NFmin");
  EXPECT_EQ(names[25], "Noise-Par/NF");
  EXPECT_EQ(names[26], "Gain-Par/Gas");
  EXPECT_EQ(names[28], "GroupDelay/GD(1,2)");
}

TEST(WaveformNames, ThreePortHasNoGainNames) {
  Record record(3);
  appendNetworkNames(record.data);
  EXPECT_EQ(record.data->waveformCount, 30);
}

TEST(WaveformNames, MixedModeSuffixesUseModeLettersAndPorts) {
  Record record(4, 2);
  record.nameTerminals({"D1", "D2", "C1", "C2"});
  EXPECT_EQ(formatPairSuffix(*record.data, 1, 3), "dc(1,1)");
  EXPECT_EQ(formatPairSuffix(*record.data, 2, 2), "dd(2,2)");
  EXPECT_EQ(referenceImpedanceName(*record.data, 1), "Zo/Zod(1)");
  appendNetworkNames(record.data);
  std::vector<std::string> names = record.names();
  EXPECT_EQ(names[0], "S-Par/Sdd(1,1)");
  EXPECT_EQ(names[16], "Zo/Zod(1)");
  EXPECT_EQ(names[18], "Zo/Zoc(1)");
  EXPECT_EQ(names[20 + 2], "Z-Par/Zdc(1,1)");
  EXPECT_EQ(names[36 + 8], "Y-Par/Ycd(1,1)");
  EXPECT_EQ(names.back(), "Gain-Par/Gmsg");
}

TEST(WaveformNames, MixedModeKeepsEveryDigitAndLowerCasesLetters) {
  Record record(3);
  record.nameTerminals({"S3", "d1", "S12"});
  EXPECT_EQ(formatPairSuffix(*record.data, 1, 2), "sd(3,1)");
  EXPECT_EQ(referenceImpedanceName(*record.data, 3), "Zo/Zos(12)");
  EXPECT_EQ(referenceImpedanceName(*record.data, 2), "Zo/Zod(1)");
}

TEST(WaveformNames, LongTerminalNamesNeverOverflow) {
  Record record(2);
  std::string longName = "D" + std::string(5000, '7');
  record.nameTerminals({longName, "C1"});
  std::string suffix = formatPairSuffix(*record.data, 1, 2);
  EXPECT_EQ(suffix.size(), 2 + 1 + 5000 + 1 + 1 + 1u);
}

struct ImpedanceCase {
  std::vector<std::string> terminals;  // empty: not mixed
  std::vector<double> values;
  std::vector<double> expected;
  double reference;
};

class TerminalImpedance : public ::testing::TestWithParam<ImpedanceCase> {};

TEST_P(TerminalImpedance, ConvertsByModeAndRecordsPortOne) {
  const ImpedanceCase& param = GetParam();
  Record record(static_cast<int>(param.values.size()));
  if (!param.terminals.empty()) record.nameTerminals(param.terminals);
  for (size_t i = 0; i < param.values.size(); ++i) {
    EXPECT_DOUBLE_EQ(terminalImpedance(record.data, static_cast<int>(i), param.values[i]), param.expected[i])
        << i;
  }
  EXPECT_DOUBLE_EQ(record.data->referenceImpedance, param.reference);
}

INSTANTIATE_TEST_SUITE_P(
    Terminals, TerminalImpedance,
    ::testing::Values(ImpedanceCase{{}, {50, 75}, {50, 75}, 50},
                      ImpedanceCase{{"D1", "D2", "C1", "C2"}, {50, 50, 50, 50}, {100, 100, 25, 25}, 100},
                      ImpedanceCase{{"d1", "c1"}, {50, 50}, {100, 25}, 100},
                      ImpedanceCase{{"C1", "S2"}, {50, 60}, {25, 60}, 0},
                      ImpedanceCase{{"D1", "S1"}, {0, 60}, {0, 60}, 60},
                      ImpedanceCase{{"S11", "S1"}, {40, 60}, {40, 60}, 60},
                      ImpedanceCase{{}, {0, 75}, {0, 75}, 0}));

TEST(DataSetRelease, PartlyFilledRecordsAreReleased) {
  DataSet* data = createDataSet(std::string(1000, 'p').c_str(), nullptr);
  data->sweepCount = 3;
  data->sweepNames = static_cast<char**>(allocateZeroed(3, sizeof(char*)));
  data->sweepNames[0] = copyString("temp");
  data->waveformCount = 5;
  data->waveformData = static_cast<double**>(allocateZeroed(5, sizeof(double*)));
  data->waveformData[2] = static_cast<double*>(allocateZeroed(4, sizeof(double)));
  EXPECT_EQ(Tcl_DStringLength(&data->fileName), 1000);
  releaseDataSet(data);  // the sanitizer build checks that nothing leaks
  releaseDataSet(nullptr);
}

TEST(DataSetRelease, AllocationSizesAreOverflowChecked) {
  EXPECT_EQ(allocateZeroed(SIZE_MAX / 8 + 2, 16), nullptr);
  void* small = allocateZeroed(0, 16);
  EXPECT_NE(small, nullptr);
  std::free(small);
}

}  // namespace
}  // namespace korvel
