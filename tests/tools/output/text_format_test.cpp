// Numbers and strings as the dumps write them, and words wrapped to a width.
#include "tools/output/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tools/output/number_format.h"
#include "tools/output/word_wrap.h"

namespace korvel::testing {
namespace {

TEST(ShortestNumber, ReadsBackToTheSameDouble) {
  for (double value : {0.1, 1.0 / 3.0, -4.7446097413030586, 5e8, 1e-300, 6.02214076e23,
                       std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max()}) {
    std::string text = tool::shortestNumber(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
  }
  EXPECT_EQ(tool::shortestNumber(0.1), "0.1");
  EXPECT_EQ(tool::shortestNumber(std::nan("")), "NaN");
  EXPECT_EQ(tool::shortestNumber(-std::numeric_limits<double>::infinity()), "-Infinity");
}

std::string jsonOf(const std::string& text) {
  std::ostringstream out;
  tool::writeJsonString(out, text);
  return out.str();
}

TEST(NumberText, NotANumberWithoutSignAndInfinitiesWithTheirs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(tool::formatNumber(nan, 6), "nan");
  EXPECT_EQ(tool::formatNumber(-nan, 6), "nan");
  EXPECT_EQ(tool::formatNumber(-std::numeric_limits<double>::infinity(), 6), "-inf");
  EXPECT_EQ(tool::formatNumber(-0.5, 6), "-0.5");
}

TEST(JsonString, AnyBytesGiveValidJson) {
  const std::string latin1 = "caf\xe9.s2p";
  EXPECT_EQ(jsonOf(latin1), "\"caf\\u00e9.s2p\"");
  EXPECT_EQ(nlohmann::json::parse(jsonOf(latin1)).get<std::string>(), "caf\xc3\xa9.s2p");
  EXPECT_EQ(jsonOf("caf\xc3\xa9"), "\"caf\xc3\xa9\"") << "valid UTF-8 is kept";
  for (const std::string& hostile :
       {std::string("\xff\xfe"), std::string("a\0b", 3), std::string("\xed\xa0\x80"), std::string("\xc0\xaf"),
        std::string("\xf4\x90\x80\x80"), std::string("\xe2\x82"), std::string("quote\" back\\ tab\t")}) {
    EXPECT_TRUE(nlohmann::json::accept(jsonOf(hostile))) << jsonOf(hostile);
  }
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(tool::csvField("Gain-Par/K"), "Gain-Par/K");
  EXPECT_EQ(tool::csvField("S-Par/S(2,1)"), "\"S-Par/S(2,1)\"");
  EXPECT_EQ(tool::csvField("a\"b"), "\"a\"\"b\"");
}

TEST(Printable, EscapesControlAndInvalidBytes) {
  EXPECT_EQ(tool::printable("a\x1b[2Jb\xff"), "a\\x1b[2Jb\\xff");
}

TEST(WrapWords, BreaksAtTheWidthAndIndents) {
  EXPECT_EQ(tool::wrapWords("  label ", {"aaa", "bbb", "ccc"}, 8, 15), "  label aaa bbb\n        ccc");
  EXPECT_EQ(tool::wrapWords("x ", {"muchtoolongword"}, 2, 5), "x muchtoolongword");
}

}  // namespace
}  // namespace korvel::testing
