// Conversion of one value pair as a Touchstone file writes it into the
// stored complex sample (real part, imaginary part).
#ifndef KORVEL_TOUCHSTONE_COMPLEX_PAIR_H
#define KORVEL_TOUCHSTONE_COMPLEX_PAIR_H

#include <cmath>

#include "dataset/data_set.h"

namespace korvel {

inline constexpr double kPi = 3.141592653589793;

// Stores magnitude `magnitude` at `degrees` as a complex sample.
inline void storePolar(double* sample, double magnitude, double degrees) {
  double angle = degrees * kPi / 180.0;
  sample[0] = magnitude * std::cos(angle);
  sample[1] = magnitude * std::sin(angle);
}

// Stores the pair (a, b) read in complex format `format` (a ComplexFormat
// code of a Touchstone file: dB/degrees, magnitude/degrees, real/imaginary).
inline void storePair(double* sample, double a, double b, int format) {
  switch (format) {
    case kFormatDbDegrees:
      storePolar(sample, std::pow(10.0, a / 20.0), b);
      return;
    case kFormatMagnitudeDegrees:
      storePolar(sample, a, b);
      return;
    default:
      sample[0] = a;
      sample[1] = b;
      return;
  }
}

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_COMPLEX_PAIR_H
