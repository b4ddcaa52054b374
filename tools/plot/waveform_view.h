// What a received waveform looks like on a plot, as the plug-in's display
// hints say: property 3 "db(y)" is a level in dB (10·log10 for the
// power-like waveforms that carry property 1 = "1", 20·log10|y| for every
// other), "imag(y) real(y)" is a pair of real and imaginary curves, and a
// real waveform without hints is drawn as it is.
#ifndef KORVEL_TOOLS_PLOT_WAVEFORM_VIEW_H
#define KORVEL_TOOLS_PLOT_WAVEFORM_VIEW_H

#include <string>
#include <vector>

#include "host/waveform_library.h"
#include "hostapi/korvel_host.h"

namespace korvel::plot {

enum class Display {
  kDbAmplitude,    // 20·log10|y|
  kDbPower,        // 10·log10(y)
  kRealImaginary,  // real and imaginary parts, in the waveform's unit
  kLinear,         // the real value, in the waveform's unit
};

// One curve's worth of a waveform.
enum class Part { kDb, kReal, kImaginary, kLinear, kPhase, kReflection };

struct Point {
  double x = 0;
  double y = 0;
};

// The value of property `code` as last set, or "".
std::string propertyValue(const host::RecordedWaveform& waveform, int code);

Display displayOf(const host::RecordedWaveform& waveform);

// The parts drawn for `display` ("re" and "im" for kRealImaginary).
std::vector<Part> partsOf(Display display);

// The short name of a part as the SVG records it: "db", "re", "im", "y",
// "phase", "gamma".
const char* partName(Part part);

// Decibels of a magnitude (20·log10|y|) and of a power ratio (10·log10 y):
// -inf for zero, NaN for a negative power or a NaN input.
double amplitudeDecibels(double re, double im);
double powerDecibels(double value);

// Phase in degrees of every point, unwrapped along the points so that a
// turn past ±180° continues instead of jumping. NaN points stay NaN and
// do not disturb the unwrapping of the points after them.
std::vector<double> unwrappedPhaseDegrees(const std::vector<double>& re, const std::vector<double>& im);

// The points of segment `segment` of `waveform` drawn as `part`, read in
// place from the received samples one point at a time, so that a curve of
// a million points needs no copy of them: one per sample, index for index
// with the segment's x values. kReflection points are (real, imaginary) for
// a Smith chart; every other part is (x, value). A value without a picture
// (log of zero, NaN in the file) is NaN, or -inf for the decibels of zero.
// Reads only the samples the segment holds, whatever its point count
// claims. The waveform must outlive the reader.
class PartReader {
 public:
  PartReader(const host::RecordedWaveform& waveform, size_t segment, Display display, Part part);

  size_t size() const { return count_; }
  Part part() const { return part_; }

  // Point i.
  Point at(size_t i) const {
    if (part_ == Part::kReflection) return {re(i), im(i)};
    if (part_ == Part::kPhase) return {x_[i], phase_[i]};
    return {x_[i], valueOf(i)};
  }

  // The frequency of point i (which at(i) holds as x but for kReflection).
  double frequency(size_t i) const { return x_[i]; }
  // Every point's frequency, size() of them.
  const double* frequencies() const { return x_; }

  // The value of point i (at(i).y) within `*error` of it, where that is far
  // cheaper to compute: the decibels of a magnitude from its square, which
  // takes one logarithm and no hypot. `*error` is 0 where the value is
  // at(i).y itself; where it is not, both are finite.
  double nearValue(size_t i, double* error) const;

  // A number that orders the values of a kDb part as they are ordered to
  // within a relative 1e-12, far cheaper than the value (the square of the
  // magnitude, or the power), where it is a normal double far from the ends
  // of the range; 0 elsewhere, where only the value itself tells. The
  // value is 10·log10 of the key to within kNearDecibelsError (1 + |value|).
  double decibelKey(size_t i) const {
    if (part_ != Part::kDb) return 0.0;
    return normalKey(display_ == Display::kDbPower ? re(i) : squaredMagnitude(i));
  }

  // For points begin to end - 1, into `keys`: of a kDb part its decibel
  // key, of a kReal, kImaginary or kLinear part its value, where that is
  // not 0 (a key) or is a number (a value); NaN elsewhere. The part is
  // looked at once, not at every point.
  void orderKeys(size_t begin, size_t end, double* keys) const;

  // The magnitude of a kReflection point (hypot of its parts), and its
  // square where that is a normal double far from the ends of the range
  // (0 elsewhere), which orders magnitudes as they are ordered to within a
  // relative 1e-12.
  double magnitude(size_t i) const;
  double squaredMagnitude(size_t i) const { return normalKey(re(i) * re(i) + im(i) * im(i)); }

 private:
  double re(size_t i) const { return y_[i * width_]; }
  double im(size_t i) const { return width_ == 2 ? y_[i * width_ + 1] : 0.0; }
  double valueOf(size_t i) const;
  // `key` where it is a normal double far from the ends of the range
  // (whose rounding is relative, whatever the squares that made it), else 0.
  static double normalKey(double key) { return key > 1e-290 && key < 1e290 ? key : 0.0; }

  const double* x_ = nullptr;
  const double* y_ = nullptr;
  size_t width_ = 1;  // doubles per sample
  size_t count_ = 0;
  Display display_;
  Part part_;
  std::vector<double> phase_;  // kPhase: every point's unwrapped phase
};

// How far PartReader::nearValue and 10·log10 of a decibel key may lie from
// a point's value, relative to 1 + |value|: each is within a few units in
// the last place of it.
constexpr double kNearDecibelsError = 1e-12;

// Every point of a PartReader, as a vector.
std::vector<Point> partPoints(const host::RecordedWaveform& waveform, size_t segment, Display display,
                              Part part);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_WAVEFORM_VIEW_H
