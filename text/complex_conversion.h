// Conversion of the value pairs both readers meet into stored complex
// samples (real part, imaginary part): dB or linear magnitude with an angle
// in degrees or radians, or real and imaginary parts as they stand.
#ifndef KORVEL_TEXT_COMPLEX_CONVERSION_H
#define KORVEL_TEXT_COMPLEX_CONVERSION_H

#include <bit>
#include <cmath>
#include <cstddef>
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
//
// Each step is written once for a value type T: a double, or four doubles
// worked on together (convertSamples). Each lane of those undergoes the
// very IEEE operations a double would, in the same order, so that a pair
// converted among others gets the bits it gets alone. The steps are always
// inlined: four doubles must not be passed to a function built for
// another processor than their caller, whose registers differ.
namespace polar {

// A value as the unevaluated sum high + low.
template <typename T>
struct SplitOf {
  T high;
  T low;
};
using Split = SplitOf<double>;

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

// What differs between the value types: a value in every lane, the bits
// of a value, a choice made by a comparison's outcome (a bool, or all ones
// in a lane where it held) that selects bits and is no branch, a look-up
// in the table of powers of two, and a power of two made from its
// exponent's bits. Specialised for double here, for Lanes4 where the lanes
// are converted.
template <typename T>
struct Lane;

template <>
struct Lane<double> {
  using Bits = std::int64_t;
  static double every(double x) { return x; }
  static Bits bitsOf(double x) { return std::bit_cast<Bits>(x); }
  static double choose(bool where, double ifSet, double otherwise) { return where ? ifSet : otherwise; }
  // 2^(j/64) for j = index & 63, high and low parts.
  static void powerOfTwo(Bits index, double* high, double* low) {
    const double* power = kPowersOfTwo[index & 63];
    *high = power[0];
    *low = power[1];
  }
  // 2^floor(steps / 64), for floor(steps / 64) an exponent of normal
  // doubles: the biased exponent floor(steps / 64) + 1023 moved into
  // place, which in 64-bit arithmetic is
  // (steps - steps mod 64) * 2^46 + 1023 * 2^52.
  static double scaleOfSteps(Bits steps) {
    const std::uint64_t whole = static_cast<std::uint64_t>(steps) & ~std::uint64_t{63};
    return std::bit_cast<double>((whole << 46) + (std::uint64_t{1023} << 52));
  }
};

// x as a head of at most 26 significant bits and the exact rest.
// REQUIRES: |x| < 2^995.
template <typename T>
[[gnu::always_inline]] inline SplitOf<T> halves(T x) {
  const T scaled = x * 134217729.0;  // 2^27 + 1
  const T head = scaled - (scaled - x);
  return {head, x - head};
}

// high + tail renormalised, where |tail| is well below |high|.
template <typename T>
[[gnu::always_inline]] inline SplitOf<T> renormalised(T high, T tail) {
  const T sum = high + tail;
  return {sum, (high - sum) + tail};
}

// x * (head + tail) as an unevaluated sum, where head has at most 25
// significant bits: the two partial products of x's halves with head are
// exact, and their sum's rounding error is recovered.
template <typename T>
[[gnu::always_inline]] inline SplitOf<T> productWithConstant(T x, double head, double tail) {
  const SplitOf<T> parts = halves(x);
  const T first = parts.high * head;
  const T second = parts.low * head;
  const T sum = first + second;
  return renormalised(sum, ((first - sum) + second) + x * tail);
}

// The stored part a x b for two unevaluated sums: the product of the high
// parts rounded once, the small cross terms added to it.
template <typename T>
[[gnu::always_inline]] inline T roundedProduct(SplitOf<T> a, SplitOf<T> b) {
  return a.high * b.high + (a.high * b.low + a.low * b.high);
}

// Sine and cosine of x = xHigh + xLow, |x| <= pi/4 + a little, by their
// Taylor series (truncated beyond a thousandth of a unit in the last place).
template <typename T>
[[gnu::always_inline]] inline void sineCosine(T xHigh, T xLow, SplitOf<T>* sine, SplitOf<T>* cosine) {
  const T x2 = xHigh * xHigh;
  // x2's rounding error, exactly: cos(x) feels it at full weight.
  const SplitOf<T> xParts = halves(xHigh);
  const T x2Error =
      ((xParts.high * xParts.high - x2) + 2.0 * xParts.high * xParts.low) + xParts.low * xParts.low;
  const T sineSeries =
      -0x1.5555555555555p-3 +
      x2 * (0x1.1111111111111p-7 +
            x2 * (-0x1.a01a01a01a01ap-13 +
                  x2 * (0x1.71de3a556c734p-19 +
                        x2 * (-0x1.ae64567f544e4p-26 +
                              x2 * (0x1.6124613a86d09p-33 +
                                    x2 * (-0x1.ae7f3e733b81fp-41 + x2 * 0x1.952c77030ad4ap-49))))));
  const T sineTail = xHigh * x2 * sineSeries + (xLow - 0.5 * x2 * xLow);
  *sine = renormalised(xHigh, sineTail);
  const T half = 0.5 * x2;
  const T oneLessHalf = 1.0 - half;
  const T cosineSeries =
      0x1.5555555555555p-5 +
      x2 * (-0x1.6c16c16c16c17p-10 +
            x2 * (0x1.a01a01a01a01ap-16 +
                  x2 * (-0x1.27e4fb7789f5cp-22 +
                        x2 * (0x1.1eed8eff8d898p-29 +
                              x2 * (-0x1.93974a8c07c9dp-37 + x2 * 0x1.ae7f3e733b81fp-45)))));
  const T cosineTail = (((1.0 - oneLessHalf) - half) - 0.5 * x2Error) + x2 * x2 * cosineSeries - xHigh * xLow;
  *cosine = renormalised(oneLessHalf, cosineTail);
}

// cos and sin of `degrees`, |degrees| < kLargeAngle or not a number. The
// angle is brought to within 45 degrees of a multiple of 90 exactly, in
// degrees, so that multiples of 90 give exact zeros and ones.
template <typename T>
[[gnu::always_inline]] inline void cosineSineOfTurnDegrees(T degrees, SplitOf<T>* cosine, SplitOf<T>* sine) {
  const T shifted = degrees * (1.0 / 90.0) + kRounder;
  const T quarters = shifted - kRounder;
  const auto quadrant = Lane<T>::bitsOf(shifted) & 3;
  // Exact: 90 * quarters is an integer, and the difference is a multiple
  // of degrees' last place no larger than degrees.
  const T rest = degrees - 90.0 * quarters;
  const SplitOf<T> x = productWithConstant(rest, kDegreeHead, kDegreeTail);
  SplitOf<T> s;
  SplitOf<T> c;
  sineCosine(x.high, x.low, &s, &c);
  // Quadrant 1: (-sin, cos); 2: (-cos, -sin); 3: (sin, -cos).
  const auto odd = (quadrant & 1) != 0;
  const T minusOne = Lane<T>::every(-1.0);
  const T one = Lane<T>::every(1.0);
  const T cosineSign = Lane<T>::choose(((quadrant + 1) & 2) != 0, minusOne, one);
  const T sineSign = Lane<T>::choose((quadrant & 2) != 0, minusOne, one);
  *cosine = {cosineSign * Lane<T>::choose(odd, s.high, c.high),
             cosineSign * Lane<T>::choose(odd, s.low, c.low)};
  *sine = {sineSign * Lane<T>::choose(odd, c.high, s.high), sineSign * Lane<T>::choose(odd, c.low, s.low)};
}

// 10^(db/20), the magnitude of a value given in dB, for |db| <= kLargeDb.
template <typename T>
[[gnu::always_inline]] inline SplitOf<T> magnitudeOfModerateDb(T db) {
  // 10^(db/20) = 2^t = 2^(n/64) e^(f ln 2), n the nearest integer to 64 t.
  const SplitOf<T> t = productWithConstant(db, kDbHead, kDbTail);
  const T shifted = t.high * 64.0 + kRounder;
  const T n = shifted - kRounder;
  const auto steps = Lane<T>::bitsOf(shifted) - Lane<double>::bitsOf(kRounder);
  const T f = (t.high - n * (1.0 / 64.0)) + t.low;  // the difference exact
  const T g = f * kLn2;
  const T expMinusOne =
      g +
      g * g *
          (0.5 + g * (0x1.5555555555555p-3 +
                      g * (0x1.5555555555555p-5 + g * (0x1.1111111111111p-7 + g * 0x1.6c16c16c16c17p-10))));
  T powerHigh;
  T powerLow;
  Lane<T>::powerOfTwo(steps, &powerHigh, &powerLow);
  const SplitOf<T> magnitude = renormalised(powerHigh, powerLow + powerHigh * expMinusOne);
  const T scale = Lane<T>::scaleOfSteps(steps);
  return {magnitude.high * scale, magnitude.low * scale};
}

// cos and sin of `degrees`. A value that is not a number, or infinite,
// gives parts that are not numbers.
inline void cosineSineOfDegrees(double degrees, Split* cosine, Split* sine) {
  if (!(std::fabs(degrees) < kLargeAngle)) degrees = std::fmod(degrees, 360.0);  // exact
  cosineSineOfTurnDegrees(degrees, cosine, sine);
}

// 10^(db/20), the magnitude of a value given in dB.
inline Split magnitudeOfDb(double db) {
  if (!(std::fabs(db) <= kLargeDb)) return {std::pow(10.0, db / 20.0), 0.0};
  return magnitudeOfModerateDb(db);
}

// The stored parts of magnitude x (cosine, sine): each product rounded
// once; the + 0.0 makes the exact zeros of multiples of 90 degrees +0.
template <typename T>
[[gnu::always_inline]] inline void polarParts(SplitOf<T> magnitude, SplitOf<T> cosine, SplitOf<T> sine,
                                              T* real, T* imaginary) {
  *real = roundedProduct(magnitude, cosine) + 0.0;
  *imaginary = roundedProduct(magnitude, sine) + 0.0;
}

}  // namespace polar

// Stores magnitude `magnitude` at `degrees` as a complex sample.
inline void storePolar(double* sample, double magnitude, double degrees) {
  polar::Split cosine;
  polar::Split sine;
  polar::cosineSineOfDegrees(degrees, &cosine, &sine);
  polar::polarParts(polar::Split{magnitude, 0.0}, cosine, sine, &sample[0], &sample[1]);
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
  polar::polarParts(magnitude, cosine, sine, a, c);
}

// Converts the `count` pairs at `samples`, stored one after another as
// (a, c), read in complex format `format`, into real and imaginary parts
// in place, several at a time: each pair gets the bits convertComplex
// gives it.
void convertSamples(int format, double* samples, std::size_t count);

// Stores the pair (a, b) read in complex format `format` as a sample.
inline void storePair(double* sample, double a, double b, int format) {
  sample[0] = a;
  sample[1] = b;
  convertComplex(format, &sample[0], &sample[1]);
}

}  // namespace korvel

#endif  // KORVEL_TEXT_COMPLEX_CONVERSION_H
