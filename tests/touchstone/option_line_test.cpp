// The option line: unit, parameter type, format, keyword and reference
// impedances, and every refusal of the header.
#include "touchstone/option_line.h"

#include <gtest/gtest.h>

#include "dataset/data_set.h"
#include "support/opened_text.h"

namespace korvel::testing {
namespace {

const char kPoint2[] = "1 0.9 -10 2.0 80 0.05 70 0.8 -20\n";

struct CompareCase {
  const char* a;
  const char* b;
  int expected;
};

class CompareIgnoreCaseTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareIgnoreCaseTest, ComparesUpperCased) {
  EXPECT_EQ(compareIgnoreCase(GetParam().a, GetParam().b), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CompareIgnoreCaseTest,
                         ::testing::Values(CompareCase{"GHz", "GHZ", 0}, CompareCase{"ghz", "GHz", 0},
                                           CompareCase{"", "", 0}, CompareCase{"Hz", "GHz", 'H' - 'G'},
                                           CompareCase{"Hz", "Hzx", -'X'}, CompareCase{"Hzx", "Hz", 'X'},
                                           CompareCase{"a", "B", 'A' - 'B'},
                                           // Bytes above 127 count as negative.
                                           CompareCase{"\xe9", "a", -23 - 'A'}));

struct UnitCase {
  const char* token;
  double scale;
};

class FrequencyUnitTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(FrequencyUnitTest, SetsScaleForWholeTokenAndAlwaysStoresHz) {
  DataSet data{};
  data.frequencyScale = 1.0;
  ASSERT_EQ(parseFrequencyUnit(GetParam().token, &data), 0);
  EXPECT_EQ(data.frequencyScale, GetParam().scale) << GetParam().token;
  ASSERT_NE(data.frequencyUnit, nullptr);
  EXPECT_STREQ(data.frequencyUnit, "Hz");
  std::free(data.frequencyUnit);
}

INSTANTIATE_TEST_SUITE_P(Units, FrequencyUnitTest,
                         ::testing::Values(UnitCase{"Hz", 1.0}, UnitCase{"hz", 1.0}, UnitCase{"GHz", 1e9},
                                           UnitCase{"ghz", 1e9}, UnitCase{"GHZ", 1e9}, UnitCase{"MHz", 1e6},
                                           UnitCase{"mhz", 1e6}, UnitCase{"KHz", 1e3}, UnitCase{"khz", 1e3},
                                           UnitCase{"THz", 1.0}, UnitCase{"Hertz", 1.0}, UnitCase{"GHzz", 1.0},
                                           UnitCase{"G", 1.0}));

struct RefusedOptionLine {
  const char* fileName;
  const char* text;
  const char* message;
};

class RefusedHeaderTest : public ::testing::TestWithParam<RefusedOptionLine> {};

TEST_P(RefusedHeaderTest, PrintsMessageThenOpenFileLine) {
  OpenedText read(GetParam().fileName, GetParam().text);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.data, nullptr);
  EXPECT_EQ(read.errors, read.refusal(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedHeaderTest,
    ::testing::Values(
        RefusedOptionLine{"a.s2p", "", "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", "! only a comment\n1 0.5 0 0.5 0 0.5 0 0.5 0\n", "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", " # GHz S MA R 50\n1 0.5 0 0.5 0 0.5 0 0.5 0\n", "Can not find the header line. \n"},
        RefusedOptionLine{"a.s2p", "#\n", "Can not find the freq_unit information. \n"},
        RefusedOptionLine{"a.s2p", "# ! GHz S MA R 50\n", "Can not find the freq_unit information. \n"},
        RefusedOptionLine{"a.s2p", "# GHz\n", "Can not find the parameter_type information. \n"},
        RefusedOptionLine{"a.s2p", "# GHz Y MA R 50\n", "Sorry, we only support S parameter now. \n"},
        RefusedOptionLine{"a.s2p", "# S MA R 50 GHz\n", "Sorry, we only support S parameter now. \n"},
        RefusedOptionLine{"a.s2p", "# GHz S\n", "Can not find the format information (DB, MA or RI?). \n"},
        RefusedOptionLine{"a.s2p", "# GHz S XX R 50\n", "Error, can not find the format information(DB, MA, RI). \n"},
        RefusedOptionLine{"a.s2p", "# GHz S MA\n", "Can not find the normalization impedence information. \n"},
        RefusedOptionLine{"a.s2p", "# GHz S MA 50\n", "Can't find enough Zo's values.\n "},
        RefusedOptionLine{"a.s2p", "# GHz S MA R\n", "Can't find enough Zo's values.\n "},
        RefusedOptionLine{"a.s3p", "# GHz S MA R 50 75\n", "Can't find enough Zo's values.\n "},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50\n", "There is no data values.\n "},
        RefusedOptionLine{"a.s2p", "# GHz S MA R 50\n1 0.5 0 0.5 0 0.5 0 0.5\n", "There is no data values.\n "}));

TEST(OptionLine, GigahertzMagnitudeAngle) {
  OpenedText read("a.s2p", std::string("# GHz S MA R 50\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  EXPECT_EQ(read.data->frequencyScale, 1e9);
  EXPECT_EQ(read.data->complexFormat, 1);
  EXPECT_STREQ(read.data->frequencyUnit, "Hz");
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0), std::complex<double>(50, 0));
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0), std::complex<double>(50, 0));
  EXPECT_EQ(read.data->referenceImpedance, 50);
}

TEST(OptionLine, LowerCaseWithoutBlankAfterHash) {
  OpenedText read("a.s2p", std::string("#ghz s ri r 50\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->frequencyScale, 1e9);
  EXPECT_EQ(read.data->complexFormat, 2);
}

TEST(OptionLine, UnknownUnitReadsAsHertz) {
  OpenedText read("a.s2p", std::string("# THz S MA R 50\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->frequencyScale, 1.0);
  EXPECT_EQ(read.data->frequencies[0], 1.0);
}

TEST(OptionLine, FormatIsChosenByFirstCharacter) {
  for (const char* format : {"DB", "d", "dBm"}) {
    OpenedText read("a.s1p", std::string("# Hz S ") + format + " R 50\n1 0 0\n");
    ASSERT_TRUE(read.opened()) << format << read.errors;
    EXPECT_EQ(read.data->complexFormat, 0) << format;
  }
}

TEST(OptionLine, ExtraImpedancesAreIgnored) {
  OpenedText read("a.s3p", "# GHz S RI R 50 75 100 125\n1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 50);
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), 75);
  EXPECT_EQ(read.sample("Zo/Zo(3)", 0).real(), 100);
  EXPECT_EQ(read.data->referenceImpedance, 50);
}

TEST(OptionLine, ImpedanceThatIsNoNumberReadsAsZero) {
  OpenedText read("a.s1p", "# GHz S RI R fifty\n1 0.5 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 0);
}

TEST(OptionLine, TrailingCommentIsIgnored) {
  OpenedText read("a.s2p", std::string("# GHz S MA R 50 ! from the bench\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 50);
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), 50);
}

TEST(OptionLine, CommentRightAfterImpedanceKeepsValues) {
  OpenedText read("a.s2p", std::string("# GHz S MA R 50 75!two values\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), 75);
}

TEST(OptionLine, DataBeforeOptionLineIsSkipped) {
  OpenedText read("a.s1p", "1 0.1 0\n2 0.2 0\n# Hz S RI R 50\n5 0.5 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, 1);
  EXPECT_EQ(read.data->frequencies[0], 5);
}

TEST(OptionLine, ResetsNoiseAndLeavesImpedancesUnconverted) {
  OpenedText read("a.s2p", std::string("# MHz S DB R 50 75\n") + kPoint2);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->hasNoise, 0);
  EXPECT_EQ(read.data->frequencyScale, 1e6);
  EXPECT_EQ(read.sample("Zo/Zo(2)", 0).real(), 75);
}

}  // namespace
}  // namespace korvel::testing
