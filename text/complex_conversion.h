// Conversion of the value pairs both readers meet into stored complex
// samples (real part, imaginary part): dB or linear magnitude with an angle
// in degrees or radians, or real and imaginary parts as they stand.
#ifndef KORVEL_TEXT_COMPLEX_CONVERSION_H
#define KORVEL_TEXT_COMPLEX_CONVERSION_H

#include <cmath>

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

// Stores magnitude `magnitude` at `degrees` as a complex sample.
inline void storePolar(double* sample, double magnitude, double degrees) {
  double angle = degrees * kPi / 180.0;
  sample[0] = magnitude * std::cos(angle);
  sample[1] = magnitude * std::sin(angle);
}

// Converts the pair (a, c) read in complex format `format` (a ComplexFormat
// code) into real and imaginary parts, in place.
inline void convertComplex(int format, double* a, double* c) {
  double magnitude;
  double angle;
  switch (format) {
    case kFormatDbDegrees:
      magnitude = std::pow(10.0, *a / 20.0);
      angle = *c * kPi / 180.0;
      break;
    case kFormatMagnitudeDegrees:
      magnitude = *a;
      angle = *c * kPi / 180.0;
      break;
    case kFormatMagnitudeRadians:
      magnitude = *a;
      angle = *c;
      break;
    default:
      return;  // already real and imaginary parts
  }
  *a = magnitude * std::cos(angle);
  *c = magnitude * std::sin(angle);
}

// Stores the pair (a, b) read in complex format `format` as a sample.
inline void storePair(double* sample, double a, double b, int format) {
  sample[0] = a;
  sample[1] = b;
  convertComplex(format, &sample[0], &sample[1]);
}

}  // namespace korvel

#endif  // KORVEL_TEXT_COMPLEX_CONVERSION_H
