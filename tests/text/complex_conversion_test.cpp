// Magnitude-angle and dB-angle pairs turned into real and imaginary parts:
// each part within one unit in the last place of the correctly rounded
// value, measured against a long double reference, and the multiples of
// 90 degrees exact.
#include "text/complex_conversion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace korvel::testing {
namespace {

// Places in the ordered doubles between a and b (0 when equal, zeros of
// either sign alike).
std::int64_t placesApart(double a, double b) {
  if (a == b) return 0;
  const auto ordered = [](double x) {
    std::int64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits < 0 ? INT64_MIN - bits : bits;
  };
  const std::int64_t difference = ordered(a) - ordered(b);
  return difference < 0 ? -difference : difference;
}

// cos and sin of `degrees`, brought exactly within 45 degrees of a
// multiple of 90 before the long double functions see it.
void referenceCosineSine(double degrees, long double* cosine, long double* sine) {
  long double rest = std::fmod(static_cast<long double>(degrees), 360.0L);
  const long double quarters = std::nearbyint(rest / 90.0L);
  rest -= 90.0L * quarters;
  const long double angle = rest * (3.14159265358979323846264338327950288L / 180.0L);
  const long double c = std::cos(angle);
  const long double s = std::sin(angle);
  const long double cosines[4] = {c, -s, -c, s};
  const long double sines[4] = {s, c, -s, -c};
  const auto quadrant = static_cast<unsigned>(static_cast<long long>(quarters) & 3);
  *cosine = cosines[quadrant];
  *sine = sines[quadrant];
}

// Converts (a, degrees) in `format` and checks both parts against the
// reference magnitude times the reference cosine and sine.
void expectWithinOnePlace(int format, double a, double degrees) {
  const long double magnitude =
      format == kFormatDbDegrees ? std::pow(10.0L, static_cast<long double>(a) / 20.0L) : a;
  long double cosine;
  long double sine;
  referenceCosineSine(degrees, &cosine, &sine);
  double sample[2];
  storePair(sample, a, degrees, format);
  EXPECT_LE(placesApart(sample[0], static_cast<double>(magnitude * cosine)), 1) << a << " at " << degrees;
  EXPECT_LE(placesApart(sample[1], static_cast<double>(magnitude * sine)), 1) << a << " at " << degrees;
}

struct ExactCase {
  int format;
  double a;
  double degrees;
  double real;
  double imaginary;
};

class ExactConversion : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactConversion, GivesExactParts) {
  const ExactCase& c = GetParam();
  double sample[2];
  storePair(sample, c.a, c.degrees, c.format);
  EXPECT_EQ(sample[0], c.real) << c.a << " at " << c.degrees;
  EXPECT_EQ(sample[1], c.imaginary) << c.a << " at " << c.degrees;
  EXPECT_FALSE(std::signbit(sample[0]) && sample[0] == 0.0) << "a zero is +0";
  EXPECT_FALSE(std::signbit(sample[1]) && sample[1] == 0.0) << "a zero is +0";
}

INSTANTIATE_TEST_SUITE_P(MultiplesOfNinetyDegreesAndWholeDecades, ExactConversion,
                         ::testing::Values(ExactCase{kFormatMagnitudeDegrees, 2.0, 0.0, 2.0, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, 90.0, 0.0, 2.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, 180.0, -2.0, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, -180.0, -2.0, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, 270.0, 0.0, -2.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, -90.0, 0.0, -2.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, 360.0, 2.0, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, -360.0, 2.0, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 2.0, -450.0, 0.0, -2.0},
                                           ExactCase{kFormatMagnitudeDegrees, 0.5, 7200.0, 0.5, 0.0},
                                           ExactCase{kFormatMagnitudeDegrees, 0.5, 0x1.68p60, 0.5,
                                                     0.0},  // 360 x 2^52
                                           ExactCase{kFormatDbDegrees, 0.0, 0.0, 1.0, 0.0},
                                           ExactCase{kFormatDbDegrees, 20.0, 90.0, 0.0, 10.0},
                                           ExactCase{kFormatDbDegrees, 40.0, 180.0, -100.0, 0.0},
                                           ExactCase{kFormatDbDegrees, -20.0, 0.0, 0.1, 0.0},
                                           ExactCase{kFormatDbDegrees, -40.0, -90.0, 0.0, -0.01}));

TEST(ComplexConversion, DecimalAnglesWithinOnePlace) {
  for (int k = -72000; k <= 72000; ++k) expectWithinOnePlace(kFormatMagnitudeDegrees, 1.0, k / 100.0);
}

TEST(ComplexConversion, DecibelsWithinOnePlace) {
  for (int k = -30000; k <= 30000; ++k) expectWithinOnePlace(kFormatDbDegrees, k / 100.0, 37.5);
}

