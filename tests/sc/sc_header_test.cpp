// The head of an SC file: header keywords, sweep names, terminal line and
// port roles, and the waveform names they lead to.
#include "sc/sc_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/opened_text.h"
#include "text/complex_conversion.h"

namespace korvel::testing {
namespace {

// Points of a T-terminal file, real and imaginary values, one point per
// frequency line plus one line of values.
std::string points(int terminals, int count) {
  std::string text = "+ DATA=\n";
  for (int p = 1; p <= count; ++p) {
    text += "+ " + std::to_string(p) + "e9\n+";
    for (int k = 0; k < terminals * terminals; ++k) text += " 0.1 0";
    text += "\n";
  }
  return text;
}

TEST(ScHeader, MinimalHeaderLineIsComplete) {
  OpenedText opening("network.sc", "*| N=2 DATA=3\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n" + points(2, 3));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.portCount, 2);
  EXPECT_EQ(data.pointCount, 3);
  EXPECT_EQ(data.hasNoise, 0);
  EXPECT_EQ(data.hasGroupDelay, 0);
  EXPECT_EQ(data.complexFormat, kFormatRealImaginary);
  EXPECT_EQ(data.blockCount, 1);
  EXPECT_EQ(data.sweepCount, 0);
  EXPECT_EQ(data.sweepNames, nullptr);
  EXPECT_EQ(data.isScFormat, 1);
  EXPECT_STREQ(data.frequencyUnit, "Hz");
  EXPECT_EQ(data.noiseTemperature, 290.0);
  EXPECT_EQ(opening.errors, "");
}

struct FormatCase {
  const char* keywords;
  int format;
};

class ComplexFormatKeyword : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ComplexFormatKeyword, SelectsFormatByFirstLetter) {
  OpenedText opening("network.sc", std::string("*| N=1 DATA=1 ") + GetParam().keywords +
                                       "\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n" + points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->complexFormat, GetParam().format) << GetParam().keywords;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ComplexFormatKeyword,
    ::testing::Values(FormatCase{"COMPLEX_DATAFORMAT=DB", 0}, FormatCase{"COMPLEX_DATAFORMAT=db", 0},
                      FormatCase{"COMPLEX_DATAFORMAT=MA", 1}, FormatCase{"COMPLEX_DATAFORMAT=m", 1},
                      FormatCase{"COMPLEX_DATAFORMAT=RI", 2}, FormatCase{"COMPLEX_DATAFORMAT=r", 2},
                      FormatCase{"COMPLEX_DATAFORMAT=CARTESIAN", 2}, FormatCase{"COMPLEX_DATAFORMAT=c", 2},
                      FormatCase{"COMPLEX_DATAFORMAT=PR", 3}, FormatCase{"COMPLEX_DATAFORMAT=p", 3},
                      FormatCase{"COMPLEX_DATAFORMAT=X", 2}, FormatCase{"COMPLEX_DATAFORMAT=", 2},
                      FormatCase{"COMPLEX_DATAFORMAT=MA COMPLEX_DATAFORMAT=X", 1},
                      FormatCase{"COMPLEX_DATAFORMAT=MA COMPLEX_DATAFORMAT=DB", 0},
                      FormatCase{"COMPLEX_DATAFORMAT=MA\tCOMPLEX_DATAFORMAT=DB", 1}));

