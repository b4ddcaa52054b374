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
  EXPECT_STREQ(formats[0]->filePatterns, "[sS][cC]*");
  EXPECT_STREQ(formats[1]->formatName, "TouchStone");
  EXPECT_STREQ(formats[1]->filePatterns,
               "[sS][0-9]*[pP]* [sS][0-9][0-9] [tT][sS] [yY][0-9]*[pP]* [zZ][0-9]*[pP]* [hH][0-9]*[pP]* "
               "[gG][0-9]*[pP]*");
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

struct FormatChoice {
  const char* path;
  const char* format;  // null: no format matches
};

class HostFormatChoice : public ::testing::TestWithParam<FormatChoice> {};

TEST_P(HostFormatChoice, MatchesTheExtensionAgainstPatterns) {
  std::string error;
  const FormatDescriptor* format = pluginHost().formatFor(GetParam().path, &error);
  if (GetParam().format == nullptr) {
    EXPECT_EQ(format, nullptr) << GetParam().path;
    EXPECT_EQ(error, "no registered format matches the file name " +
                         std::string(std::strrchr(GetParam().path, '/') + 1));
  } else {
    ASSERT_NE(format, nullptr) << GetParam().path << ": " << error;
    EXPECT_STREQ(format->formatName, GetParam().format) << GetParam().path;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HostFormatChoice,
    ::testing::Values(FormatChoice{"/data/amp.s2p", "TouchStone"},
                      FormatChoice{"/data/net.sc0", "KORVELRF SC"}, FormatChoice{"/data/x.s12", "TouchStone"},
                      FormatChoice{"/sc0/amp.txt", nullptr},
                      // Upper and mixed case, as instruments that run Windows write them.
                      FormatChoice{"/data/AMP.S2P", "TouchStone"}, FormatChoice{"/data/x.S3P", "TouchStone"},
                      FormatChoice{"/data/x.S8P", "TouchStone"}, FormatChoice{"/data/x.s16P", "TouchStone"},
                      FormatChoice{"/data/x.Ts", "TouchStone"}, FormatChoice{"/data/x.TS", "TouchStone"},
                      FormatChoice{"/data/x.Z2P", "TouchStone"}, FormatChoice{"/data/x.S12", "TouchStone"},
                      FormatChoice{"/data/NET.SC0", "KORVELRF SC"},
                      FormatChoice{"/data/net.Sc", "KORVELRF SC"}, FormatChoice{"/data/x.TXT", nullptr},
                      FormatChoice{"/data/x.P2S", nullptr}));

// A name that begins like an SC extension is still read by its extension.
TEST(HostFormatChoice, NameBeginningWithScIsTouchstone) {
  std::string error;
  EXPECT_STREQ(pluginHost().formatFor("/data/scope_probe.s2p", &error)->formatName, "TouchStone");
  EXPECT_STREQ(pluginHost().formatFor("sc_net.s4p", &error)->formatName, "TouchStone");
  EXPECT_EQ(pluginHost().formatFor("/data/scope_probe", &error), nullptr);
}

}  // namespace
}  // namespace korvel::testing
