// What the Touchstone reader does with data that is not what it seems:
// tokens that only begin like numbers, a last point cut short, a data line
// of a one- or two-port that does not hold whole points, a falling
// frequency outside two-ports, and the port impedances that solver files
// give point by point in comment lines.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

using Complex = std::complex<double>;

// Each "@" of a template takes the token under test.
std::string withToken(std::string text, const std::string& token) {
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + token.size())) {
    text.replace(at, 1, token);
  }
  return text;
}

struct TokenPlace {
  const char* name;
  const char* fileName;
  const char* text;
  int line;
};

constexpr TokenPlace kPlaces[] = {
    {"Frequency", "a.s1p", "# Hz S RI R 50\n1 0.1 0\n@ 0.2 0\n", 3},
    {"Value", "a.s1p", "# Hz S RI R 50\n1 0.1 @\n2 0.2 0\n", 2},
    {"ValueOnAContinuationLine", "a.s3p", "# Hz S RI R 50\n1 0 0 0 0 0 0\n0 0 0 @ 0 0\n0 0 0 0 0 0\n", 3},
    {"NoiseField", "a.s2p",
     "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.1 0 0.2 0 0.2 0 0.1 0\n1 1.5 @ 90 0.2\n", 4},
    {"NoiseResistance", "a.s2p",
     "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.1 0 0.2 0 0.2 0 0.1 0\n1 1.5 0.5 90 0.2\n2 1.5 0.5 90 "
     "@\n",
     5},
    {"VersionTwoValue", "a.s2p",
     "[Version] 2.0\n# Hz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
     "[Number of Frequencies] 1\n[Network Data]\n1 0.1 0 0.2 0 0.2 @ 0.1 0\n[End]\n",
     7},
    {"VersionTwoNoise", "a.s2p",
     "[Version] 2.0\n# Hz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
     "[Number of Frequencies] 1\n[Number of Noise Frequencies] 1\n[Network Data]\n1 0.1 0 0.2 0 0.2 0 0.1 0\n"
     "[Noise Data]\n1 @ 0.5 90 0.2\n[End]\n",
     10},
    {"PortImpedance", "a.s1p", "# Hz S RI\n1 0.1 0\n! Port Impedance 50 @\n", 3},
};

constexpr const char* kMalformed[] = {"abc", "0.88880265O", "1,5", "1.2.3", "0,5", "1e", "--1", "0x"};

class MalformedToken : public ::testing::TestWithParam<std::tuple<TokenPlace, const char*>> {};

TEST_P(MalformedToken, RefusesNamingLineAndToken) {
  const TokenPlace& place = std::get<0>(GetParam());
  const std::string token = std::get<1>(GetParam());
  OpenedText read(place.fileName, withToken(place.text, token));
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, "Error in line " + std::to_string(place.line) + ": \"" + token +
                             "\" is not a number\n" + read.refusal(""));
}

INSTANTIATE_TEST_SUITE_P(PlacesAndTokens, MalformedToken,
                         ::testing::Combine(::testing::ValuesIn(kPlaces), ::testing::ValuesIn(kMalformed)),
                         [](const auto& testInfo) {
                           return std::string(std::get<0>(testInfo.param).name) + "_" +
                                  std::to_string(testInfo.index);
                         });

// The same places with numbers as the parser takes them in full.
TEST(WellFormedTokens, OpenEverywhere) {
  for (const TokenPlace& place : kPlaces) {
    for (const char* token : {"0.25", "+1e-1", "-2.5E+0", "inf", "nan", "0x1p-2"}) {
      OpenedText read(place.fileName, withToken(place.text, token));
      EXPECT_TRUE(read.opened()) << place.name << " " << token << ": " << read.errors;
    }
  }
}

TEST(WellFormedTokens, KeepTheirValues) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.1 -2.5E+0\n2 +1e-1 0x1p-2\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("S-Par/S(1,1)", 0), Complex(0.1, -2.5));
  EXPECT_EQ(read.sample("S-Par/S(1,1)", 1), Complex(0.1, 0.25));
}

struct CutShort {
  const char* fileName;
  const char* text;
  int points;
  const char* warning;
};

class CutShortPoint : public ::testing::TestWithParam<CutShort> {};

