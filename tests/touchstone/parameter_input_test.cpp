// Y, Z, H and G data: one known two-port written as S, Z, Y, H and G, in
// 1.x files (normalised to R) and 2.x files (ohms and siemens at per-port
// references), must read as the same S; a Z file shown again as Z gives
// back its own values.
#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <cstdio>
#include <string>

#include "support/opened_text.h"

namespace korvel::testing {
namespace {

using C = std::complex<double>;
using M = std::array<C, 4>;  // row-major 2 x 2

M inverse(const M& m) {
  C det = m[0] * m[3] - m[1] * m[2];
  return {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det};
}

M product(const M& a, const M& b) {
  return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
          a[2] * b[1] + a[3] * b[3]};
}

// The known network: non-reciprocal, so that a transposed read shows.
const M kS = {C(0.2, 0.1), C(0.05, -0.02), C(1.5, 0.7), C(-0.3, 0.2)};

// Its Z at references r1, r2: R^1/2 (I + S)(I - S)^-1 R^1/2, by hand.
M impedance(double r1, double r2) {
  M plus = {1.0 + kS[0], kS[1], kS[2], 1.0 + kS[3]};
  M minus = {1.0 - kS[0], -kS[1], -kS[2], 1.0 - kS[3]};
  M z = product(plus, inverse(minus));
  double root[2] = {std::sqrt(r1), std::sqrt(r2)};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) z[2 * i + j] *= root[i] * root[j];
  }
  return z;
}

// H from Z, by the textbook rules.
M hybrid(const M& z) {
  C det = z[0] * z[3] - z[1] * z[2];
  return {det / z[3], z[1] / z[3], -z[2] / z[3], 1.0 / z[3]};
}

std::string number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// One point at 1 GHz in RI, in the 1.x / 21_12 order N11 N21 N12 N22.
std::string point(const M& m) {
  std::string text = "1";
  for (int e : {0, 2, 1, 3}) text += " " + number(m[e].real()) + " " + number(m[e].imag());
  return text + "\n";
}

// The values as a 1.x file writes them, normalised to r.
M normalised(char type, M m, double r) {
  switch (type) {
    case 'Z':
      for (C& v : m) v /= r;
      break;
    case 'Y':
      for (C& v : m) v *= r;
      break;
    case 'H':
      m[0] /= r;
      m[3] *= r;
      break;
    case 'G':
      m[0] *= r;
      m[3] /= r;
      break;
  }
  return m;
}

M written(char type, double r1, double r2) {
  M z = impedance(r1, r2);
  switch (type) {
    case 'Z':
      return z;
    case 'Y':
      return inverse(z);
    case 'H':
      return hybrid(z);
    case 'G':
      return inverse(hybrid(z));
  }
  return kS;
}

void expectKnownScattering(const OpenedText& read, const std::string& what) {
  ASSERT_TRUE(read.opened()) << what << ": " << read.errors;
  EXPECT_EQ(read.errors, "") << what;
  const char* names[] = {"S-Par/S(1,1)", "S-Par/S(1,2)", "S-Par/S(2,1)", "S-Par/S(2,2)"};
  for (int e = 0; e < 4; ++e) {
    C read_value = read.sample(names[e], 0);
    EXPECT_NEAR(read_value.real(), kS[e].real(), 1e-12) << what << " " << names[e];
    EXPECT_NEAR(read_value.imag(), kS[e].imag(), 1e-12) << what << " " << names[e];
  }
}

class GivenAs : public ::testing::TestWithParam<char> {};

TEST_P(GivenAs, VersionOneReadsTheSameScattering) {
  char type = GetParam();
  M values = type == 'S' ? kS : normalised(type, written(type, 50, 50), 50);
  std::string extension = type == 'S' ? "s2p" : std::string(1, static_cast<char>(std::tolower(type))) + "2p";
  OpenedText read("net." + extension, std::string("# GHz ") + type + " RI R 50\n" + point(values));
  expectKnownScattering(read, std::string("1.x ") + type);
}

