// Conversion of the value pairs both readers meet into stored complex
// samples (real part, imaginary part): dB or linear magnitude with an angle
// in degrees or radians, or real and imaginary parts as they stand.
#ifndef KORVEL_TEXT_COMPLEX_CONVERSION_H
#define KORVEL_TEXT_COMPLEX_CONVERSION_H

#include <bit>
#include <cmath>
#include <cstdint>

namespace korvel {

// Complex format codes (the record's complexFormat).
enum ComplexFormat : int {
  kFormatDbDegrees = 0,
  kFormatMagnitudeDegrees = 1,
  kFormatRealImaginary = 2,
  kFormatMagnitudeRadians = 3,
};

// The complex format that both formats name alike by the first letter of
// "DB", "MA" or "RI", in either case; -1 for any other letter. Each reader
// decides what another letter means.
constexpr int complexFormatForLetter(char letter) {
  switch (letter) {
    case 'D':
    case 'd':
      return kFormatDbDegrees;
    case 'M':
    case 'm':
      return kFormatMagnitudeDegrees;
    case 'R':
    case 'r':
      return kFormatRealImaginary;
    default:
      return -1;
  }
}

inline constexpr double kPi = 3.141592653589793;

// The arithmetic of the conversions: sines and cosines of angles in degrees
// and powers of ten of dB values without a library call per value. Each
// result is carried as an unevaluated sum of two doubles, accurate far
// beyond a double, so that the one product that makes a stored part rounds
// it within one unit in the last place of the correctly rounded value.
// Nothing here may be contracted into fused operations (the build turns
// contraction off): the exact products and sums below rely on every
// operation rounding by itself.
namespace polar {

// A value as the unevaluated sum high + low.
struct Split {
  double high;
  double low;
};

// 2^(j/64) for j = 0 .. 63, each as high and low parts.
extern const double kPowersOfTwo[64][2];

// pi/180 as a head of 25 significant bits and the rest.
inline constexpr double kDegreeHead = 0x1.1df46ap-6;
inline constexpr double kDegreeTail = 0x1.294e9c8ae0ec6p-33;
// log2(10)/20, the base-2 exponent of one dB of amplitude, the same way.
inline constexpr double kDbHead = 0x1.542a5ap-3;
inline constexpr double kDbTail = 0x1.2e1c5ab307513p-31;
inline constexpr double kLn2 = 0x1.62e42fefa39efp-1;
// Added and taken away again, rounds a double of magnitude below 2^51 to
// an integer, which then stands in the added value's last bits.
inline constexpr double kRounder = 0x1.8p52;
// Angles this large or larger are first brought into one turn.
inline constexpr double kLargeAngle = 0x1p50;
// dB values beyond this give magnitudes near the ends of the double range
// and go to the library's pow.
inline constexpr double kLargeDb = 5000.0;

// x as a head of at most 26 significant bits and the exact rest.
// REQUIRES: |x| < 2^995.
inline Split halves(double x) {
  const double scaled = x * 134217729.0;  // 2^27 + 1
  const double head = scaled - (scaled - x);
  return {head, x - head};
}

// high + tail renormalised, where |tail| is well below |high|.
inline Split renormalised(double high, double tail) {
  const double sum = high + tail;
  return {sum, (high - sum) + tail};
}

// x * (head + tail) as an unevaluated sum, where head has at most 25
// significant bits: the two partial products of x's halves with head are
// exact, and their sum's rounding error is recovered.
inline Split productWithConstant(double x, double head, double tail) {
  const Split parts = halves(x);
  const double first = parts.high * head;
  const double second = parts.low * head;
  const double sum = first + second;
  return renormalised(sum, ((first - sum) + second) + x * tail);
}

// The stored part a x b for two unevaluated sums: the product of the high
// parts rounded once, the small cross terms added to it.
inline double roundedProduct(Split a, Split b) { return a.high * b.high + (a.high * b.low + a.low * b.high); }

// Sine and cosine of x = xHigh + xLow, |x| <= pi/4 + a little, by their
// Taylor series (truncated beyond a thousandth of a unit in the last place).
inline void sineCosine(double xHigh, double xLow, Split* sine, Split* cosine) {
  const double x2 = xHigh * xHigh;
  // x2's rounding error, exactly: cos(x) feels it at full weight.
  const Split xParts = halves(xHigh);
  const double x2Error =
      ((xParts.high * xParts.high - x2) + 2.0 * xParts.high * xParts.low) + xParts.low * xParts.low;
  const double sineSeries =
      -0x1.5555555555555p-3 +
      x2 * (0x1.1111111111111p-7 +
            x2 * (-0x1.a01a01a01a01ap-13 +
                  x2 * (0x1.71de3a556c734p-19 +
                        x2 * (-0x1.ae64567f544e4p-26 +
                              x2 * (0x1.6124613a86d09p-33 +
                                    x2 * (-0x1.ae7f3e733b81fp-41 + x2 * 0x1.952c77030ad4ap-49))))));
  const double sineTail = xHigh * x2 * sineSeries + (xLow - 0.5 * x2 * xLow);
  *sine = renormalised(xHigh, sineTail);
  const double half = 0.5 * x2;
  const double oneLessHalf = 1.0 - half;
  const double cosineSeries =
      0x1.5555555555555p-5 +
      x2 * (-0x1.6c16c16c16c17p-10 +
            x2 * (0x1.a01a01a01a01ap-16 +
                  x2 * (-0x1.27e4fb7789f5cp-22 +
                        x2 * (0x1.1eed8eff8d898p-29 +
                              x2 * (-0x1.93974a8c07c9dp-37 + x2 * 0x1.ae7f3e733b81fp-45)))));
  const double cosineTail =
      (((1.0 - oneLessHalf) - half) - 0.5 * x2Error) + x2 * x2 * cosineSeries - xHigh * xLow;
  *cosine = renormalised(oneLessHalf, cosineTail);
}

// cos and sin of `degrees`. The angle is brought to within 45 degrees of a
// multiple of 90 exactly, in degrees, so that multiples of 90 give exact
// zeros and ones and large angles lose nothing. A value that is not a
// number, or infinite, gives parts that are not numbers.
inline void cosineSineOfDegrees(double degrees, Split* cosine, Split* sine) {
  if (!(std::fabs(degrees) < kLargeAngle)) degrees = std::fmod(degrees, 360.0);  // exact
  const double shifted = degrees * (1.0 / 90.0) + kRounder;
  const double quarters = shifted - kRounder;
  const auto quadrant = static_cast<unsigned>(std::bit_cast<std::uint64_t>(shifted) & 3);
  // Exact: 90 * quarters is an integer, and the difference is a multiple
  // of degrees' last place no larger than degrees.
  const double rest = degrees - 90.0 * quarters;
  const Split x = productWithConstant(rest, kDegreeHead, kDegreeTail);
  Split parts[2];
  sineCosine(x.high, x.low, &parts[1], &parts[0]);
  // Quadrant 1: (-sin, cos); 2: (-cos, -sin); 3: (sin, -cos).
  const Split c = parts[quadrant & 1];
  const Split s = parts[(quadrant & 1) ^ 1];
  const double cosineSign = (quadrant + 1) & 2 ? -1.0 : 1.0;
  const double sineSign = quadrant & 2 ? -1.0 : 1.0;
  *cosine = {cosineSign * c.high, cosineSign * c.low};
  *sine = {sineSign * s.high, sineSign * s.low};
}

// 10^(db/20), the magnitude of a value given in dB.
inline Split magnitudeOfDb(double db) {
  if (!(std::fabs(db) <= kLargeDb)) return {std::pow(10.0, db / 20.0), 0.0};
  // 10^(db/20) = 2^t = 2^(n/64) e^(f ln 2), n the nearest integer to 64 t.
  const Split t = productWithConstant(db, kDbHead, kDbTail);
  const double shifted = t.high * 64.0 + kRounder;
  const double n = shifted - kRounder;
  const std::int64_t steps = std::bit_cast<std::int64_t>(shifted) - std::bit_cast<std::int64_t>(kRounder);
  const double f = (t.high - n * (1.0 / 64.0)) + t.low;  // the difference exact
  const double g = f * kLn2;
  const double expMinusOne =
      g +
      g * g *
          (0.5 + g * (0x1.5555555555555p-3 +
                      g * (0x1.5555555555555p-5 + g * (0x1.1111111111111p-7 + g * 0x1.6c16c16c16c17p-10))));
  const double* power = kPowersOfTwo[steps & 63];
  const Split magnitude = renormalised(power[0], power[1] + power[0] * expMinusOne);
  const double scale = std::bit_cast<double>(static_cast<std::uint64_t>((steps >> 6) + 1023) << 52);
  return {magnitude.high * scale, magnitude.low * scale};
}

}  // namespace polar

// Stores magnitude `magnitude` at `degrees` as a complex sample.
inline void storePolar(double* sample, double magnitude, double degrees) {
  polar::Split cosine;
  polar::Split sine;
  polar::cosineSineOfDegrees(degrees, &cosine, &sine);
  const polar::Split exact{magnitude, 0.0};
  // The + 0.0 makes the exact zeros of multiples of 90 degrees +0.
  sample[0] = polar::roundedProduct(exact, cosine) + 0.0;
  sample[1] = polar::roundedProduct(exact, sine) + 0.0;
}

// Converts the pair (a, c) read in complex format `format` (a ComplexFormat
// code) into real and imaginary parts, in place.
inline void convertComplex(int format, double* a, double* c) {
  polar::Split magnitude;
  switch (format) {
    case kFormatDbDegrees:
      magnitude = polar::magnitudeOfDb(*a);
      break;
    case kFormatMagnitudeDegrees:
      magnitude = {*a, 0.0};
      break;
    case kFormatMagnitudeRadians: {
      const double radius = *a;
      *a = radius * std::cos(*c);
      *c = radius * std::sin(*c);
      return;
    }
    default:
      return;  // already real and imaginary parts
  }
  polar::Split cosine;
  polar::Split sine;
  polar::cosineSineOfDegrees(*c, &cosine, &sine);
  *a = polar::roundedProduct(magnitude, cosine) + 0.0;
  *c = polar::roundedProduct(magnitude, sine) + 0.0;
}

// Stores the pair (a, b) read in complex format `format` as a sample.
inline void storePair(double* sample, double a, double b, int format) {
  sample[0] = a;
  sample[1] = b;
  convertComplex(format, &sample[0], &sample[1]);
}

}  // namespace korvel

#endif  // KORVEL_TEXT_COMPLEX_CONVERSION_H
