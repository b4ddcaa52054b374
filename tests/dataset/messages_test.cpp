// The system's messages: their bytes on standard error, and the routing of
// a read's messages to another sink.
#include "dataset/messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/gathering_sink.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

struct MessageCase {
  Message message;
  const char* argument;
  const char* printed;
};

class StandardErrorMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(StandardErrorMessage, PrintsItsTextByteForByte) {
  const MessageCase& c = GetParam();
  CapturedStream captured(stderr);
  int result = fail(c.message, c.argument);
  EXPECT_EQ(captured.finish(), c.printed);
  EXPECT_EQ(result, kFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StandardErrorMessage,
    ::testing::Values(
        MessageCase{Message::kExtensionNotS, nullptr, "The first character of file extension should be s."},
        MessageCase{Message::kCannotOpenForRead, "/data/a b%s.s2p",
                    "Error: unable to open /data/a b%s.s2p for read.\n"},
        MessageCase{Message::kCannotOpenFile, "amp.s2p", "Can't open file: amp.s2p.\n "},
        MessageCase{Message::kOutOfMemory, nullptr, "Not enough memory to read the file.\n"},
        MessageCase{Message::kFileTooLarge, nullptr, "The file is too large to be read.\n"},
        MessageCase{Message::kZoValuesIncomplete, nullptr, "Can't find enough Zo's values.\n "},
        MessageCase{Message::kZoValuesMissing, nullptr, "Can't find the Zo's values.\n "},
        MessageCase{Message::kScatteringIncomplete, nullptr, "Can't find enough S-parameter values.\n "},
        MessageCase{Message::kPortNumberMissing, nullptr, "Can not find the port_number information. \n"},
        MessageCase{Message::kCountsNotPositive, nullptr,
                    "Port_number and data points number can not be 0. \n"},
        MessageCase{Message::kSweepingMissing, nullptr, "Can not find the sweeping information. \n"},
        MessageCase{Message::kBlockCountNegative, nullptr, "NumOfBlock can not be negative.\n"},
        MessageCase{Message::kSweepNamesIncomplete, nullptr, "The sweep parameter names are not complete.\n"},
        MessageCase{Message::kSweepValuesMissing, nullptr, "Can not find the sweep parameter values.\n"},
        MessageCase{Message::kSweepParameterMissing, "Vgs",
                    "Can not find the sweep parameter Vgs's values.\n"},
        MessageCase{Message::kSweepValuesIncomplete, nullptr, "Can't read enough parameter values.\n "},
        MessageCase{Message::kMixedModeMissing, nullptr, "Can not find the MIXEDMOD information. \n"},
        MessageCase{Message::kTwoPortTerminals, nullptr, "A two-port needs two terminals.\n"},
        MessageCase{Message::kScatteringMissing, nullptr, "Can't find S-parameter values.\n "},
        MessageCase{Message::kNoiseMissing, nullptr, "Can't find noise parameter values.\n "},
        MessageCase{Message::kNoiseIncomplete, nullptr, "Can't find enough noise parameter values.\n "},
        MessageCase{Message::kGroupDelayMissing, nullptr, "Can't find group delay values.\n "},
        MessageCase{Message::kGroupDelayIncomplete, nullptr, "Can't find enough Group Delay values.\n "},
        MessageCase{Message::kTerminalNameRepeated, "D1", "Terminal D1 is named twice in DATATYPE=.\n"},
        MessageCase{Message::kHeaderLineMissing, nullptr, "Can not find the header line. \n"},
        MessageCase{Message::kMappingTerminalNumber, nullptr,
                    "format error, mixed mode terminal number should be positive and less than 999.\n"},
        MessageCase{Message::kMappingIncomplete, nullptr,
                    "format error, name mapping for mixed mode is not complete.\n"},
        MessageCase{Message::kNoData, nullptr, "There is no data values.\n "}));

struct LineCase {
  Message message;
  int line;
  const char* argument;
  const char* printed;
};

class MessageAboutALine : public ::testing::TestWithParam<LineCase> {};

// A message about one line carries its number and its kind; one that is
// not keeps its bytes, the line number going only to a sink that keeps it.
TEST_P(MessageAboutALine, PrintsLineNumberAndKind) {
  const LineCase& c = GetParam();
  CapturedStream captured(stderr);
  EXPECT_EQ(failAt(c.message, c.line, c.argument), kFailed);
  EXPECT_EQ(captured.finish(), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MessageAboutALine,
    ::testing::Values(
        LineCase{Message::kKeywordUnknown, 7, "[Colour]", "Error in line 7: unknown keyword [Colour]\n"},
        LineCase{Message::kEndMissing, 12, nullptr,
                 "Warning in line 12: [End] is missing; the data read is kept\n"},
        LineCase{Message::kOptionFieldTwice, 1, "\"MHz\" gives the frequency unit",
                 "Error in line 1: \"MHz\" gives the frequency unit a second time on the option line\n"},
        LineCase{Message::kHeaderLineMissing, 4, nullptr, "Can not find the header line. \n"},
        LineCase{Message::kZoValuesIncomplete, 1, nullptr, "Can't find enough Zo's values.\n "},
        LineCase{Message::kNoiseDataMissing, 6, nullptr,
                 "Warning in line 6: [Number of Noise Frequencies] is given but [Noise Data] is missing; the "
                 "network data is kept\n"},
        LineCase{Message::kOptionLineRepeated, 7, nullptr,
                 "Warning in line 7: the option line is given a second time, the same as the first; it is "
                 "passed over\n"}));

struct QuotingCase {
  std::string token;
  QuoteMarks marks;
  std::string quoted;
};

class QuotedTokenTest : public ::testing::TestWithParam<QuotingCase> {};

TEST_P(QuotedTokenTest, CutsAndEscapes) {
  EXPECT_EQ(quotedToken(GetParam().token, GetParam().marks), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuotedTokenTest,
    ::testing::Values(
        QuotingCase{"THz", QuoteMarks::kDouble, "\"THz\""},
        QuotingCase{" \tTHz\r\n", QuoteMarks::kDouble, "\"THz\""},
        QuotingCase{"a\tb\nc\rd\x01"
                    "e\x1b\x7f",
                    QuoteMarks::kDouble, "\"a\\tb\\nc\\rd\\x01e\\x1b\\x7f\""},
        QuotingCase{"say \"hi\" \\", QuoteMarks::kDouble, "\"say \\\"hi\\\" \\\\\""},
        QuotingCase{"Colour", QuoteMarks::kBrackets, "[Colour]"},
        QuotingCase{"a\"b", QuoteMarks::kBrackets, "[a\"b]"}, QuotingCase{"Vgs", QuoteMarks::kNone, "Vgs"},
        QuotingCase{std::string("a\0b", 3), QuoteMarks::kNone, "a\\x00b"},
        QuotingCase{"", QuoteMarks::kDouble, "\"\""},
        QuotingCase{std::string(40, 'x'), QuoteMarks::kDouble, "\"" + std::string(40, 'x') + "\""},
        QuotingCase{std::string(41, 'x'), QuoteMarks::kDouble, "\"" + std::string(40, 'x') + "...\""},
        // A UTF-8 character is never cut in two, nor is it escaped.
        QuotingCase{std::string(39, 'x') + "\xc3\xa9", QuoteMarks::kNone, std::string(39, 'x') + "..."},
        QuotingCase{std::string(38, 'x') + "\xc3\xa9", QuoteMarks::kNone,
                    std::string(38, 'x') + "\xc3\xa9"}));

TEST(MessageTable, SeverityOfWarningsAndTheClosingLine) {
  EXPECT_EQ(messageSeverity(Message::kNoData), Severity::kError);
  EXPECT_EQ(messageSeverity(Message::kMappingIncomplete), Severity::kWarning);
  EXPECT_EQ(messageSeverity(Message::kFrequencyNotRising), Severity::kWarning);
  EXPECT_EQ(messageSeverity(Message::kCannotOpenFile), Severity::kOutcome);
  // Opens with a warning; a check counts it an error.
  EXPECT_EQ(messageSeverity(Message::kNoiseDataMissing), Severity::kLapse);
  EXPECT_EQ(messageWithArgument(Message::kMixedPortTwice, "3"),
            "[Mixed-Mode Order] uses port 3 in two groups");
}

TEST(MessageRoute, SendsMessagesToItsSinkWhileItLasts) {
  GatheringSink outer;
  GatheringSink inner;
  CapturedStream captured(stderr);
  {
    MessageRoute toOuter(outer);
    report(Message::kNoData);
    {
      MessageRoute toInner(inner);
      EXPECT_EQ(fail(Message::kSweepParameterMissing, "L1"), kFailed);
    }
    report(Message::kHeaderLineMissing);
  }
  report(Message::kFileTooLarge);
  EXPECT_EQ(captured.finish(), "The file is too large to be read.\n");
  ASSERT_EQ(outer.gathered.size(), 2u);
  EXPECT_EQ(outer.gathered[0].first, Message::kNoData);
  EXPECT_EQ(outer.gathered[1].first, Message::kHeaderLineMissing);
  ASSERT_EQ(inner.gathered.size(), 1u);
  EXPECT_EQ(inner.gathered[0].first, Message::kSweepParameterMissing);
  EXPECT_EQ(inner.gathered[0].second, "L1");
}

}  // namespace
}  // namespace korvel::testing