// A 2.1 file of the network in `type` at references 50 and 75 ohms, given
// by `references` (the option line's R and any keyword before the data).
std::string versionTwoFile(char type, const std::string& references) {
  M values = type == 'S' ? kS : written(type, 50, 75);
  std::string option = references.substr(0, references.find('\n'));
  return std::string("[Version] 2.1\n# GHz ") + type + " RI " + option + "\n" +
         "[Number of Ports] 2\n[Two-Port Data Order] 21_12\n[Number of Frequencies] 1\n" +
         references.substr(option.size() + 1) + "[Network Data]\n" + point(values) + "[End]\n";
}

TEST_P(GivenAs, VersionTwoReadsTheSameScatteringAtPerPortReferences) {
  OpenedText read("net.ts", versionTwoFile(GetParam(), "R 50 75\n"));
  expectKnownScattering(read, std::string("2.x ") + GetParam());
}

TEST_P(GivenAs, ReferenceKeywordGivesTheSameAsTheOptionLine) {
  OpenedText read("net.ts", versionTwoFile(GetParam(), "R 10\n[Reference] 50 75\n"));
  expectKnownScattering(read, std::string("[Reference] ") + GetParam());
}

INSTANTIATE_TEST_SUITE_P(Types, GivenAs, ::testing::Values('S', 'Z', 'Y', 'H', 'G'));

// A transposed read of the non-reciprocal network must not pass.
TEST(GivenAsZ, TwoPortOrderMatters) {
  M z = written('Z', 50, 50);
  OpenedText read("net.ts", "[Version] 2.0\n# GHz Z RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
                                "[Number of Frequencies] 1\n[Network Data]\n1 " +
                                    number(z[0].real()) + " " + number(z[0].imag()) + " " + number(z[1].real()) +
                                    " " + number(z[1].imag()) + " " + number(z[2].real()) + " " +
                                    number(z[2].imag()) + " " + number(z[3].real()) + " " + number(z[3].imag()) +
                                    "\n[End]\n");
  expectKnownScattering(read, "12_21");
}

// Z read, turned into S, and derived again as Z: the values written.
TEST(RoundTrip, ZFileShownAsZGivesItsOwnValues) {
  const C z[9] = {C(60, 5),  C(12, -3), C(4, 1),  C(10, 2), C(80, -7),
                  C(6, 0.5), C(3, 1),   C(5, -2), C(45, 9)};
  std::string text = "[Version] 2.0\n# Hz Z RI\n[Number of Ports] 3\n[Number of Frequencies] 1\n"
                     "[Reference] 50 75 30\n[Network Data]\n1";
  for (const C& v : z) text += " " + number(v.real()) + " " + number(v.imag());
  OpenedText read("net.ts", text + "\n[End]\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      C back = read.sample("Z-Par/Z(" + std::to_string(i + 1) + "," + std::to_string(j + 1) + ")", 0);
      EXPECT_NEAR(std::abs(back - z[3 * i + j]) / std::abs(z[3 * i + j]), 0.0, 1e-12) << i << "," << j;
    }
  }
}

TEST(RoundTrip, NormalisedYFileShownAsYGivesItsValuesInSiemens) {
  OpenedText read("net.y1p", "# Hz Y RI R 50\n1 2 0.5\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  C back = read.sample("Y-Par/Y(1,1)", 0);
  EXPECT_NEAR(back.real(), 2.0 / 50, 1e-15);
  EXPECT_NEAR(back.imag(), 0.5 / 50, 1e-15);
}

// Z + R singular at a point: that point becomes not-a-number, the file
// still opens.
TEST(SingularPoint, BecomesNotANumber) {
  OpenedText read("net.z1p", "# Hz Z RI R 50\n1 -1 0\n2 1 0\n");
  ASSERT_TRUE(read.opened()) << read.errors;
  EXPECT_TRUE(std::isnan(read.sample("S-Par/S(1,1)", 0).real()));
  EXPECT_EQ(read.sample("S-Par/S(1,1)", 1), C(0, 0));
}

TEST(Reference, NotAboveZeroRefusesYZData) {
  OpenedText read("net.z1p", "# Hz Z RI R 0\n1 1 0\n");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.errors,
            read.refusal("Error in line 1: Z data needs reference resistances above zero to be turned into S\n"));
}

}  // namespace
}  // namespace korvel::testing
