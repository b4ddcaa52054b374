// Mixed-mode terminal names from comment lines: the block's grammar, its
// completeness check, and what mixed mode changes in names, impedances and
// the two-port terminals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

const char kDifferentialMapping[] = "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SCC22\n";
const char kOptionLine[] = "# GHz S RI R 50\n";

// One four-port point whose pair p (row-major, from 0) holds (p, 0).
std::string fourPortPoint() {
  std::string text = "1";
  for (int p = 0; p < 16; ++p) text += " " + std::to_string(p) + " 0";
  return text + "\n";
}

std::vector<std::string> terminalNames(const DataSet& data) {
  std::vector<std::string> names;
  for (int i = 0; i < data.terminalCount; ++i) names.emplace_back(data.terminalNames[i]);
  return names;
}

bool hasName(const OpenedText& read, const std::string& name) {
  std::vector<std::string> names = read.names();
  return std::find(names.begin(), names.end(), name) != names.end();
}

using Names = std::vector<std::string>;

TEST(MixedMode, MappingBeforeOptionLine) {
  OpenedText read("a.s4p", std::string(kDifferentialMapping) + "# GHz S MA R 50\n" + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  EXPECT_EQ(read.data->mixedMode, 1);
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
  EXPECT_EQ(read.data->portCount, 2);
  EXPECT_EQ(read.data->port1Index, 0);
  EXPECT_EQ(read.data->port2Index, 1);
  EXPECT_EQ(read.sample("Zo/Zod(1)", 0).real(), 100);
  EXPECT_EQ(read.sample("Zo/Zod(2)", 0).real(), 100);
  EXPECT_EQ(read.sample("Zo/Zoc(1)", 0).real(), 25);
  EXPECT_EQ(read.sample("Zo/Zoc(2)", 0).real(), 25);
  EXPECT_EQ(read.data->referenceImpedance, 100);
  EXPECT_TRUE(hasName(read, "Gain-Par/Gmax"));
  EXPECT_EQ(read.data->waveformCount, 16 + 4 + 16 + 16 + 3);
  std::vector<std::string> names = read.names();
  EXPECT_EQ(names[2], "S-Par/Sdc(1,1)");
  EXPECT_EQ(names[5], "S-Par/Sdd(2,2)");
}

TEST(MixedMode, FourPortValuesStayRowMajor) {
  OpenedText read("a.s4p", std::string(kDifferentialMapping) + kOptionLine + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("S-Par/Sdd(1,2)", 0).real(), 1);
  EXPECT_EQ(read.sample("S-Par/Sdd(2,1)", 0).real(), 4);
  EXPECT_EQ(read.sample("S-Par/Scd(1,1)", 0).real(), 8);
}

TEST(MixedMode, OneValuePerPortBeforeOptionLineIsRepeated) {
  OpenedText read("a.s4p", std::string(kDifferentialMapping) + "# GHz S RI R 50 75\n" + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zod(1)", 0).real(), 100);
  EXPECT_EQ(read.sample("Zo/Zod(2)", 0).real(), 100);
  EXPECT_EQ(read.sample("Zo/Zoc(1)", 0).real(), 37.5);
  EXPECT_EQ(read.sample("Zo/Zoc(2)", 0).real(), 37.5);
}

TEST(MixedMode, ParenthesisedForms) {
  OpenedText read("a.s4p",
                  "! S(1,1) = SDD(1,1)\n! S(2,2) = SDD(2,2)\n! S(3,3) = SCC(1,1)\n! S(4,4) = SCC(2,2)\n" +
                      std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
  EXPECT_EQ(read.data->mixedMode, 1);
}

TEST(MixedMode, SeveralDigitPortNumbers) {
  std::string text = "! S(1,1) = SDD(12,12)\n";
  for (int t = 2; t <= 12; ++t)
    text += "! S(" + std::to_string(t) + ",1) = SSS(" + std::to_string(t - 1) + ",1)\n";
  std::string point = "1";
  for (int p = 0; p < 144; ++p) point += " 0 0";
  OpenedText read("a.s12p", text + kOptionLine + point + "\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->portCount, 12);
  EXPECT_STREQ(read.data->terminalNames[0], "D12");
  EXPECT_STREQ(read.data->terminalNames[11], "S11");
  EXPECT_TRUE(hasName(read, "S-Par/Sds(12,11)"));
}

TEST(MixedMode, MappingAfterOptionLine) {
  OpenedText read("a.s4p", std::string(kOptionLine) + kDifferentialMapping + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
  EXPECT_EQ(read.sample("Zo/Zoc(1)", 0).real(), 25);
  EXPECT_EQ(read.data->referenceImpedance, 100);
}

TEST(MixedMode, OneValuePerPortAfterOptionLineIsNotEnough) {
  OpenedText read("a.s4p", std::string("# GHz S RI R 50 75\n") + kDifferentialMapping + fourPortPoint());
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, read.refusal("Can't find enough Zo's values.\n "));
}

TEST(MixedMode, TriggerNeedsEqualsApartFromValue) {
  OpenedText read("a.s4p", "! S11=SDD11\n! S22 = SDD22\n" + std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->mixedMode, 0);
  EXPECT_EQ(read.data->terminalNames, nullptr);
  EXPECT_TRUE(hasName(read, "S-Par/S(4,4)"));
}

TEST(MixedMode, TriggerWithEqualsAttachedToElement) {
  OpenedText read("a.s4p", "! S11= SDD11\n! S22=SDD22\n! s33 = SCC11\n! S44 =SCC22\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
}

TEST(MixedMode, TriggerValueMustBeginWithS) {
  OpenedText read("a.s4p", "! S11 = DD11\n! S22 = SDD22\n" + std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->mixedMode, 0);
}

TEST(MixedMode, NamesOfThreePortsHaveNoGains) {
  OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SDD33\n! S44 = SCC11\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->portCount, 3);
  EXPECT_FALSE(hasName(read, "Gain-Par/K"));
  EXPECT_EQ(read.data->port1Index, 0);
  EXPECT_EQ(read.data->port2Index, 1);
}

TEST(MixedMode, TwoPortTerminalsFollowTheirNames) {
  OpenedText read("a.s4p", "! S11 = SCC11\n! S22 = SCC22\n! S33 = SDD11\n! S44 = SDD22\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->port1Index, 2);
  EXPECT_EQ(read.data->port2Index, 3);
  EXPECT_EQ(read.data->referenceImpedance, 100);
}

TEST(MixedMode, LowerCaseLettersConvertButDoNotPlayPorts) {
  OpenedText read("a.s4p", "! s11 = scc11\n! s22 = scc22\n! s33 = sdd11\n! s44 = sdd22\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(terminalNames(*read.data), (Names{"c1", "c2", "d1", "d2"}));
  EXPECT_EQ(read.data->port1Index, 0);
  EXPECT_EQ(read.data->port2Index, 1);
  EXPECT_EQ(read.sample("Zo/Zod(1)", 0).real(), 100);
  EXPECT_EQ(read.sample("Zo/Zoc(1)", 0).real(), 25);
  EXPECT_TRUE(hasName(read, "S-Par/Sdc(1,1)"));
}

TEST(MixedMode, LaterLineWithTerminalZeroIsDropped) {
  OpenedText read("a.s4p",
                  std::string(kDifferentialMapping) + "! S0 = SDD00\n" + kOptionLine + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, mixed mode terminal number should be positive and less than 999.\n");
  EXPECT_EQ(read.data->mixedMode, 1);
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
}

TEST(MixedMode, LaterLineAboveTerminalCountIsDropped) {
  OpenedText read("a.s4p", std::string(kDifferentialMapping) + "! S(5,5) = SDD33\n! S(1000,1000) = SDD11\n" +
                               kOptionLine + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors,
            "format error, mixed mode terminal number should be positive and less than 999.\n"
            "format error, mixed mode terminal number should be positive and less than 999.\n");
  EXPECT_EQ(read.data->mixedMode, 1);
  EXPECT_EQ(read.data->portCount, 2);
}

TEST(MixedMode, UnequalLaterLineAcceptedAndOthersSkipped) {
  OpenedText read(
      "a.s4p",
      "! S11 = SDD11\n! a remark without assignment\n\n! S22=SDD22\n! Note = value\n! S33 SCC11 =\n"
      "! S44 = SCC22\n" +
          std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
}

TEST(MixedMode, PortBeyondTerminalCountIsIncomplete) {
  OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SDD55\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, name mapping for mixed mode is not complete.\n");
  EXPECT_EQ(read.data->mixedMode, 0);
  EXPECT_EQ(read.data->portCount, 4);
  EXPECT_TRUE(hasName(read, "S-Par/S(4,4)"));
  EXPECT_TRUE(hasName(read, "Zo/Zo(4)"));
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 50);
}

TEST(MixedMode, UnnamedTerminalIsIncomplete) {
  OpenedText read(
      "a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n" + std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, name mapping for mixed mode is not complete.\n");
  EXPECT_EQ(read.data->mixedMode, 0);
  EXPECT_TRUE(hasName(read, "S-Par/S(3,4)"));
}

TEST(MixedMode, BareLetterAfterLongPortNumberIsIncomplete) {
  OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n! S44 = SCC(1234,2)\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors,
            "format error, mixed mode terminal number should be positive and less than 999.\n"
            "format error, name mapping for mixed mode is not complete.\n");
  EXPECT_STREQ(read.data->terminalNames[3], "C");
  EXPECT_EQ(read.data->mixedMode, 0);
}

TEST(MixedMode, ShortOrMalformedNamesAreIncomplete) {
  for (const char* last :
       {"! S44 = SC\n", "! S44 = S\n", "! S44 = SCCx2\n", "! S44 = SCC(,2)\n", "! S44 = SCC00\n"}) {
    OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n" + std::string(last) +
                                 kOptionLine + fourPortPoint());
    ASSERT_TRUE(read.opened()) << last << read.errors;
    EXPECT_EQ(read.errors, "format error, name mapping for mixed mode is not complete.\n") << last;
    EXPECT_EQ(read.data->mixedMode, 0) << last;
  }
}

TEST(MixedMode, AbandonedTriggerReadsPlainIndices) {
  OpenedText read("a.s4p", "! S(1,1) = SDD(1234,1)\n! S22 = SDD22\n# GHz S RI R 50 75\n" +
                               std::string(kDifferentialMapping) + fourPortPoint());
  EXPECT_EQ(read.result, 1);
  // The two values are not repeated per port: plain indices need four.
  EXPECT_EQ(read.errors,
            read.refusal("format error, mixed mode terminal number should be positive and less than "
                         "999.\nCan't find enough Zo's values.\n "));
}

TEST(MixedMode, AbandonedTriggerStopsLaterMappings) {
  OpenedText read("a.s4p", "! S(1,1) = SDD(1234,1)\n" + std::string(kOptionLine) + kDifferentialMapping +
                               fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, mixed mode terminal number should be positive and less than 999.\n");
  EXPECT_EQ(read.data->mixedMode, 0);
  EXPECT_EQ(read.data->portCount, 4);
  EXPECT_TRUE(hasName(read, "S-Par/S(1,2)"));
  EXPECT_TRUE(hasName(read, "Zo/Zo(1)"));
}

TEST(MixedMode, AbandonedTriggerAfterOptionLine) {
  OpenedText read("a.s4p",
                  std::string(kOptionLine) + "! S11 = SDD(1000,1)\n! S22 = SDD22\n" + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->mixedMode, 0);
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_TRUE(hasName(read, "S-Par/S(4,4)"));
}

TEST(MixedMode, RejectedBlockBeforeOptionLineLeavesRoomForOneAfter) {
  OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n" + std::string(kOptionLine) +
                               kDifferentialMapping + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, name mapping for mixed mode is not complete.\n");
  EXPECT_EQ(read.data->mixedMode, 1);
  EXPECT_EQ(terminalNames(*read.data), (Names{"D1", "D2", "C1", "C2"}));
}

TEST(MixedMode, BlockEndsAtFirstDataLine) {
  // The data line before the option line ends the block and is skipped;
  // the mapping comment after it is never read.
  OpenedText read("a.s4p", "! S11 = SDD11\n! S22 = SDD22\n! S33 = SCC11\n1 0 0\n! S44 = SCC22\n" +
                               std::string(kOptionLine) + fourPortPoint());
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "format error, name mapping for mixed mode is not complete.\n");
}

TEST(MixedMode, BlockEndingTheFileLeavesNoHeader) {
  OpenedText read("a.s4p", kDifferentialMapping);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, read.refusal("Can not find the header line. \n"));
}

}  // namespace
}  // namespace korvel::testing
