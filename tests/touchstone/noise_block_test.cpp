// The noise block: opened by a drop in frequency, five numbers a line,
// Rn scaled to ohms, and the available gain only with a noise point for
// every S point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

const char kThreePoints[] =
    "# GHz S MA R 50\n"
    "1 0.9 -10 2.0 80 0.05 70 0.8 -20\n"
    "2 0.8 -20 1.9 70 0.06 60 0.7 -30\n"
    "3 0.7 -30 1.8 60 0.07 50 0.6 -40\n";

const char kNoiseLine1[] = "1 1.5 0.4 45 0.2\n";
const char kNoiseLine2[] = "2 1.6 0.45 50 0.25\n";
const char kNoiseLine3[] = "3 1.7 0.5 55 0.3\n";

int countOf(const std::vector<std::string>& names, const std::string& name) {
  return static_cast<int>(std::count(names.begin(), names.end(), name));
}

TEST(NoiseBlock, EqualCountsAddAvailableGainAfterNoiseNames) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + kNoiseLine2 + kNoiseLine3);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 3);
  EXPECT_EQ(read.data->noisePointCount, 3);
  EXPECT_EQ(read.data->hasNoise, 1);
  std::vector<std::string> names = read.names();
  ASSERT_EQ(names.size(), 27u);
  EXPECT_EQ(read.data->waveformCount, 27);
  EXPECT_EQ(names[17], "Noise-Par/NFmin");
  EXPECT_EQ(names[25], "Noise-Par/NF");
  EXPECT_EQ(names[26], "Gain-Par/Gas");
  EXPECT_EQ(read.data->noiseTemperature, 290.0);
}

TEST(NoiseBlock, FewerNoisePointsGiveNoAvailableGain) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + kNoiseLine2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 2);
  std::vector<std::string> names = read.names();
  EXPECT_EQ(names.size(), 26u);
  EXPECT_EQ(countOf(names, "Gain-Par/Gas"), 0);
  EXPECT_EQ(countOf(names, "Noise-Par/NF"), 1);
}

TEST(NoiseBlock, StoresFieldsConvertedAndScaled) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + kNoiseLine2 + kNoiseLine3);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noiseFrequencies[0], 1e9);
  EXPECT_EQ(read.data->noiseFrequencies[2], 3e9);
  // Read in dB; the network calculation keeps it as a linear factor.
  EXPECT_NEAR(read.sample("Noise-Par/NFmin", 1).real(), std::pow(10.0, 1.6 / 10.0), 1e-12);
  std::complex<double> gamma = read.sample("Noise-Par/GammaOpt", 0);
  EXPECT_NEAR(gamma.real(), 0.4 * std::cos(45 * 3.141592653589793 / 180), 1e-15);
  EXPECT_NEAR(gamma.imag(), 0.4 * std::sin(45 * 3.141592653589793 / 180), 1e-15);
  // Rn is normalised in the file: 0.2 of 50 ohms.
  EXPECT_DOUBLE_EQ(read.sample("Noise-Par/Rn", 0).real(), 10.0);
}

TEST(NoiseBlock, GammaOptIsMagnitudeAngleWhateverTheFormat) {
  OpenedText read("a.s2p", "# Hz S RI R 50\n1 0 0 0 0 0 0 0 0\n2 0 0 0 0 0 0 0 0\n1 1.5 0.5 90 0.2\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  std::complex<double> gamma = read.sample("Noise-Par/GammaOpt", 0);
  EXPECT_NEAR(gamma.real(), 0.0, 1e-15);
  EXPECT_NEAR(gamma.imag(), 0.5, 1e-15);
}

TEST(NoiseBlock, RnScaledByFirstTerminalImpedance) {
  OpenedText read("a.s2p", std::string("# GHz S MA R 75 50\n1 0.9 -10 2.0 80 0.05 70 0.8 -20\n") +
                               "0.5 1.5 0.4 45 0.2\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_DOUBLE_EQ(read.sample("Noise-Par/Rn", 0).real(), 15.0);
}

TEST(NoiseBlock, FourNumberLineEndsBlockWithoutAPoint) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + "2 1.5 0.4 45\n" + kNoiseLine3);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 1);
  EXPECT_EQ(read.data->hasNoise, 1);
}

TEST(NoiseBlock, BlankLineEndsBlock) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + "\n" + kNoiseLine2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 1);
}

TEST(NoiseBlock, CommentLinesInsideAreSkippedAndTrailingCommentsIgnored) {
  OpenedText read("a.s2p", std::string(kThreePoints) + "! noise parameters\n1 1.5 0.4 45 0.2 ! first\n" +
                               "! between\n" + kNoiseLine2 + "3 1.7 0.5 55 0.3 9 9 9\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 3);
  EXPECT_DOUBLE_EQ(read.sample("Noise-Par/Rn", 2).real(), 15.0);
}

TEST(NoiseBlock, CommentCuttingAPointShortEndsBlock) {
  OpenedText read("a.s2p", std::string(kThreePoints) + kNoiseLine1 + "2 1.6 0.45 ! 50 0.25\n" + kNoiseLine3);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->noisePointCount, 1);
}

