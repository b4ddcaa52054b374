// The plug-in's messages as the tool shows them.
#include "tools/session/plugin_messages.h"

#include <gtest/gtest.h>

namespace korvel::testing {
namespace {

struct OneLineCase {
  const char* label;
  const char* text;
  const char* line;
};

class OneLineMessageTest : public ::testing::TestWithParam<OneLineCase> {};

TEST_P(OneLineMessageTest, TrimsAndSplitsRunTogetherMessages) {
  EXPECT_EQ(tool::oneLineMessage(GetParam().text), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, OneLineMessageTest,
    ::testing::Values(OneLineCase{"StrayBlank", "Can't open file: a.s2p.\n ", "Can't open file: a.s2p."},
                      OneLineCase{"TwoLines", "There is no data values.\n Can't open file: a.s2p.\n ",
                                  "There is no data values. Can't open file: a.s2p."},
                      OneLineCase{
                          "RunTogether",
                          "The first character of file extension should be s.Can't open file: a.t2p.\n ",
                          "The first character of file extension should be s. Can't open file: a.t2p."},
                      OneLineCase{"LineNumberKept", "line 12: bad number\n", "line 12: bad number"},
                      OneLineCase{"Empty", "", ""}, OneLineCase{"OnlyBlanks", " \n \n", ""}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(RepeatedLines, CountsEachDistinctLineInOrder) {
  std::vector<tool::RepeatedLine> lines = tool::countRepeatedLines(
      "Matrix ([I] - S) is singular.\nMatrix ([I] + S) is singular.\n"
      "Matrix ([I] - S) is singular.\n\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Matrix ([I] - S) is singular.");
  EXPECT_EQ(lines[0].count, 2u);
  EXPECT_EQ(lines[1].count, 1u);
}

TEST(RepeatedLines, SingularPointMessagesComeOnceAPoint) {
  EXPECT_TRUE(tool::isSingularPointMessage("Matrix ([I] - S) is singular."));
  EXPECT_TRUE(tool::isSingularPointMessage(" Matrix ([I] + S) is singular.\r"));
  EXPECT_FALSE(tool::isSingularPointMessage("Matrix (Z_0) is singular."));
}

TEST(RepeatedLines, CollapsedForms) {
  EXPECT_EQ(tool::collapsedMessage({"Matrix ([I] - S) is singular.", 401}),
            "Matrix ([I] - S) is singular at 401 points");
  EXPECT_EQ(tool::collapsedMessage({"Matrix ([I] + S) is singular.", 1}),
            "Matrix ([I] + S) is singular at 1 point");
  EXPECT_EQ(tool::collapsedMessage({"Matrix (Z_0) is singular.", 3}), "Matrix (Z_0) is singular (3 times)");
  EXPECT_EQ(tool::collapsedMessage({"Matrix (Z_0) is singular.", 1}), "Matrix (Z_0) is singular.");
}

}  // namespace
}  // namespace korvel::testing