TEST(ComplexConversion, RandomPairsWithinOnePlace) {
  std::mt19937_64 random(25);
  std::uniform_real_distribution<double> magnitude(0.0, 2.0);
  std::uniform_real_distribution<double> degrees(-720.0, 720.0);
  std::uniform_real_distribution<double> decibels(-150.0, 60.0);
  std::uniform_real_distribution<double> exponent(-20.0, 40.0);
  for (int i = 0; i < 200000; ++i) {
    expectWithinOnePlace(kFormatMagnitudeDegrees, magnitude(random), degrees(random));
    expectWithinOnePlace(kFormatDbDegrees, decibels(random), degrees(random));
    // Angles from tiny to huge, either sign.
    const double angle = std::pow(10.0, exponent(random));
    expectWithinOnePlace(kFormatMagnitudeDegrees, 0.7, (i & 1) != 0 ? angle : -angle);
  }
}

// Pairs converted many at a time (as the readers do) get the bits each
// gets alone, whatever lane a pair falls in and however many there are:
// ordinary pairs side by side with ones that leave the lanes (large or
// non-finite angles and dB values), in runs of every length up to nine.
TEST(ComplexConversion, ManyAtATimeAsOneAtATime) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> degrees(-720.0, 720.0);
  std::uniform_real_distribution<double> decibels(-150.0, 60.0);
  const double unusual[] = {1e300,     -0x1p50, 0x1.68p60, NAN,    INFINITY,
                            -INFINITY, 6000.0,  -5000.0,   5000.0, -0.0};
  for (int format :
       {kFormatMagnitudeDegrees, kFormatDbDegrees, kFormatMagnitudeRadians, kFormatRealImaginary}) {
    for (std::size_t count = 0; count <= 9; ++count) {
      for (int round = 0; round < 200; ++round) {
        double pairs[18] = {};
        for (std::size_t i = 0; i < count; ++i) {
          const bool odd = random() % 4 == 0;
          pairs[2 * i] = odd ? unusual[random() % 10] : format == kFormatDbDegrees ? decibels(random) : 0.5;
          pairs[2 * i + 1] = random() % 4 == 0 ? unusual[random() % 10] : degrees(random);
        }
        double alone[18];
        std::memcpy(alone, pairs, sizeof pairs);
        double given[18];
        std::memcpy(given, pairs, sizeof pairs);
        for (std::size_t i = 0; i < count; ++i) convertComplex(format, &alone[2 * i], &alone[2 * i + 1]);
        convertSamples(format, pairs, count);
        for (std::size_t i = 0; i < 2 * count; ++i) {
          // Which operand's not-a-number an operation passes on (and so its
          // sign) is the compiler's choice of operand order, which differs
          // between builds: a not-a-number only has to stay one.
          const std::uint64_t expected = std::isnan(alone[i])
                                             ? std::bit_cast<std::uint64_t>(std::fabs(alone[i]))
                                             : std::bit_cast<std::uint64_t>(alone[i]);
          const std::uint64_t got = std::isnan(pairs[i]) ? std::bit_cast<std::uint64_t>(std::fabs(pairs[i]))
                                                         : std::bit_cast<std::uint64_t>(pairs[i]);
          EXPECT_EQ(expected, got) << "format " << format << ", part " << i << " of " << count
                                   << " pairs, from " << given[i & ~1u] << ", " << given[i | 1u];
        }
      }
    }
  }
  // The dense sweeps above, in one run each.
  std::vector<double> angles;
  std::vector<double> decibelPairs;
  for (int k = -72000; k <= 72000; ++k) angles.insert(angles.end(), {1.0, k / 100.0});
  for (int k = -30000; k <= 30000; ++k)
    decibelPairs.insert(decibelPairs.end(), {k / 100.0, 37.5 + k / 1000.0});
  for (auto [format, pairs] :
       {std::pair{kFormatMagnitudeDegrees, angles}, std::pair{kFormatDbDegrees, decibelPairs}}) {
    std::vector<double> alone = pairs;
    for (std::size_t i = 0; i < alone.size(); i += 2) convertComplex(format, &alone[i], &alone[i + 1]);
    convertSamples(format, pairs.data(), pairs.size() / 2);
    EXPECT_EQ(std::memcmp(alone.data(), pairs.data(), pairs.size() * sizeof(double)), 0) << format;
  }
}

// What is not a number stays so; infinite angles give no number.
TEST(ComplexConversion, NonFiniteInputs) {
  double sample[2];
  storePair(sample, 1.0, NAN, kFormatMagnitudeDegrees);
  EXPECT_TRUE(std::isnan(sample[0]) && std::isnan(sample[1]));
  storePair(sample, 1.0, INFINITY, kFormatMagnitudeDegrees);
  EXPECT_TRUE(std::isnan(sample[0]) && std::isnan(sample[1]));
  storePair(sample, NAN, 10.0, kFormatDbDegrees);
  EXPECT_TRUE(std::isnan(sample[0]) && std::isnan(sample[1]));
  storePair(sample, -INFINITY, 10.0, kFormatDbDegrees);
  EXPECT_EQ(sample[0], 0.0);
  EXPECT_EQ(sample[1], 0.0);
}

}  // namespace
}  // namespace korvel::testing