TEST_P(CutShortPoint, KeepsCompletePointsAndWarnsOnce) {
  OpenedText read(GetParam().fileName, GetParam().text);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->pointCount, GetParam().points);
  EXPECT_EQ(read.errors, GetParam().warning);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CutShortPoint,
    ::testing::Values(
        CutShort{"a.s2p", "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.3 0 0.4\n", 1,
                 "Warning in line 3: the file ends inside the last point, which lacks 5 values; the complete "
                 "points "
                 "are kept\n"},
        CutShort{"a.s1p", "# Hz S RI R 50\n1 0.1 0\n2 0.3 0\n3 0.3\n! a closing comment\n", 2,
                 "Warning in line 4: the file ends inside the last point, which lacks 1 value; the complete "
                 "points "
                 "are kept\n"},
        CutShort{
            "a.s3p", "# Hz S RI R 50\n1 0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n2 0 0 0 0 0 0\n", 1,
            "Warning in line 5: the file ends inside the last point, which lacks 12 values; the complete "
            "points are kept\n"},
        CutShort{"a.s2p",
                 "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.1 0 0.2 0 0.2 0 0.1 0\n1 1.5 0.5 90 0.2\n"
                 "2 1.5 0.5\n",
                 2,
                 "Warning in line 5: a noise point is cut short and lacks 2 values; the noise points before "
                 "it are kept\n"},
        CutShort{"a.s2p", "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.3 0 0.4 0 0.5\n\n   \n! the end\n",
                 1,
                 "Warning in line 3: the file ends inside the last point, which lacks 3 values; the complete "
                 "points are kept\n"},
        CutShort{"a.s1p", "# Hz S RI R 50\n1 0.1 0\n2 0.3 0\n", 2, ""}));

TEST(CutShortPoint, ReportedByACollectingReadToo) {
  // The data kept are the complete points, in file order.
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.1 0\n2 0.3 0.5\n3");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("S-Par/S(1,1)", 1), Complex(0.3, 0.5));
  EXPECT_EQ(read.data->frequencies[1], 2.0);
}

// Outside two-ports a frequency that falls is one more point.
TEST(FallingFrequency, FourPortKeepsThePointInFileOrder) {
  std::string point = " 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n";
  OpenedText read("a.s4p", "# Hz S RI R 50\n5" + point + "3" + point + "7" + point);
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.data->hasNoise, 0);
  ASSERT_EQ(read.data->pointCount, 3);
  EXPECT_EQ(read.data->frequencies[1], 3.0);
  EXPECT_EQ(read.data->frequencies[2], 7.0);
  EXPECT_EQ(read.errors,
            "Warning in line 6: frequency 3 does not rise above the one before; the point is kept\n");
}

// Z of a one-port at reference r: r (1 + s) / (1 - s).
Complex onePortImpedance(Complex s, double r) { return r * (1.0 + s) / (1.0 - s); }

