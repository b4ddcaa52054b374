// The parts of a file's header the summary reads itself.
#include "tools/file_header.h"

#include <gtest/gtest.h>

#include "tools/file_summary.h"
#include "tools/standard_input.h"

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

TEST(StandardInput, ExtensionGuessedFromTheText) {
  EXPECT_EQ(tool::guessExtension("* x\n*| N=2 DATA=4\n"), "sc");
  EXPECT_EQ(tool::guessExtension("! c\n# GHz S MA R 50\n1 0.5 0\n"), "s1p");
  EXPECT_EQ(tool::guessExtension("# GHz S MA R 50\n1 1 0 2 0 3 0 4 0 ! c\n"), "s2p");
  EXPECT_EQ(tool::guessExtension("[Version] 2.0\n[Number of Ports] 4\n"), "s4p");
  EXPECT_EQ(tool::guessExtension("# GHz S RI R 50\n1 2 3 4 5 6 7\n"), "");
  EXPECT_EQ(tool::guessExtension(""), "");
}

TEST(WrapWords, BreaksAtTheWidthAndIndents) {
  EXPECT_EQ(tool::wrapWords("  label ", {"aaa", "bbb", "ccc"}, 8, 15), "  label aaa bbb\n        ccc");
  EXPECT_EQ(tool::wrapWords("x ", {"muchtoolongword"}, 2, 5), "x muchtoolongword");
}

}  // namespace
}  // namespace korvel::testing
