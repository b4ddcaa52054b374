// The Zo line and the blocks of an SC file: positions of frequencies and
// samples, the complex conversions, noise columns and group delays.
#include "sc/sc_blocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/opened_text.h"
#include "text/complex_conversion.h"

namespace korvel::testing {
namespace {

const char* const kAcceptedFile =
    "*| N=2 DATA=2 COMPLEX_DATAFORMAT=RI\n"
    "*| NumOfBlock=1 NumOfParam=0\n"
    "+ Zo= 50\n"
    "+ DATA=\n"
    "+ 1e9\n"
    "+ 0.1 0 0.5 0 0.5 0 0.1 0\n"
    "+ 2e9\n"
    "+ 0.2 0 0.4 0 0.4 0 0.2 0\n";

TEST(ScBlocks, AcceptedTwoPortStoresEverySample) {
  OpenedText opening("network.sc", kAcceptedFile);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.waveformCount, 17);
  EXPECT_EQ(data.frequencies[0], 1e9);
  EXPECT_EQ(data.frequencies[1], 2e9);
  EXPECT_EQ(realPart(data, "S-Par/S(1,2)", 0), 0.5);
  EXPECT_EQ(realPart(data, "S-Par/S(1,1)", 1), 0.2);
  EXPECT_EQ(realPart(data, "S-Par/S(2,1)", 1), 0.4);
  EXPECT_EQ(realPart(data, "S-Par/S(2,2)", 0), 0.1);
  for (int sample = 0; sample < 2; ++sample) {
    EXPECT_EQ(realPart(data, "Zo/Zo(1)", sample), 50.0);
    EXPECT_EQ(realPart(data, "Zo/Zo(2)", sample), 50.0);
  }
  EXPECT_EQ(data.referenceImpedance, 50.0);
}

TEST(ScBlocks, ValuesMaySpreadOverLinesAndSplitPairs) {
  OpenedText opening("network.sc",
                     "*| N=2 DATA=1\n*| NumOfBlock=1\n+ Zo= 50 75\n+ DATA=\n* a comment line\n+ 3e9\n+ "
                     "0.1\n+ 0.2 0.3 0.4\r\n"
                     "*| not data 9 9\n+   0.5    0.6 0.7 \n+ 0.8 \n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.frequencies[0], 3e9);
  EXPECT_EQ(realPart(data, "S-Par/S(1,1)", 0), 0.1);
  EXPECT_EQ(imagPart(data, "S-Par/S(1,1)", 0), 0.2);
  EXPECT_EQ(realPart(data, "S-Par/S(1,2)", 0), 0.3);
  EXPECT_EQ(imagPart(data, "S-Par/S(1,2)", 0), 0.4);
  EXPECT_EQ(realPart(data, "S-Par/S(2,1)", 0), 0.5);
  EXPECT_EQ(imagPart(data, "S-Par/S(2,1)", 0), 0.6);
  EXPECT_EQ(realPart(data, "S-Par/S(2,2)", 0), 0.7);
  EXPECT_EQ(imagPart(data, "S-Par/S(2,2)", 0), 0.8);
  EXPECT_EQ(realPart(data, "Zo/Zo(2)", 0), 75.0);
}

TEST(ScBlocks, TokenGluedToPlusIsNoValue) {
  OpenedText opening("network.sc",
                     "*| N=1 DATA=1\n*| NumOfBlock=1\n+ Zo= 50\n+ DATA=\n+ 1e9\n+0.1 0.3 +0.7 0.4\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(realPart(*opening.data, "S-Par/S(1,1)", 0), 0.3);
  EXPECT_EQ(imagPart(*opening.data, "S-Par/S(1,1)", 0), 0.4);
}

TEST(ScBlocks, TextAfterTheLastValueIsIgnored) {
  // The token after the last point's values would be a frequency beyond
  // the block; it belongs to no point and must not be stored.
  OpenedText opening("network.sc",
                     "*| N=1 DATA=1\n*| NumOfBlock=1\n+ Zo= 50\n+ DATA=\n+ 1e9\n+ 0.3 0.4 5e9 7 8\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->frequencies[0], 1e9);
  EXPECT_EQ(imagPart(*opening.data, "S-Par/S(1,1)", 0), 0.4);
}

struct ConversionCase {
  const char* format;
  const char* pair;
  double real;
  double imag;
};

class ComplexConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ComplexConversion, StoresRealAndImaginaryParts) {
  const ConversionCase& param = GetParam();
  OpenedText opening("network.sc", std::string("*| N=1 DATA=1 COMPLEX_DATAFORMAT=") + param.format +
                                       "\n*| NumOfBlock=1\n+ Zo= 50\n+ DATA=\n+ 1e9\n+ " + param.pair + "\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_NEAR(realPart(*opening.data, "S-Par/S(1,1)", 0), param.real, 1e-5)
      << param.format << " " << param.pair;
  EXPECT_NEAR(imagPart(*opening.data, "S-Par/S(1,1)", 0), param.imag, 1e-5)
      << param.format << " " << param.pair;
}

INSTANTIATE_TEST_SUITE_P(Formats, ComplexConversion,
                         ::testing::Values(ConversionCase{"DB", "-6.0206 90", 0.0, 0.5},
                                           ConversionCase{"DB", "0 180", -1.0, 0.0},
                                           ConversionCase{"DB", "20 -45", 7.0710678, -7.0710678},
                                           ConversionCase{"MA", "0.5 90", 0.0, 0.5},
                                           ConversionCase{"MA", "2 -60", 1.0, -1.7320508},
                                           ConversionCase{"RI", "0.3 -0.4", 0.3, -0.4},
                                           ConversionCase{"PR", "2 3.141592653589793", -2.0, 0.0},
                                           ConversionCase{"PR", "1 1.5707963267948966", 0.0, 1.0}));

TEST(ScConversion, RealImaginaryKeepsValuesExactly) {
  double a = 0.123456789;
  double c = -9.87654321;
  convertComplex(kFormatRealImaginary, &a, &c);
  EXPECT_EQ(a, 0.123456789);
  EXPECT_EQ(c, -9.87654321);
}

TEST(ScReferenceImpedance, SingleValueServesMixedModeTerminals) {
  std::string values = "+";
  for (int k = 0; k < 16; ++k) values += " 0 0";
  OpenedText opening("network.sc",
                     "*| N=2 DATA=1\n*| NumOfBlock=1\n*| MIXEDMODE=1 DATATYPE=D1D2C1C2\n+ Zo= 50\n"
                     "+ DATA=\n+ 1e9\n" +
                         values + "\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(realPart(data, "Zo/Zod(1)", 0), 100.0);
  EXPECT_EQ(realPart(data, "Zo/Zod(2)", 0), 100.0);
  EXPECT_EQ(realPart(data, "Zo/Zoc(1)", 0), 25.0);
  EXPECT_EQ(realPart(data, "Zo/Zoc(2)", 0), 25.0);
  EXPECT_EQ(data.referenceImpedance, 100.0);
}

TEST(ScReferenceImpedance, SingleValueFillsEveryTerminalAndBlock) {
  std::string block =
      "+ DATA=\n+ 1e9\n+ 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n+ 2e9\n+ 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
  OpenedText opening("network.sc", "*| N=3 DATA=2\n*| NumOfBlock=3\n+ Zo= 75\n" + block + block + block);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  ASSERT_EQ(data.blockCount, 3);
  for (const char* name : {"Zo/Zo(1)", "Zo/Zo(2)", "Zo/Zo(3)"}) {
    for (int sample = 0; sample < 6; ++sample)
      EXPECT_EQ(realPart(data, name, sample), 75.0) << name << sample;
  }
  EXPECT_EQ(data.frequencies[4], 1e9);
  EXPECT_EQ(data.frequencies[5], 2e9);
}

TEST(ScReferenceImpedance, ValuesPerTerminalExtraIgnored) {
  OpenedText opening("network.sc",
                     "*| N=2 DATA=1\n*| NumOfBlock=1\n+ Zo=50 75 100\n+ DATA=\n+ 1e9\n+ 0 0 0 0 0 0 0 0\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(1)", 0), 50.0);
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(2)", 0), 75.0);
  EXPECT_EQ(opening.data->referenceImpedance, 50.0);
}

TEST(ScReferenceImpedance, CarriageReturnIsNoSecondValue) {
  // "50 \r\n": one value written, so it serves both terminals.
  OpenedText opening(
      "network.sc",
      "*| N=2 DATA=1\r\n*| NumOfBlock=1\r\n+ Zo= 50 \r\n+ DATA=\r\n+ 1e9\r\n+ 0 0 0 0 0 0 0 0\r\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(2)", 0), 50.0);
}

const char* const kNoiseFile =
    "*| N=2 DATA=2 NOISE=1\n"
    "*| NumOfBlock=1\n"
    "+ Zo= 50\n"
    "+ DATA=\n"
    "+ 1e9\n"
    "+ 0.1 0 0.01 0 3 0 0.1 0\n"
    "+ 2e9\n"
    "+ 0.1 0 0.01 0 3 0 0.1 0\n"
    "*| frequency NFmin mag ang Rn\n"
    "*| 1e9 1.5 0.3 45 0.2\n"
    "* an unmarked line between noise lines\n"
    "*| 2e9 2.0 0.25 -30 0.4 extra columns 9 9\n";

TEST(ScNoise, ColumnsBecomeNoiseInputs) {
  OpenedText opening("network.sc", kNoiseFile);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.waveformCount, 27);
  // The calculation turns the minimum noise figure into a linear factor.
  EXPECT_NEAR(realPart(data, "Noise-Par/NFmin", 0), std::pow(10.0, 1.5 / 10.0), 1e-12);
  EXPECT_NEAR(realPart(data, "Noise-Par/NFmin", 1), std::pow(10.0, 2.0 / 10.0), 1e-12);
  EXPECT_NEAR(realPart(data, "Noise-Par/GammaOpt", 0), 0.2121320, 1e-6);
  EXPECT_NEAR(imagPart(data, "Noise-Par/GammaOpt", 0), 0.2121320, 1e-6);
  EXPECT_NEAR(realPart(data, "Noise-Par/GammaOpt", 1), 0.2165064, 1e-6);
  EXPECT_NEAR(imagPart(data, "Noise-Par/GammaOpt", 1), -0.125, 1e-9);
  EXPECT_DOUBLE_EQ(realPart(data, "Noise-Par/Rn", 0), 10.0);
  EXPECT_DOUBLE_EQ(realPart(data, "Noise-Par/Rn", 1), 20.0);
}

TEST(ScNoise, NoiseResistanceScaledByFirstTerminalImpedance) {
  std::string file = kNoiseFile;
  file.replace(file.find("+ Zo= 50"), 8, "+ Zo= 25 50");
  OpenedText opening("network.sc", file);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_DOUBLE_EQ(realPart(*opening.data, "Noise-Par/Rn", 0), 5.0);
}

TEST(ScNoise, NoiseTwoListsNamesButReadsNoSection) {
  std::string file = kNoiseFile;
  file.replace(file.find("NOISE=1"), 7, "NOISE=2");
  file = file.substr(0, file.find("*| frequency"));
  OpenedText opening("network.sc", file);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->waveformCount, 27);
  EXPECT_EQ(realPart(*opening.data, "Noise-Par/Rn", 0), 0.0);
  EXPECT_EQ(imagPart(*opening.data, "Noise-Par/GammaOpt", 1), 0.0);
}

TEST(ScGroupDelay, EntriesAreRealValuesRowMajor) {
  OpenedText opening(
      "network.sc",
      "*| N=2 DATA=2 GROUPDELAY=1\n*| NumOfBlock=1\n+ Zo= 50\n+ DATA=\n+ 1e9\n+ 0 0 0 0 0 0 0 0\n+ 2e9\n"
      "+ 0 0 0 0 0 0 0 0\n+ DATA=\n+ 7e9\n+ 1e-10 2e-10\n+ 3e-10 4e-10\n+ 8e9\n+ 5e-10 6e-10 7e-10 8e-10\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.waveformCount, 21);
  EXPECT_EQ(realPart(data, "GroupDelay/GD(1,1)", 0), 1e-10);
  EXPECT_EQ(realPart(data, "GroupDelay/GD(1,2)", 0), 2e-10);
  EXPECT_EQ(realPart(data, "GroupDelay/GD(2,1)", 0), 3e-10);
  EXPECT_EQ(realPart(data, "GroupDelay/GD(2,2)", 1), 8e-10);
  EXPECT_EQ(imagPart(data, "GroupDelay/GD(2,2)", 1), 0.0);
  // The group-delay frequencies are counted, not stored.
  EXPECT_EQ(data.frequencies[0], 1e9);
  EXPECT_EQ(data.frequencies[1], 2e9);
}

TEST(ScBlocks, LongDataLineIsReadWhole) {
  // Ten ports: a line of 200 values, about 2,000 characters.
  std::string values = "+";
  for (int k = 0; k < 100; ++k)
    values += " 0.0" + std::to_string(1000 + k) + "00 -0.00" + std::to_string(1000 + k);
  ASSERT_GE(values.size(), 2000u);
  OpenedText opening("network.sc",
                     "*| N=10 DATA=1\n*| NumOfBlock=1\n+ Zo= 50\n+ DATA=\n+ 1e9\n" + values + "\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(realPart(data, "S-Par/S(1,1)", 0), 0.01);
  EXPECT_EQ(realPart(data, "S-Par/S(6,3)", 0), 0.01052);
  EXPECT_EQ(imagPart(data, "S-Par/S(6,3)", 0), -0.001052);
  EXPECT_EQ(realPart(data, "S-Par/S(10,10)", 0), 0.01099);
  EXPECT_EQ(imagPart(data, "S-Par/S(10,10)", 0), -0.001099);
}

}  // namespace
}  // namespace korvel::testing