TEST(NoiseBlock, ReadsNoMoreNoisePointsThanSPoints) {
  OpenedText read("a.s2p",
                  "# Hz S RI R 50\n5 0.1 0 0 0 0 0 0 0\n1 1 0.5 0 0.1\n2 1 0.5 0 0.1\n3 1 0.5 0 0.1\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.data->noisePointCount, 1);
}

// Only a file whose two-port is defined has a noise block: elsewhere a
// frequency that falls is one more point, kept where it stands, with a
// warning.
struct FallingFrequency {
  const char* fileName;
  const char* text;
  int points;
  double lastFrequency;
  int warningLine;
};

class FallingFrequencyTest : public ::testing::TestWithParam<FallingFrequency> {};

TEST_P(FallingFrequencyTest, IsKeptWithAWarningOutsideTwoPorts) {
  OpenedText read(GetParam().fileName, GetParam().text);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->hasNoise, 0);
  ASSERT_EQ(read.data->pointCount, GetParam().points);
  EXPECT_EQ(read.data->frequencies[GetParam().points - 1], GetParam().lastFrequency);
  std::string opening = "Warning in line " + std::to_string(GetParam().warningLine) + ": frequency ";
  EXPECT_EQ(read.errors.rfind(opening, 0), 0u) << read.errors;
  EXPECT_NE(read.errors.find("does not rise above the one before; the point is kept\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FallingFrequencyTest,
    ::testing::Values(FallingFrequency{"a.s1p", "# Hz S RI R 50\n5 0.1 0\n1 1 0.5\n", 2, 1, 3},
                      FallingFrequency{"a.s1p", "# Hz S RI R 50\n5 0.1 0\n5 0.2 0\n", 2, 5, 3},
                      FallingFrequency{"a.s2p", "# Hz S RI R 50\n5 0 0 0 0 0 0 0 0\n5 0 0 0 0 0 0 0 0\n", 2,
                                       5, 3},
                      FallingFrequency{"a.s3p",
                                       "# Hz S RI R 50\n2 0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n"
                                       "1 0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n",
                                       2, 1, 5},
                      // Mapped to three mixed-mode ports: no two-port.
                      FallingFrequency{"a.s4p",
                                       "! S11 = SDD11\n! S22 = SDD22\n! S33 = SDD33\n! S44 = SCC11\n"
                                       "# Hz S RI R 50\n2 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n"
                                       "0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n1 0 0 0 0 0 0 0 0\n"
                                       "0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n",
                                       2, 1, 10}));

TEST(NoiseBlock, DropBeforeAnyPointMeansNoData) {
  OpenedText read("a.s2p", "# Hz S RI R 50\n-1e31 1 0.5 0 0.1\n");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, read.refusal("There is no data values.\n "));
}

TEST(NoiseBlock, OpensWithZeroNoiseFigureAndResistance) {
  OpenedText read("a.s2p", std::string(kThreePoints) + "0.5 0 0.4 45 0\n" + kNoiseLine2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  EXPECT_EQ(read.data->noisePointCount, 2);
  EXPECT_EQ(read.sample("Noise-Par/Rn", 0).real(), 0.0);
}

// The line a falling frequency opens the noise block with must be a noise
// point, or the file is refused: a data line cut short or shifted, whose
// number happens to fall, is no noise data.
struct BadOpening {
  const char* name;
  const char* fileName;
  std::string text;
  int line;
  const char* why;
};

class NoiseOpening : public ::testing::TestWithParam<BadOpening> {};

TEST_P(NoiseOpening, RefusesTheFileNamingTheLine) {
  OpenedText read(GetParam().fileName, GetParam().text);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, "Error in line " + std::to_string(GetParam().line) +
                             ": a frequency below the one before opens the noise block, but this line is no "
                             "noise point: " +
                             GetParam().why + "\n" + read.refusal(""));
}

std::string fourPortRows(const char* frequency) {
  std::string text = frequency;
  for (int pair = 0; pair < 15; ++pair) text += " 0.1 0";
  return text + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NoiseOpening,
    ::testing::Values(
        BadOpening{"Short", "a.s2p", std::string(kThreePoints) + "1 1.5 0.4 45\n" + kNoiseLine2, 5,
                   "it holds 4 numbers, not 5"},
        BadOpening{"Long", "a.s2p", std::string(kThreePoints) + "1 1.5 0.4 45 0.2 7\n", 5,
                   "it holds 6 numbers, not 5"},
        BadOpening{"TwoNumbersAtTheEnd", "a.s2p", "# Hz S RI R 50\n2 0.5 0 0 0 0 0 0 0\n1 0.5\n", 3,
                   "it holds 2 numbers, not 5"},
        BadOpening{"NegativeNoiseFigure", "a.s2p", std::string(kThreePoints) + "1 -0.33 0.4 45 0.2\n", 5,
                   "its minimum noise figure -0.33 dB is below zero"},
        BadOpening{"NegativeResistance", "a.s2p", std::string(kThreePoints) + "1 1.5 0.4 45 -0.27\n", 5,
                   "its noise resistance -0.27 is below zero"},
        BadOpening{"ZeroFrequency", "a.s2p", std::string(kThreePoints) + "0 1.5 0.4 45 0.2\n", 5,
                   "its frequency 0 is not above zero"},
        BadOpening{"NegativeFrequency", "a.s2p", std::string(kThreePoints) + "-0.0029 1.5 0.4 45 0.2\n", 5,
                   "its frequency -0.0029 is not above zero"},
        BadOpening{"InsideADataLine", "a.s2p",
                   "# Hz S RI R 50\n1 0.1 0 0 0 0 0 0 0 2 0.2 0 0 0 0 0 0 0 1 1.5 0.5 0 0.4\n", 2,
                   "it holds 23 numbers, not 5"},
        BadOpening{
            "AfterTheLastPairOfAMixedModePoint", "a.s4p",
            std::string("! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SCC22\n# Hz S RI R 50\n") +
                fourPortRows("5") + "0 0 1 1.5 0.4\n",
            7, "the number that opens it is not the line's first"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace korvel::testing
