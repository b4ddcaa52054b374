// A value token is a number only when the whole of it is one: the C
// library's strtod in the C locale, taking every character but white
// space after it, is the reference.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "text/text_input.h"

namespace korvel::testing {
namespace {

struct StrtodReading {
  double value;
  bool whole;
};

StrtodReading referenceReading(const std::string& text) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  char* stop = nullptr;
  double value = strtod_l(text.c_str(), &stop, cLocale);
  bool whole = stop != text.c_str();
  for (const char* p = stop; *p != '\0'; ++p) {
    if (*p != ' ' && (*p < '\t' || *p > '\r')) whole = false;
  }
  return {value, whole};
}

void expectSameValue(double actual, double expected, const std::string& text) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << '"' << text << '"';
  } else {
    EXPECT_EQ(actual, expected) << '"' << text << '"';
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
  }
}

constexpr const char* kTokens[] = {
    "0.5", "1e9", "-6.0206", "+.5e-1", "5.", ".5", "1.0E+09", "  0.5", "12\n", "3.0\r\n", "0\t\n", "\t-1.5e3",
    "0x1p3", "-0x10", "+0x1p1", "inf", "-Infinity", "+inf", "nan", "-nan", "NaN(123)", "1e400", "4.9e-324",
    "-0", "00012",
    // Not numbers in full.
    "abc", "0.88880265O", "1,5", "0,5", "1.2.3", "75,", "1.5abc", "1e", "1e+", "infx", "nanx", "in",
    "DATA=", "e5", ".", "", " ", "+", "-", "+-1", "--1", "0x", "1_000", "0.1\t0", "1d5", "0.5 0.5"};

class NumberInFull : public ::testing::TestWithParam<const char*> {};

TEST_P(NumberInFull, AgreesWithStrtodTakingTheWholeToken) {
  std::string text = GetParam();
  StrtodReading expected = referenceReading(text);
  double value = -7.0;
  EXPECT_EQ(parseNumberInFull(text, &value), expected.whole) << '"' << text << '"';
  expectSameValue(value, expected.value, text);
}

TEST_P(NumberInFull, PrefixLengthIsWhatStrtodTakes) {
  std::string text = GetParam();
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  char* stop = nullptr;
  strtod_l(text.c_str(), &stop, cLocale);
  double value = 0.0;
  EXPECT_EQ(readNumberPrefix(text, &value), static_cast<size_t>(stop - text.c_str())) << '"' << text << '"';
}

INSTANTIATE_TEST_SUITE_P(Tokens, NumberInFull, ::testing::ValuesIn(kTokens));

TEST(NumberInFull, ReadsOnlyTheView) {
  std::string text = "0.5abc";
  double value = 0.0;
  EXPECT_TRUE(parseNumberInFull(std::string_view(text).substr(0, 3), &value));
  EXPECT_EQ(value, 0.5);
  EXPECT_FALSE(parseNumberInFull(std::string_view(text).substr(0, 4), &value));
}

struct ValueWalkCase {
  const char* text;
  const char* delimiters;
};

// nextValue walks the tokens as next() does, and says of each token what
// parseNumberInFull says, with parseDouble's value.
class NextValueMatchesNextThenCheck : public ::testing::TestWithParam<ValueWalkCase> {};

TEST_P(NextValueMatchesNextThenCheck, ForText) {
  const ValueWalkCase& param = GetParam();
  DelimiterSet delimiters(param.delimiters);
  TokenCursor fused(param.text);
  TokenCursor reference(param.text);
  for (int index = 0;; ++index) {
    double value = -1.0;
    std::string_view token;
    TokenValue found = fused.nextValue(delimiters, &value, &token);
    std::string_view expected = reference.next(delimiters);
    ASSERT_EQ(found == TokenValue::kEnd, expected.empty()) << param.text << ", token " << index;
    if (found == TokenValue::kEnd) break;
    double expectedValue = 0.0;
    bool whole = parseNumberInFull(expected, &expectedValue);
    EXPECT_EQ(found == TokenValue::kNumber, whole) << param.text << ", token " << index;
    EXPECT_EQ(token, expected);
    expectSameValue(value, parseDouble(expected), std::string(expected));
    EXPECT_EQ(fused.rest(), reference.rest()) << param.text << ", token " << index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NextValueMatchesNextThenCheck,
    ::testing::Values(ValueWalkCase{"1 0.9 -10 2.0 80\n", " \r\t\n"},
                      ValueWalkCase{"1.2.3 0.88880265O abc 1,5 0,5 1e 7x\r\n", " \r\t\n"},
                      ValueWalkCase{"+.5 +1 0x1p3 -0x10 inf -nan NaN(1) infx", " \r\t\n"},
                      ValueWalkCase{"+ 1e9 2.5\n", " "}, ValueWalkCase{"+ 0.25 -0.5\r\n", " "},
                      ValueWalkCase{"0.1\t0 0\t\n", " "}, ValueWalkCase{"1.5abc\n", " "},
                      ValueWalkCase{"1,5,2e1,,-3", ","}, ValueWalkCase{"1e5e6 2.5.5", "e."},
                      ValueWalkCase{"", " "}));

}  // namespace
}  // namespace korvel::testing
