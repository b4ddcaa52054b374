// The shared text handling: numbers as the C library reads them in the C
// locale (whatever the process locale), strtok's tokens, and whole lines.
#include "text/text_input.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/decimal_comma_locale.h"
#include "support/opened_text.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// strtod of the text in the C locale, the reference for every case.
double referenceStrtod(const std::string& text) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text.c_str(), nullptr, cLocale);
}

void expectSameDouble(double actual, double expected, const std::string& text) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << '"' << text << '"';
    return;
  }
  EXPECT_EQ(actual, expected) << '"' << text << '"';
  EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
}

class ParseDoubleMatchesStrtod : public ::testing::TestWithParam<const char*> {};

TEST_P(ParseDoubleMatchesStrtod, ForText) {
  std::string text = GetParam();
  expectSameDouble(parseDouble(text), referenceStrtod(text), text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDoubleMatchesStrtod,
    ::testing::Values("0.5", "1e9", "-6.0206", "  0.5", "\t-1.5e3", "\n\r\v\f 2", " \t 7.25x", "+.5e-1x",
                      "5.", ".5", ".", "", " ", "+", "-", "+-1", "-+1", "++1", "--1", "abc", "1.5abc", "1e",
                      "1e+", "1e-x", "1e400", "-1e400", "1e-400", "4.9e-324", "2.4e-324",
                      "1.7976931348623157e308", "1.7976931348623159e308", "-0", "-0.0", "+0", "0x1p3",
                      "0X1.8p1", "-0x10", "0x", "0xg", "0x.8", "+0x1p1", "0x1P-1074", "inf", "-Infinity",
                      "+inf", "INF", "infx", "infinit", "nan", "-nan", "NaN(123)", "nanx", "in", "na", "1,5",
                      "0,5", "00012", "1_000", "12\n", "75,", "3.0\r\n", "0.1234567890123456789012345",
                      "123456789012345678901234567890", "DATA=", "e5"));

TEST(ParseDouble, StopsAtTheEndOfTheView) {
  std::string text = "12345";
  EXPECT_EQ(parseDouble(std::string_view(text).substr(0, 2)), 12.0);
  std::string hex = "0x1p4";
  EXPECT_EQ(parseDouble(std::string_view(hex).substr(0, 3)), 1.0);
  std::string infinity = "infinity";
  EXPECT_TRUE(std::isinf(parseDouble(std::string_view(infinity).substr(0, 3))));
}

TEST(ParseDouble, IgnoresDecimalCommaLocale) {
  DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale can be had here";
  ASSERT_EQ(std::atof("0.5"), 0.0) << "the locale reads a point as no separator";
  EXPECT_EQ(parseDouble("0.5"), 0.5);
  EXPECT_EQ(parseDouble("-6.0206e1"), -60.206);
  EXPECT_EQ(parseDouble("0x1.8p1"), 3.0);
  EXPECT_EQ(parseDouble("0,5"), 0.0);
  OpenedText opening("network.sc",
                     "*| N=1 DATA=1\n*| NumOfBlock=1\n+ Zo= 50.5\n+ DATA=\n+ 1.5e9\n+ 0.25 -0.5\n");
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->frequencies[0], 1.5e9);
  EXPECT_EQ(realPart(*opening.data, "S-Par/S(1,1)", 0), 0.25);
  EXPECT_EQ(imagPart(*opening.data, "S-Par/S(1,1)", 0), -0.5);
  EXPECT_EQ(realPart(*opening.data, "Zo/Zo(1)", 0), 50.5);
}

struct IntCase {
  const char* text;
  int value;
};

