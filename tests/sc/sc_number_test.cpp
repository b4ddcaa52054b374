// Every token the SC reader reads as a number must be one in full: a token
// that is not refuses the file with one message naming its line, the token
// and where it stands (the block, the Zo line, the sweep parameter).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

// A two-block file with noise and group delays. Each "@x" is a place for a
// token; the tests put a malformed one in one place and a good one in all
// the others.
constexpr const char* kTemplate =
    "*| N=2 DATA=2 NOISE=1 GROUPDELAY=1 COMPLEX_DATAFORMAT=RI\n"  // 1
    "*| NumOfBlock=2 NumOfParam=1 ParamNames=temp\n"              // 2
    "*| ParamSweep temp: @s 50,\n"                                // 3
    "+ Zo= 50 @z\n"                                               // 4
    "+ DATA=\n"                                                   // 5
    "+ 1e9\n"                                                     // 6
    "+ 0.1 0 @v 0 0.5 0 0.1 0\n"                                  // 7
    "+ @f\n"                                                      // 8
    "+ 0.2 0 0.4 0 0.4 0 0.2 0\n"                                 // 9
    "*| frequency NFmin |GammaOpt| <GammaOpt Rn/Zo\n"             // 10
    "*| @n 1.5 0.3 45 0.2\n"                                      // 11
    "*| 2e9 @m 0.3 45 0.2\n"                                      // 12
    "+ DATA=\n"                                                   // 13
    "+ 1e9\n"                                                     // 14
    "+ 1e-9 2e-9 @g 4e-9\n"                                       // 15
    "+ 2e9\n"                                                     // 16
    "+ 1e-9 2e-9 3e-9 4e-9\n"                                     // 17
    "+ DATA=\n"                                                   // 18
    "+ 1e9\n"                                                     // 19
    "+ 0.1 0 0.5 0 0.5 0 0.1 0\n"                                 // 20
    "+ 2e9\n"                                                     // 21
    "+ 0.2 0 0.4 @w 0.4 0 0.2 0\n"                                // 22
    "*| frequency NFmin |GammaOpt| <GammaOpt Rn/Zo\n"             // 23
    "*| 1e9 1.5 0.3 45 0.2\n"                                     // 24
    "*| 2e9 1.5 0.3 45 @r\n"                                      // 25
    "+ DATA=\n"                                                   // 26
    "+ 1e9\n"                                                     // 27
    "+ 1e-9 2e-9 3e-9 4e-9\n"                                     // 28
    "+ 2e9\n"                                                     // 29
    "+ 1e-9 2e-9 3e-9 4e-9\n";                                    // 30

// The file with `token` at place `place` and good numbers elsewhere.
std::string fileWith(char place, const std::string& token) {
  std::string text = kTemplate;
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
    std::string good = text[at + 1] == 's' ? "25" : text[at + 1] == 'f' ? "2e9" : "0.3";
    text.replace(at, 2, text[at + 1] == place ? token : good);
  }
  return text;
}

TEST(ScNumbers, TheFileWithGoodTokensOpens) {
  OpenedText opening("swept.sc", fileWith(' ', ""));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.errors, "");
  EXPECT_EQ(opening.sample("S-Par/S(1,2)", 0).real(), 0.3);
  EXPECT_EQ(opening.sample("Zo/Zo(2)", 3).real(), 0.3);
}

struct Place {
  char place;
  int line;
  const char* where;  // what follows the token in the message
};

constexpr Place kPlaces[] = {
    {'s', 3, " among the values of sweep parameter temp"},
    {'z', 4, " among the Zo values"},
    {'v', 7, " in block 1"},   // an S-parameter value
    {'f', 8, " in block 1"},   // a frequency
    {'n', 11, " in block 1"},  // the frequency of a noise line
    {'m', 12, " in block 1"},  // a noise column
    {'g', 15, " in block 1"},  // a group delay
    {'w', 22, " in block 2"},
    {'r', 25, " in block 2"},
};

constexpr const char* kMalformed[] = {"abc", "0.88880265O", "1,5", "1.2.3", "0,5", "1e", "-", "0.5\t0.5"};

class ScMalformedToken : public ::testing::TestWithParam<std::tuple<Place, const char*>> {};

TEST_P(ScMalformedToken, RefusesWithLineTokenAndPlace) {
  const Place& place = std::get<0>(GetParam());
  std::string token = std::get<1>(GetParam());
  // Tabs separate sweep values as blanks do.
  if (place.place == 's' && token.find('\t') != std::string::npos) GTEST_SKIP();
  OpenedText opening("swept.sc", fileWith(place.place, token));
  EXPECT_EQ(opening.result, 1);
  EXPECT_EQ(opening.data, nullptr);
  std::string shown = token == "0.5\t0.5" ? "0.5\\t0.5" : token;
  EXPECT_EQ(opening.errors, "Error in line " + std::to_string(place.line) + ": \"" + shown + "\"" +
                                place.where + " is not a number\n");
}

INSTANTIATE_TEST_SUITE_P(PlacesAndTokens, ScMalformedToken,
                         ::testing::Combine(::testing::ValuesIn(kPlaces), ::testing::ValuesIn(kMalformed)));

// Spellings the number parser takes in full stay numbers (a token that
// begins with "+" is no value in an SC data line, as always).
struct WellFormed {
  const char* token;
  double value;
};

class ScWellFormedToken : public ::testing::TestWithParam<WellFormed> {};

TEST_P(ScWellFormedToken, ReadsAsTheNumber) {
  OpenedText opening("swept.sc", fileWith('v', GetParam().token));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  double value = opening.sample("S-Par/S(1,2)", 0).real();
  if (std::isnan(GetParam().value)) {
    EXPECT_TRUE(std::isnan(value));
  } else {
    EXPECT_EQ(value, GetParam().value);
  }
}

INSTANTIATE_TEST_SUITE_P(Spellings, ScWellFormedToken,
                         ::testing::Values(WellFormed{"1e-3", 1e-3}, WellFormed{"-.5", -0.5},
                                           WellFormed{"-2.5E+1", -25}, WellFormed{"inf", INFINITY},
                                           WellFormed{"-Infinity", -INFINITY}, WellFormed{"nan", NAN},
                                           WellFormed{"0x1p3", 8}, WellFormed{"007", 7}));

// A comma after the last value of a sweep list ends it, as always.
TEST(ScNumbers, SweepValueWithTrailingCommaIsANumber) {
  OpenedText opening("swept.sc", fileWith('s', "-40"));
  ASSERT_EQ(opening.result, 0) << opening.errors;
  EXPECT_EQ(opening.data->sweepValues[0][1], -40.0);
  EXPECT_EQ(opening.data->sweepValues[0][2], 50.0);
}

TEST(ScNumbers, LongTokenIsShownCut) {
  std::string token(100, 'x');
  OpenedText opening("swept.sc", fileWith('v', token));
  EXPECT_EQ(opening.errors,
            "Error in line 7: \"" + std::string(40, 'x') + "...\" in block 1 is not a number\n");
}

}  // namespace
}  // namespace korvel::testing