TEST(PortImpedance, VaryingRealImpedancesAreTheReferences) {
  OpenedText read("a.s1p",
                  "!Data is not renormalized\n# GHz S RI\n"
                  "1 0.2 0.4\n! Gamma  0 1.5\n! Port Impedance526.44 0\n"
                  "2 0.1 -0.3\n! Gamma  0 1.6\n! Port Impedance 376.25 0\n"
                  "3 -0.2 0.1\n! port impedance\t50 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.errors, "");
  const double references[] = {526.44, 376.25, 50};
  const Complex s[] = {{0.2, 0.4}, {0.1, -0.3}, {-0.2, 0.1}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(read.sample("Zo/Zo(1)", k), Complex(references[k], 0)) << k;
    Complex z = read.sample("Z-Par/Z(1,1)", k);
    Complex expected = onePortImpedance(s[k], references[k]);
    EXPECT_NEAR(z.real(), expected.real(), 1e-9 * std::abs(expected)) << k;
    EXPECT_NEAR(z.imag(), expected.imag(), 1e-9 * std::abs(expected)) << k;
  }
  EXPECT_EQ(read.data->referenceImpedance, 526.44);
}

// A two-port at unequal, changing references: Z = R^1/2 (I+S)(I-S)^-1 R^1/2,
// worked here by hand for a matched, reciprocal line S = [[0, t], [t, 0]]:
// (I+S)(I-S)^-1 = [[1+t^2, 2t], [2t, 1+t^2]] / (1 - t^2).
TEST(PortImpedance, TwoPortUsesEachPortsImpedanceAtEachPoint) {
  OpenedText read("a.s2p",
                  "# Hz S RI\n"
                  "1 0 0 0.5 0 0.5 0 0 0\n! Port Impedance 100 0 25 0\n"
                  "2 0 0 0 0.5 0 0.5 0 0\n! Port Impedance 400 0 100 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  const double r1[] = {100, 400};
  const double r2[] = {25, 100};
  const Complex t[] = {{0.5, 0}, {0, 0.5}};
  for (int k = 0; k < 2; ++k) {
    Complex d = 1.0 - t[k] * t[k];
    Complex z11 = r1[k] * (1.0 + t[k] * t[k]) / d;
    Complex z12 = std::sqrt(r1[k] * r2[k]) * 2.0 * t[k] / d;
    Complex z22 = r2[k] * (1.0 + t[k] * t[k]) / d;
    EXPECT_LT(std::abs(read.sample("Z-Par/Z(1,1)", k) - z11), 1e-9 * std::abs(z11)) << k;
    EXPECT_LT(std::abs(read.sample("Z-Par/Z(1,2)", k) - z12), 1e-9 * std::abs(z12)) << k;
    EXPECT_LT(std::abs(read.sample("Z-Par/Z(2,2)", k) - z22), 1e-9 * std::abs(z22)) << k;
    EXPECT_EQ(read.sample("Zo/Zo(2)", k), Complex(r2[k], 0)) << k;
  }
}

TEST(PortImpedance, ConstantLinesGiveWhatTheOptionLineWould) {
  OpenedText lines("a.s1p", "# Hz S RI\n1 0.2 0.4\n! Port Impedance 75 0\n2 0.1 0\n! Port Impedance 75 0\n");
  OpenedText option("a.s1p", "# Hz S RI R 75\n1 0.2 0.4\n2 0.1 0\n");
  ASSERT_TRUE(lines.opened()) << lines.errors;
  ASSERT_TRUE(option.opened()) << option.errors;
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(lines.sample("Z-Par/Z(1,1)", k), option.sample("Z-Par/Z(1,1)", k));
    EXPECT_EQ(lines.sample("Y-Par/Y(1,1)", k), option.sample("Y-Par/Y(1,1)", k));
    EXPECT_EQ(lines.sample("Zo/Zo(1)", k), option.sample("Zo/Zo(1)", k));
  }
}

// Where the file states its references, the comment lines are only
// comments.
TEST(PortImpedance, IgnoredWhereTheFileGivesReferences) {
  OpenedText read("a.s1p", "# Hz S RI R 50\n1 0.2 0.4\n! Port Impedance 75 0\n2 0.1 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0), Complex(50, 0));
  EXPECT_EQ(read.errors, "");
}

TEST(PortImpedance, ComplexImpedanceLeavesZAndYWithoutValueThereAndWarnsOnce) {
  OpenedText read("a.s2p",
                  "# Hz S RI\n"
                  "1 0.1 0 0.5 0 0.5 0 0.1 0\n! Port Impedance 49.69 -0.11 49.63 -0.11\n"
                  "2 0.1 0 0.5 0 0.5 0 0.1 0\n! Port Impedance 50 0 50 0\n"
                  "3 0.1 0 0.5 0 0.5 0 0.1 0\n! Port Impedance 50 0 50 0.2\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_EQ(
      read.errors,
      "Warning in line 3: port impedances with an imaginary part at 2 of 3 points: Z, Y and the figures "
      "derived from them have no value there\n");
  for (int k : {0, 2}) {
    EXPECT_TRUE(std::isnan(read.sample("Z-Par/Z(1,1)", k).real())) << k;
    EXPECT_TRUE(std::isnan(read.sample("Y-Par/Y(2,1)", k).imag())) << k;
  }
  EXPECT_FALSE(std::isnan(read.sample("Z-Par/Z(1,1)", 1).real()));
  // S stays as written, Zo holds the real parts, the S-based gains stay.
  EXPECT_EQ(read.sample("S-Par/S(2,1)", 0), Complex(0.5, 0));
  EXPECT_EQ(read.sample("Zo/Zo(1)", 0).real(), 49.69);
  EXPECT_FALSE(std::isnan(read.sample("Gain-Par/K", 0).real()));
}

// With many ports a solver goes on with the numbers on the comment lines
// that follow; a "! Gamma" line and its own continuation are passed over.
TEST(PortImpedance, NumbersGoOnOverFollowingCommentLines) {
  std::string point = "1";
  for (int pair = 0; pair < 25; ++pair) point += pair % 6 == 0 ? " 0.1 0" : " 0 0";
  OpenedText read("a.s5p", "# Hz S RI\n" + point +
                               "\n! Gamma  ! 0 1 0 1 0 1 0 1\n!  0 1\n"
                               "! Port Impedance10 0 20 0 30 0 40 0\n!               50 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  for (int port = 1; port <= 5; ++port) {
    EXPECT_EQ(read.sample("Zo/Zo(" + std::to_string(port) + ")", 0), Complex(10.0 * port, 0)) << port;
  }
  // S = 0.1 I: Z = R^1/2 (1.1 / 0.9) R^1/2, diagonal.
  EXPECT_LT(std::abs(read.sample("Z-Par/Z(5,5)", 0) - Complex(50 * 1.1 / 0.9, 0)), 1e-9);
}

TEST(PortImpedance, LineThatStopsShortRefuses) {
  std::string point = "1";
  for (int pair = 0; pair < 25; ++pair) point += " 0 0";
  OpenedText read(
      "a.s5p", "# Hz S RI\n" + point + "\n! Port Impedance10 0 20 0 30 0 40 0\n2" + point.substr(1) + "\n");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(
      read.errors,
      "Error in line 3: a \"! Port Impedance\" line needs a real and an imaginary part for each of 5 ports; "
      "it gives 8 numbers\n" +
          read.refusal(""));
}

struct BadLines {
  const char* fileName;
  const char* text;
  const char* error;
};

// Port impedance lines that do not fit the file, and data lines of a
// one- or two-port that do not hold whole points.
class LineRefusal : public ::testing::TestWithParam<BadLines> {};

TEST_P(LineRefusal, NamesWhatIsWrong) {
  OpenedText read(GetParam().fileName, GetParam().text);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors, GetParam().error + read.refusal(""));
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineRefusal,
    ::testing::Values(
        BadLines{"a.s1p", "# Hz S RI\n1 0.2 0.4\n! Port Impedance 75 0\n2 0.1 0\n",
                 "Error in line 4: the file needs one \"! Port Impedance\" line per point; it has 1 lines "
                 "for 2 points\n"},
        BadLines{"a.s1p",
                 "# Hz S RI\n1 0.2 0.4\n! Port Impedance 75 0\n! Port Impedance 75 0\n2 0.1 0\n"
                 "! Port Impedance 75 0\n",
                 "Error in line 6: the file needs one \"! Port Impedance\" line per point; it has 3 lines "
                 "for 2 points\n"},
        BadLines{"a.s2p", "# Hz S RI\n1 0 0 0 0 0 0 0 0\n! Port Impedance 50 0 0 0 0 0 50 0\n",
                 "Error in line 3: a \"! Port Impedance\" line needs a real and an imaginary part for each "
                 "of 2 ports; it gives 8 numbers\n"},
        BadLines{"a.s1p", "# Hz S RI\n1 0.2 0.4\n! Port Impedance 75\n",
                 "Error in line 3: a \"! Port Impedance\" line needs a real and an imaginary part for each "
                 "of 1 port; it gives 1 numbers\n"},
        // One value missing in the middle: the numbers after it are not
        // read one place early, which would make values frequencies and
        // open a noise block of data.
        BadLines{
            "a.s2p",
            "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0\n2 0.1 0 0.2 0.2 0 0.1 0\n3 0.1 0 0.2 0 0.2 0 0.1 0\n",
            "Error in line 3: the data line holds 8 numbers where a point has 9; a line must hold whole "
            "points\n"},
        BadLines{
            "a.s2p",
            "! a network analyser's export with a dropped value\n# GHz S DB R 50\n"
            "1.0 -20.1 10 15.2 80 -30.5 20 -18.1 -5\n1.5 -21.3 11 14.8 75 -31.2 25 -19.4\n"
            "! remark\n\n2.0 -22.0 12 13.9 70 -32.7 30 -20.2 -6\n2.5 -23.5 13 13.1 65 -33.1 35 -21.0 -7\n",
            "Error in line 4: the data line holds 8 numbers where a point has 9; a line must hold whole "
            "points\n"},
        BadLines{
            "a.s2p", "# Hz S RI R 50\n1 0.1 0 0.2 0 0.2 0 0.1 0 7\n8 0.1 0 0.2 0 0.2 0 0.1 0\n",
            "Error in line 2: the data line holds 10 numbers where a point has 9; a line must hold whole "
            "points\n"},
        BadLines{"a.s1p", "# Hz S RI R 50\n1 0.1 0\n2 0.2 0 9\n3 0.3 0\n",
                 "Error in line 3: the data line holds 4 numbers where a point has 3; a line must hold whole "
                 "points\n"},
        BadLines{"a.s1p", "# Hz S RI R 50\n1 0.1 0\n2\n3 0.3 0\n",
                 "Error in line 3: the data line holds 1 number where a point has 3; a line must hold whole "
                 "points\n"},
        BadLines{"a.s1p", "# Hz S RI R 50\n1 0.1 0.2 2 0.3 0.4 3 0.5\n0.6\n",
                 "Error in line 2: the data line holds 8 numbers where a point has 3; a line must hold whole "
                 "points\n"}));

}  // namespace
}  // namespace korvel::testing