class ParseIntCases : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseIntCases, ReadsLeadingInteger) {
  EXPECT_EQ(parseInt(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseIntCases,
                         ::testing::Values(IntCase{"42", 42}, IntCase{"  -7", -7}, IntCase{"+3", 3},
                                           IntCase{"\t\n 8", 8}, IntCase{"12abc", 12}, IntCase{"3.9", 3},
                                           IntCase{"", 0}, IntCase{"abc", 0}, IntCase{"- 5", 0},
                                           IntCase{"+-1", 0}, IntCase{"2\r\n", 2},
                                           IntCase{"2147483647", INT_MAX}, IntCase{"2147483648", INT_MAX},
                                           IntCase{"-2147483648", INT_MIN}, IntCase{"-2147483649", INT_MIN},
                                           IntCase{"99999999999999999999999", INT_MAX},
                                           IntCase{"-99999999999999999999999", INT_MIN}, IntCase{"0x10", 0},
                                           IntCase{"007", 7}));

struct TokenCase {
  const char* text;
  std::vector<const char*> delimiterSets;  // one per call; the last repeats
};

// The tokens strtok gives for the same text and delimiter sets.
std::vector<std::string> strtokTokens(const TokenCase& param) {
  std::vector<char> copy(param.text, param.text + std::strlen(param.text) + 1);
  std::vector<std::string> tokens;
  char* text = copy.data();
  for (size_t call = 0;; ++call) {
    const char* delimiters = param.delimiterSets[std::min(call, param.delimiterSets.size() - 1)];
    char* token = std::strtok(text, delimiters);
    text = nullptr;
    if (token == nullptr) return tokens;
    tokens.emplace_back(token);
  }
}

DelimiterSet delimiterSet(const char* characters) { return DelimiterSet(characters); }

class TokenCursorMatchesStrtok : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenCursorMatchesStrtok, ForText) {
  const TokenCase& param = GetParam();
  TokenCursor cursor(param.text);
  std::vector<std::string> tokens;
  for (size_t call = 0;; ++call) {
    DelimiterSet delimiters =
        delimiterSet(param.delimiterSets[std::min(call, param.delimiterSets.size() - 1)]);
    bool atEnd = cursor.atEnd(delimiters);
    std::string_view token = cursor.next(delimiters);
    EXPECT_EQ(atEnd, token.empty());
    if (token.empty()) break;
    tokens.emplace_back(token);
  }
  EXPECT_EQ(tokens, strtokTokens(param)) << param.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TokenCursorMatchesStrtok,
    ::testing::Values(TokenCase{"*| N=2 DATA=3\n", {" "}}, TokenCase{"*| N=2 DATA=3 \n", {" "}},
                      TokenCase{"   a   b  ", {" "}}, TokenCase{"", {" "}}, TokenCase{"    ", {" "}},
                      TokenCase{"a\tb c\r\nd", {" \t"}}, TokenCase{"a\tb c\r\nd", {" \r\t\n"}},
                      TokenCase{"*| MIXEDMODE=1 !DATATYPE=D1D2", {" !=\r\t\n"}},
                      TokenCase{"name: 1 2, x", {":", " "}}, TokenCase{"a,b,,c", {",", " ", ","}},
                      TokenCase{"+ 1e9\r\n", {" "}}, TokenCase{"x", {"x"}}));

TEST(TokenCursor, RestIsTheUnreadText) {
  TokenCursor cursor("*| ParamSweep temp: 25");
  EXPECT_EQ(cursor.next(kBlankDelimiters), "*|");
  EXPECT_EQ(cursor.rest(), "ParamSweep temp: 25");
  EXPECT_EQ(cursor.next(kBlankDelimiters), "ParamSweep");
  EXPECT_EQ(cursor.next(kBlankDelimiters), "temp:");
  EXPECT_EQ(cursor.next(kBlankDelimiters), "25");
  EXPECT_EQ(cursor.rest(), "");
}

struct NumberWalkCase {
  const char* text;
  const char* delimiters;
};

// nextNumber must read every token as parseDouble(next()) does and leave
// the cursor where next() leaves it, token after token.
class NextNumberMatchesNextThenParse : public ::testing::TestWithParam<NumberWalkCase> {};

TEST_P(NextNumberMatchesNextThenParse, ForText) {
  const NumberWalkCase& param = GetParam();
  DelimiterSet delimiters(param.delimiters);
  TokenCursor fused(param.text);
  TokenCursor reference(param.text);
  for (int token = 0;; ++token) {
    double value = -1.0;
    bool found = fused.nextNumber(delimiters, &value);
    std::string_view expected = reference.next(delimiters);
    ASSERT_EQ(found, !expected.empty()) << param.text << ", token " << token;
    if (!found) break;
    expectSameDouble(value, parseDouble(expected), std::string(expected));
    EXPECT_EQ(fused.rest(), reference.rest()) << param.text << ", token " << token;
  }
  EXPECT_EQ(fused.rest(), reference.rest());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NextNumberMatchesNextThenParse,
    ::testing::Values(NumberWalkCase{"1 0.9 -10 2.0 80\n", " \r\t\n"},
                      NumberWalkCase{"  1.5e9\t-6.0206e1  .5 5. -.25\r\n", " \r\t\n"},
                      NumberWalkCase{"+.5 +1 0x1p3 -0x10 0X1.8p1 0x", " \r\t\n"},
                      NumberWalkCase{"inf -Infinity nan -nan NaN(123) infx nanx", " \r\t\n"},
                      NumberWalkCase{"1.5abc 7.25x 1e 1e+ 1e-x e5 abc ! - -- --1 . ,", " \r\t\n"},
                      NumberWalkCase{"1e400 -1e400 1e-400 4.9e-324 -0 -0.0 00012", " \r\t\n"},
                      NumberWalkCase{"0.1234567890123456789012345 123456789012345678901234567890", " \t"},
                      NumberWalkCase{"+ 1e9 2.5\n", " "}, NumberWalkCase{"+ 0.25 -0.5\r\n", " "},
                      NumberWalkCase{"\v2 \f3", " "}, NumberWalkCase{"1,5,2e1,,-3", ","},
                      NumberWalkCase{"1e5e6 2.5.5 -1-2", "e.-"}, NumberWalkCase{"12345", "3"},
                      NumberWalkCase{"", " "}, NumberWalkCase{"   ", " "}));

// The lines a LineSource gives for `contents`.
std::vector<std::string> readLines(const std::string& contents, uint64_t* consumed = nullptr,
                                   LineEnds ends = LineEnds::kLineFeed) {
  TempFile file("lines.txt", contents);
  FILE* stream = std::fopen(file.path().c_str(), "rb");
  EXPECT_NE(stream, nullptr);
  std::vector<std::string> lines;
  {
    LineSource source(stream, ends);
    std::string_view line;
    while (source.next(&line)) {
      lines.emplace_back(line);
      EXPECT_EQ(source.lineNumber(), static_cast<int>(lines.size()));
    }
    if (consumed != nullptr) *consumed = source.consumed();
  }
  std::fclose(stream);
  return lines;
}

TEST(LineSource, KeepsLineFeedsAndLastLineWithout) {
  uint64_t consumed = 0;
  EXPECT_EQ(readLines("a\n\nb c\nlast", &consumed), (std::vector<std::string>{"a\n", "\n", "b c\n", "last"}));
  EXPECT_EQ(consumed, 11u);
  EXPECT_EQ(readLines(""), std::vector<std::string>{});
  EXPECT_EQ(readLines("\n"), std::vector<std::string>{"\n"});
}

TEST(LineSource, CarriageReturnsAloneDoNotEndLines) {
  EXPECT_EQ(readLines("a\rb\rc\r"), std::vector<std::string>{"a\rb\rc\r"});
  EXPECT_EQ(readLines("a\r\nb\r\n"), (std::vector<std::string>{"a\r\n", "b\r\n"}));
}

struct AnyEndsCase {
  std::string contents;
  std::vector<std::string> lines;
};

class AnyLineEnds : public ::testing::TestWithParam<AnyEndsCase> {};

// LF, CR LF and CR alone each end one line; a byte-order mark before the
// first line is dropped.
TEST_P(AnyLineEnds, SplitsAtEachKind) {
  uint64_t consumed = 0;
  EXPECT_EQ(readLines(GetParam().contents, &consumed, LineEnds::kAny), GetParam().lines);
  EXPECT_EQ(consumed, GetParam().contents.size());
}

INSTANTIATE_TEST_SUITE_P(Texts, AnyLineEnds,
                         ::testing::Values(AnyEndsCase{"a\rb\rc\r", {"a\r", "b\r", "c\r"}},
                                           AnyEndsCase{"a\r\nb\r\n", {"a\r\n", "b\r\n"}},
                                           AnyEndsCase{"a\nb\rc\r\nd", {"a\n", "b\r", "c\r\n", "d"}},
                                           AnyEndsCase{"a\r\rb", {"a\r", "\r", "b"}},
                                           AnyEndsCase{"\r", {"\r"}},
                                           AnyEndsCase{"\xEF\xBB\xBF# GHz\n1\n", {"# GHz\n", "1\n"}},
                                           AnyEndsCase{"x\xEF\xBB\xBF\n", {"x\xEF\xBB\xBF\n"}}));

TEST(LineSource, CrLfSplitAcrossReadBlocksIsOneLineEnd) {
  // The CR is the last byte of the first 64 KiB block, its LF the first of
  // the next.
  std::string first(65535, 'x');
  std::vector<std::string> lines = readLines(first + "\r\nnext\r", nullptr, LineEnds::kAny);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], first + "\r\n");
  EXPECT_EQ(lines[1], "next\r");
}

