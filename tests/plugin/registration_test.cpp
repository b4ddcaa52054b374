// The plug-in binary as the viewer sees it: its registration, the format
// property and openFile's refusals.
#include <gtest/gtest.h>

#include <cstring>

#include "support/test_support.h"

namespace korvel::testing {
namespace {

TEST(Registration, RegistersBothFormatsInOrderWithSharedCallbacks) {
  const auto& formats = pluginHost().formats();
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_STREQ(formats[0]->formatName, "KORVELRF SC");
  EXPECT_STREQ(formats[0]->filePatterns, "sc*");
  EXPECT_STREQ(formats[1]->formatName, "TouchStone");
  EXPECT_STREQ(formats[1]->filePatterns, "s[0-9]*p* s[0-9][0-9] ts y[0-9]*p* z[0-9]*p* h[0-9]*p* g[0-9]*p*");
  // Everything after the two strings is the seven callbacks, identical.
  EXPECT_EQ(std::memcmp(&formats[0]->formatProperty, &formats[1]->formatProperty,
                        sizeof(FormatDescriptor) - 2 * sizeof(const char*)),
            0);
  EXPECT_NE(formats[0]->loadWaveformList, nullptr);
}

TEST(Registration, SecondInitRegistersNothing) {
  auto& host = pluginHost();
  int calls = host::WaveformLibrary::instance().registrationCalls();
  EXPECT_EQ(host.callInit(), 0);
  EXPECT_EQ(host::WaveformLibrary::instance().registrationCalls(), calls);
  EXPECT_EQ(host.formats().size(), 2u);
}

struct FormatPropertyCase {
  const char* option;
  int result;
};

class FormatPropertyTest : public ::testing::TestWithParam<FormatPropertyCase> {};

TEST_P(FormatPropertyTest, AnswersAuthorOnly) {
  const auto& param = GetParam();
  for (FormatDescriptor* format : pluginHost().formats()) {
    host::PropertyAnswer answer = pluginHost().formatProperty(*format, param.option);
    EXPECT_EQ(answer.result, param.result) << param.option;
    if (param.result == 0) {
      EXPECT_TRUE(answer.answered);
      EXPECT_EQ(answer.text, "Tarnwell ");
      EXPECT_EQ(answer.resultKind, 7);
    } else {
      EXPECT_FALSE(answer.answered) << "record must stay untouched";
      EXPECT_EQ(answer.resultKind, -1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Options, FormatPropertyTest,
                         ::testing::Values(FormatPropertyCase{"-author", 0}, FormatPropertyCase{"-a", 0},
                                           FormatPropertyCase{"-abc", 0}, FormatPropertyCase{"-", 1},
                                           FormatPropertyCase{"-x", 1}, FormatPropertyCase{"", 1},
                                           FormatPropertyCase{"a", 1}));

TEST(HostFormatChoice, MatchesTailAgainstPatterns) {
  std::string error;
  EXPECT_STREQ(pluginHost().formatFor("/data/amp.s2p", &error)->formatName, "TouchStone");
  EXPECT_STREQ(pluginHost().formatFor("/data/net.sc0", &error)->formatName, "KORVELRF SC");
  EXPECT_STREQ(pluginHost().formatFor("x.s12", &error)->formatName, "TouchStone");
  EXPECT_EQ(pluginHost().formatFor("/sc0/amp.txt", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace korvel::testing
