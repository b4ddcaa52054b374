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

// The points of segment `segment` of `waveform` drawn as `part`, one per
// sample, index for index with the segment's x values. kReflection points
// are (real, imaginary) for a Smith chart; every other part is (x, value).
// A value without a picture (log of zero, NaN in the file) is NaN. Reads
// only the samples the segment holds, whatever its point count claims.
std::vector<Point> partPoints(const host::RecordedWaveform& waveform, size_t segment, Display display,
                              Part part);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_WAVEFORM_VIEW_H