TEST(LineSource, ManyCarriageReturnLinesAcrossReadBlocks) {
  std::string contents;
  for (int i = 0; i < 200000; ++i) contents += "+ " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\r");
  std::vector<std::string> lines = readLines(contents, nullptr, LineEnds::kAny);
  ASSERT_EQ(lines.size(), 200000u);
  EXPECT_EQ(lines[0], "+ 0\r\n");
  EXPECT_EQ(lines[1], "+ 1\r");
  EXPECT_EQ(lines[199998], "+ 199998\r\n");
  EXPECT_EQ(lines[199999], "+ 199999\r");
}

TEST(LineSource, ByteOrderMarkIsTextWhenOnlyLineFeedsEndLines) {
  EXPECT_EQ(readLines("\xEF\xBB\xBF"
                      "a\n"),
            std::vector<std::string>{"\xEF\xBB\xBF"
                                     "a\n"});
}

TEST(ParseWholeNumber, AcceptsOnlyAWholeNumber) {
  struct Case {
    const char* token;
    bool number;
    double value;
  };
  for (const Case& c :
       {Case{"50", true, 50}, Case{"+2.5e1", true, 25}, Case{"-.5", true, -0.5}, Case{"1e2", true, 100},
        Case{"50ohm", false, 0}, Case{"R", false, 0}, Case{"", false, 0}, Case{"+", false, 0},
        Case{"+-1", false, 0}, Case{"(50+50j)", false, 0}, Case{"0x10", false, 0}, Case{"inf", false, 0}}) {
    double value = 0.0;
    EXPECT_EQ(parseWholeNumber(c.token, &value), c.number) << c.token;
    if (c.number) {
      EXPECT_EQ(value, c.value) << c.token;
    }
  }
}

