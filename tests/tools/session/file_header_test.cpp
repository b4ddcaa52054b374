// The parts of a file's header the summary reads itself.
#include "tools/session/file_header.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/output/word_wrap.h"
#include "tools/session/standard_input.h"

namespace korvel::testing {
namespace {

TEST(TouchstoneHeader, OptionLineAndLeadingComments) {
  tool::FileHeader header = tool::touchstoneHeader(
      "! first\n!second  line\n# mhz y ri r 75\n! after the option line\n1 2 3\n! not a header comment\n");
  EXPECT_EQ(header.parameterType, "Y");
  EXPECT_EQ(header.dataFormat, "RI");
  EXPECT_EQ(header.frequencyUnit, "MHz");
  EXPECT_TRUE(header.optionLine);
  EXPECT_EQ(header.comments, (std::vector<std::string>{"first", "second  line", "after the option line"}));
}

TEST(TouchstoneHeader, VersionTwoKeywords) {
  tool::FileHeader header = tool::touchstoneHeader(
      "! made by a tool\n[Version] 2.0\n# GHz H MA R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
      "[Network Data]\n! inside the data\n1 2 3 4 5 6 7 8 9\n");
  EXPECT_EQ(header.version, "2.0");
  EXPECT_EQ(header.parameterType, "H");
  EXPECT_EQ(header.dataFormat, "MA");
  EXPECT_EQ(header.comments, std::vector<std::string>{"made by a tool"});
}

TEST(TouchstoneHeader, AnyLetterAndNoOptionLine) {
  EXPECT_EQ(tool::touchstoneHeader("# GHz Q XX\n1 2 3\n").parameterType, "");
  tool::FileHeader bare = tool::touchstoneHeader("1 2 3\n");
  EXPECT_FALSE(bare.optionLine);
  EXPECT_TRUE(bare.comments.empty());
}

TEST(ScHeader, FormatAndComments) {
  tool::FileHeader header = tool::scHeader(
      "* KORVELRF analysis of x\n*| N=2 DATA=4 COMPLEX_DATAFORMAT=MA\n+ Zo= 50\n+ DATA=\n+ 1e9\n* later\n");
  EXPECT_EQ(header.parameterType, "S");
  EXPECT_EQ(header.dataFormat, "MA");
  EXPECT_EQ(header.comments, std::vector<std::string>{"KORVELRF analysis of x"});
}

// A 1.x point of N ports holding the numbers `first`, `first` + 1, ...
// after its frequency, written as the standard writes it: a row of the
// matrix from a new line, at most four pairs a line.
std::string pointLines(double frequency, int ports) {
  std::string text = std::to_string(frequency);
  for (int row = 0; row < ports; ++row) {
    for (int column = 0; column < ports; ++column) {
      if (column > 0 && column % 4 == 0) text += "\n";
      text += " 0.1 -0.2";
    }
    text += "\n";
  }
  return text;
}

struct GuessCase {
  const char* label;
  std::string text;
  const char* extension;
};

class StandardInputGuess : public ::testing::TestWithParam<GuessCase> {};

TEST_P(StandardInputGuess, PortCountFromWholePoints) {
  std::string why;
  EXPECT_EQ(tool::guessExtension(GetParam().text, &why), GetParam().extension) << why;
  // A refusal always says why.
  if (std::string(GetParam().extension).empty()) {
    EXPECT_FALSE(why.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StandardInputGuess,
    ::testing::Values(
        GuessCase{"Simulator", "* x\n*| N=2 DATA=4\n", "sc"},
        GuessCase{"OnePort", "! c\n# GHz S MA R 50\n1 0.5 0\n", "s1p"},
        GuessCase{"OnePortSeveralPointsALine", "# GHz S MA R 50\n1 0.5 0 2 0.4 0\n3 0.3 0\n", "s1p"},
        GuessCase{"TwoPort", "# GHz S MA R 50\n1 1 0 2 0 3 0 4 0 ! c\n", "s2p"},
        GuessCase{"TwoPortWithNoise",
                  "# GHz S MA R 50\n1 0.5 0 2 0 0.1 0 0.4 0\n2 0.5 0 2 0 0.1 0 0.4 0\n1 0.5 0.2 30 0.1\n",
                  "s2p"},
        GuessCase{"HybridParametersAreTwoPort", "# kHz H MA R 1\n2 .95 -26 3.57 157 .04 76 .66 -14", "s2p"},
        GuessCase{"Keyword", "[Version] 2.0\n[Number of Ports] 4\n", "s4p"},
        GuessCase{"ThreePort", "# GHz S RI R 50\n" + pointLines(1, 3) + pointLines(2, 3), "s3p"},
        // Nine numbers on the first line, as a two-port has.
        GuessCase{"FourPort", "# GHz S RI R 50\n" + pointLines(1, 4) + pointLines(2, 4), "s4p"},
        GuessCase{"FourPortSignedNumbers",
                  "# GHz S RI R 50\n1 +1 0 0 0 0 0 0 0\n" + std::string(3, '\t') +
                      "+1 0 0 0 0 0 0 0\n+1 0 0 0 0 0 0 0\n+1 0 0 0 0 0 0 0\n",
                  "s4p"},
        GuessCase{"SixPort", "# GHz S RI R 50\n" + pointLines(1, 6) + pointLines(2, 6), "s6p"},
        GuessCase{"ByteOrderMark", "\xEF\xBB\xBF! c\n# GHz S RI R 50\n1 0.1 0.2\n", "s1p"},
        // Three one-port points whose frequencies rise, or one two-port point.
        GuessCase{"Ambiguous", "# GHz S RI R 50\n1 2 3 4 5 6 7 8 9\n", ""},
        GuessCase{"NoWholePoint", "# GHz S RI R 50\n1 2 3 4 5 6 7\n", ""}, GuessCase{"Empty", "", ""}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(WrapWords, BreaksAtTheWidthAndIndents) {
  EXPECT_EQ(tool::wrapWords("  label ", {"aaa", "bbb", "ccc"}, 8, 15), "  label aaa bbb\n        ccc");
  EXPECT_EQ(tool::wrapWords("x ", {"muchtoolongword"}, 2, 5), "x muchtoolongword");
}

}  // namespace
}  // namespace korvel::testing