TEST(ScHeader, KeywordsTakeLastValueAndNPortCounts) {
  OpenedText opening("network.sc",
                     "*| NPort=3 DATA=5 DATA=1 NOISE=2 GROUPDELAY=0 UNKNOWN=7\n"
                     "*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n" +
                         points(3, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->portCount, 3);
  EXPECT_EQ(opening.data->pointCount, 1);
  EXPECT_EQ(opening.data->hasNoise, 2);
}

TEST(ScHeader, HeaderLineFoundAfterOtherLines) {
  OpenedText opening("network.sc",
                     "title\n* N=9 DATA=9\n+ N=9\n*| N=1 DATA=1\n*| NumOfBlock=1 NumOfParam=0\n"
                     "+ Zo= 50\n" +
                         points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->portCount, 1);
}

TEST(ScSweepLine, StoresNamesInOrder) {
  OpenedText opening("network.sc",
                     "*| N=1 DATA=1\n*| NumOfBlock=6 NumOfParam=2 ParamNames=temp vdd\n*| ParamSweep temp: "
                     "25 50 75, vdd: 1.0 1.2\n"
                     "+ Zo= 50\n" +
                         points(1, 1) + points(1, 1) + points(1, 1) + points(1, 1) + points(1, 1) +
                         points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  ASSERT_EQ(opening.data->sweepCount, 2);
  EXPECT_STREQ(opening.data->sweepNames[0], "temp");
  EXPECT_STREQ(opening.data->sweepNames[1], "vdd");
  EXPECT_EQ(opening.data->blockCount, 6);
}

TEST(ScSweepLine, NamesBeyondCountAreIgnored) {
  OpenedText opening(
      "network.sc",
      "*| N=1 DATA=1\n*| NumOfBlock=2 NumOfParam=1 ParamNames=temp vdd\n*| ParamSweep temp: 25 50\n"
      "+ Zo= 50\n" +
          points(1, 1) + points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  ASSERT_EQ(opening.data->sweepCount, 1);
  EXPECT_STREQ(opening.data->sweepNames[0], "temp");
}

TEST(ScSweepLine, ZeroParametersStopsTheLine) {
  // NumOfBlock= after NumOfParam=0 is not read: one block.
  OpenedText opening("network.sc", "*| N=1 DATA=1\n*| NumOfParam=0 NumOfBlock=3\n+ Zo= 50\n" + points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->blockCount, 1);
  EXPECT_EQ(opening.data->sweepCount, 0);
}

TEST(ScSweepLine, NoBlocksGivesWaveformsWithoutSamples) {
  OpenedText opening("network.sc", "*| N=2 DATA=1\n*| NumOfBlock=0 NumOfParam=0\n+ Zo= 50\n" + points(2, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->blockCount, 0);
  EXPECT_EQ(opening.data->waveformCount, 17);
}

TEST(ScSweepLine, NoParameterCountMeansNoSweepWithBlocks) {
  OpenedText opening("network.sc",
                     "*| N=1 DATA=1\n*| NumOfBlock=2\n+ Zo= 50\n" + points(1, 1) + points(1, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->blockCount, 2);
  EXPECT_EQ(opening.data->sweepCount, 0);
}

struct TerminalCase {
  const char* name;
  int ports;
  const char* terminalLine;
  int mixedMode;
  std::vector<std::string> terminals;  // empty: no terminal names
  int port1;
  int port2;
};

class TerminalLine : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(TerminalLine, SetsTerminalsAndPortRoles) {
  const TerminalCase& param = GetParam();
  int terminals = param.terminals.empty() ? param.ports : static_cast<int>(param.terminals.size());
  OpenedText opening("network.sc", "*| N=" + std::to_string(param.ports) + " DATA=1\n*| NumOfBlock=1\n" +
                                       param.terminalLine + "\n+ Zo= 50\n" + points(terminals, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  const DataSet& data = *opening.data;
  EXPECT_EQ(data.mixedMode, param.mixedMode);
  EXPECT_EQ(data.terminalCount, terminals);
  if (param.terminals.empty()) {
    EXPECT_EQ(data.terminalNames, nullptr);
  } else {
    ASSERT_NE(data.terminalNames, nullptr);
    for (int i = 0; i < terminals; ++i) EXPECT_EQ(data.terminalNames[i], param.terminals[i]);
  }
  EXPECT_EQ(data.port1Index, param.port1);
  EXPECT_EQ(data.port2Index, param.port2);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TerminalLine,
    ::testing::Values(
        TerminalCase{"DifferentialPair", 2, "*| MIXEDMODE=1 DATATYPE=D1D2", 1, {"D1", "D2"}, 0, 1},
        TerminalCase{"CommonFirst", 2, "*| MIXEDMODE=1 DATATYPE=C1D1C2D2", 1, {"C1", "D1", "C2", "D2"}, 1, 3},
        TerminalCase{"SingleEnded", 2, "*| MIXEDMODE=1 DATATYPE=S2S1", 1, {"S2", "S1"}, 1, 0},
        TerminalCase{"LowerCaseKeepsDefaultRoles",
                     2,
                     "*| MIXEDMODE=1 DATATYPE=d1c1d2c2",
                     1,
                     {"d1", "c1", "d2", "c2"},
                     0,
                     1},
        TerminalCase{"ThreePortNoRoles", 3, "*| MIXEDMODE=1 DATATYPE=S1S2D3", 1, {"S1", "S2", "D3"}, 0, 1},
        TerminalCase{"TabSeparated", 2, "*|\tMIXEDMODE=1\tDATATYPE=D1D2\r", 1, {"D1", "D2"}, 0, 1},
        TerminalCase{"TypeBeforeMode", 2, "*| DATATYPE=D2D1 MIXEDMODE=1", 1, {"D2", "D1"}, 1, 0},
        TerminalCase{"ModeOffIgnoresType", 2, "*| MIXEDMODE=0 DATATYPE=D1D2C1C2", 0, {}, 0, 1},
        // The terminals are named before the mode is read: four of them,
        // with plain waveform names.
        TerminalCase{
            "ModeOffAfterType", 2, "*| DATATYPE=D1D2C1C2 MIXEDMODE=0", 0, {"D1", "D2", "C1", "C2"}, 0, 1},
        TerminalCase{
            "ModeOffAfterTypeRoles", 2, "*| DATATYPE=C1D2D1 MIXEDMODE=0", 0, {"C1", "D2", "D1"}, 2, 1},
        TerminalCase{
            "MarkGluedToMode", 2, "*|MIXEDMODE=1 DATATYPE=D1D2C1C2", 0, {"D1", "D2", "C1", "C2"}, 0, 1},
        TerminalCase{"ModeWithoutTypeIsNotMixed", 2, "*| MIXEDMODE=1", 0, {}, 0, 1},
        TerminalCase{"TypeWithoutLettersIsNotMixed", 2, "*| MIXEDMODE=1 DATATYPE=12", 0, {}, 0, 1},
        // Mixed-mode names are made of a terminal's letter and number; a
        // terminal named otherwise leaves the file unmixed.
        TerminalCase{"NameWithoutNumberIsNotMixed", 2, "*| MIXEDMODE=1 DATATYPE=DC", 0, {"D", "C"}, 0, 1},
        TerminalCase{
            "NameWithOtherTextIsNotMixed", 2, "*| MIXEDMODE=1 DATATYPE=DY-ParD2", 0, {"DY-Par", "D2"}, 0, 1},
        TerminalCase{"NameWithBraceIsNotMixed", 2, "*| MIXEDMODE=1 DATATYPE=D{1D2", 0, {"D{1", "D2"}, 0, 1},
        // One mode letter, one name, from the value's first character.
        TerminalCase{"FirstNameAnyLetter", 1, "*| MIXEDMODE=1 DATATYPE=x1D2", 1, {"x1"}, 0, 1},
        TerminalCase{"SeveralDigits", 2, "*| MIXEDMODE=1 DATATYPE=D1D2C12", 1, {"D1", "D2", "C12"}, 0, 1},
        TerminalCase{
            "LastTypeCounts", 2, "*| MIXEDMODE=1 DATATYPE=D1 DATATYPE=D1D2C1", 1, {"D1", "D2", "C1"}, 0, 1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ScTerminalLine, NamedTerminalsWithoutMixedModeGetPlainNames) {
  OpenedText opening(
      "network.sc",
      "*| N=2 DATA=1\n*| NumOfBlock=1\n*| DATATYPE=D1D2C1C2 MIXEDMODE=0\n+ Zo= 50\n" + points(4, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  std::vector<std::string> names = waveformNames(*opening.data);
  ASSERT_EQ(names.size(), 16u + 4 + 16 + 16 + 3);
  EXPECT_EQ(names[15], "S-Par/S(4,4)");
  EXPECT_EQ(names[19], "Zo/Zo(4)");
  // Not mixed: every terminal keeps the impedance as written.
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(1)", 0), 50);
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(3)", 0), 50);
  EXPECT_EQ(opening.data->referenceImpedance, 50);
}

TEST(ScTerminalLine, ZoLineFirstMeansNotMixed) {
  OpenedText opening(
      "network.sc",
      "*| N=2 DATA=1\n*| NumOfBlock=1\n+ Zo= 50\n*| MIXEDMODE=1 DATATYPE=D1D2C1C2\n" + points(2, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->mixedMode, 0);
  EXPECT_EQ(opening.data->terminalCount, 2);
  EXPECT_EQ(opening.data->terminalNames, nullptr);
}

struct SplitCase {
  const char* value;
  std::vector<std::string> names;
};

class TerminalNameSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(TerminalNameSplit, CutsAtModeLetters) {
  std::vector<std::string> names;
  for (std::string_view name : splitTerminalNames(GetParam().value)) names.emplace_back(name);
  EXPECT_EQ(names, GetParam().names) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, TerminalNameSplit,
                         ::testing::Values(SplitCase{"D1D2C1C2", {"D1", "D2", "C1", "C2"}},
                                           SplitCase{"S1S2D3", {"S1", "S2", "D3"}},
                                           SplitCase{"d1c1", {"d1", "c1"}}, SplitCase{"S12D3", {"S12", "D3"}},
                                           SplitCase{"DC", {"D", "C"}}, SplitCase{"1D2", {"1"}},
                                           SplitCase{"x1D2S3", {"x1", "D2"}}, SplitCase{"", {}},
                                           SplitCase{"123", {}}));

TEST(ScNames, TwoPortWithNoiseAndGroupDelayListsThirtyOne) {
  std::string file = "*| N=2 DATA=1 NOISE=1 GROUPDELAY=1\n*| NumOfBlock=1\n+ Zo= 50\n" + points(2, 1) +
                     "*| frequency\n*| 1e9 1 0.1 0 0.2\n+ DATA=\n+ 1e9\n+ 1 2 3 4\n";
  OpenedText opening("network.sc", file);
  ASSERT_EQ(opening.result, 0) << opening.errors;
  std::vector<std::string> names = waveformNames(*opening.data);
  ASSERT_EQ(names.size(), 31u);
  EXPECT_EQ(opening.data->waveformCount, 31);
  EXPECT_EQ(names[0], "S-Par/S(1,1)");
  EXPECT_EQ(names[4], "Zo/Zo(1)");
  EXPECT_EQ(names[14], "Gain-Par/Gmax");
  EXPECT_EQ(names[17], "Noise-Par/NFmin");
  EXPECT_EQ(names[25], "Noise-Par/NF");
  EXPECT_EQ(names[26], "Gain-Par/Gas");
  EXPECT_EQ(names[27], "GroupDelay/GD(1,1)");
  EXPECT_EQ(names[29], "GroupDelay/GD(2,1)");
}

TEST(ScNames, PlainThreePortListsThirty) {
  OpenedText opening("network.sc", "*| N=3 DATA=1\n*| NumOfBlock=1\n+ Zo= 50\n" + points(3, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(waveformNames(*opening.data).size(), 30u);
}

TEST(ScNames, MixedModeNamesFollowTerminals) {
  OpenedText opening(
      "network.sc",
      "*| N=2 DATA=1\n*| NumOfBlock=1\n*| MIXEDMODE=1 DATATYPE=D1D2C1C2\n+ Zo= 50\n" + points(4, 1));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  std::vector<std::string> names = waveformNames(*opening.data);
  ASSERT_EQ(names.size(), 55u);
  EXPECT_EQ(names[0], "S-Par/Sdd(1,1)");
  EXPECT_EQ(names[2], "S-Par/Sdc(1,1)");
  EXPECT_EQ(names[16], "Zo/Zod(1)");
  EXPECT_EQ(names[19], "Zo/Zoc(2)");
  EXPECT_EQ(names[52], "Gain-Par/Gmax");
}

}  // namespace
}  // namespace korvel::testing