TEST(LineSource, TextEndsAtFirstNulButLineIsConsumedWhole) {
  uint64_t consumed = 0;
  std::string contents("ab\0cd\nef\n", 9);
  EXPECT_EQ(readLines(contents, &consumed), (std::vector<std::string>{"ab", "ef\n"}));
  EXPECT_EQ(consumed, 9u);
}

TEST(LineSource, LongLinesAreReadWhole) {
  std::string medium(2500, 'm');
  std::string huge(3 * 1024 * 1024 + 17, 'h');
  huge[1024 * 1024 - 1] = ' ';  // across the first read block's end
  std::vector<std::string> lines = readLines("short\n" + medium + "\n" + huge + "\n" + "tail");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], medium + "\n");
  EXPECT_EQ(lines[2], huge + "\n");
  EXPECT_EQ(lines[3], "tail");
}

TEST(LineSource, ManyLinesAcrossReadBlocks) {
  std::string contents;
  for (int i = 0; i < 200000; ++i) contents += "+ " + std::to_string(i) + "\n";
  std::vector<std::string> lines = readLines(contents);
  ASSERT_EQ(lines.size(), 200000u);
  EXPECT_EQ(lines[123456], "+ 123456\n");
  EXPECT_EQ(lines.back(), "+ 199999\n");
}

}  // namespace
}  // namespace korvel::testing
