// Turning received waveforms into plotted values.
#include "tools/plot/waveform_view.h"

#include <cmath>
#include <limits>

namespace korvel::plot {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

// The real and imaginary parts of a segment, as many as both the x values
// and the y values hold.
struct Samples {
  std::vector<double> re;
  std::vector<double> im;
};

Samples samplesOf(const host::RecordedWaveform& waveform, const host::RecordedSegment& segment) {
  Samples samples;
  size_t width = waveform.isComplex() ? 2 : 1;
  size_t count = std::min(segment.x.size(), segment.y.size() / width);
  samples.re.reserve(count);
  samples.im.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    samples.re.push_back(segment.y[i * width]);
    samples.im.push_back(width == 2 ? segment.y[i * width + 1] : 0.0);
  }
  return samples;
}

double valueOf(Display display, Part part, double re, double im) {
  switch (part) {
    case Part::kDb:
      return display == Display::kDbPower ? powerDecibels(re) : amplitudeDecibels(re, im);
    case Part::kReal:
    case Part::kLinear:
      return re;
    case Part::kImaginary:
      return im;
    default:
      return kNaN;
  }
}

}  // namespace

std::string propertyValue(const host::RecordedWaveform& waveform, int code) {
  std::string value;
  for (const host::RecordedProperty& property : waveform.properties) {
    if (property.code == code) value = property.value;
  }
  return value;
}

Display displayOf(const host::RecordedWaveform& waveform) {
  std::string hint = propertyValue(waveform, kPropertyYDisplay);
  if (hint == "db(y)") {
    bool powerLike = !waveform.isComplex() && propertyValue(waveform, kPropertyPowerRatio) == "1";
    return powerLike ? Display::kDbPower : Display::kDbAmplitude;
  }
  // A complex waveform has two parts whatever its hint says; without a
  // hint there is no other faithful picture of both.
  if (waveform.isComplex()) return Display::kRealImaginary;
  return Display::kLinear;
}

std::vector<Part> partsOf(Display display) {
  switch (display) {
    case Display::kDbAmplitude:
    case Display::kDbPower:
      return {Part::kDb};
    case Display::kRealImaginary:
      return {Part::kReal, Part::kImaginary};
    case Display::kLinear:
      return {Part::kLinear};
  }
  return {};
}

const char* partName(Part part) {
  switch (part) {
    case Part::kDb:
      return "db";
    case Part::kReal:
      return "re";
    case Part::kImaginary:
      return "im";
    case Part::kLinear:
      return "y";
    case Part::kPhase:
      return "phase";
    case Part::kReflection:
      return "gamma";
  }
  return "";
}

double amplitudeDecibels(double re, double im) { return 20.0 * std::log10(std::hypot(re, im)); }

double powerDecibels(double value) { return 10.0 * std::log10(value); }

std::vector<double> unwrappedPhaseDegrees(const std::vector<double>& re, const std::vector<double>& im) {
  std::vector<double> phase(std::min(re.size(), im.size()), kNaN);
  double previous = kNaN;
  for (size_t i = 0; i < phase.size(); ++i) {
    double wrapped = std::atan2(im[i], re[i]) * 180.0 / kPi;
    if (!std::isfinite(wrapped)) continue;
    if (std::isfinite(previous)) wrapped -= 360.0 * std::round((wrapped - previous) / 360.0);
    phase[i] = wrapped;
    previous = wrapped;
  }
  return phase;
}

std::vector<Point> partPoints(const host::RecordedWaveform& waveform, size_t segment, Display display,
                              Part part) {
  if (segment >= waveform.segments.size()) return {};
  const host::RecordedSegment& source = waveform.segments[segment];
  if (part == Part::kPhase) {
    Samples samples = samplesOf(waveform, source);
    std::vector<double> phase = unwrappedPhaseDegrees(samples.re, samples.im);
    std::vector<Point> points(phase.size());
    for (size_t i = 0; i < points.size(); ++i) points[i] = {source.x[i], phase[i]};
    return points;
  }
  // The other parts need one sample at a time: read in place, without a
  // copy of a long segment's samples.
  size_t width = waveform.isComplex() ? 2 : 1;
  size_t count = std::min(source.x.size(), source.y.size() / width);
  std::vector<Point> points(count);
  for (size_t i = 0; i < count; ++i) {
    double re = source.y[i * width];
    double im = width == 2 ? source.y[i * width + 1] : 0.0;
    points[i] =
        part == Part::kReflection ? Point{re, im} : Point{source.x[i], valueOf(display, part, re, im)};
  }
  return points;
}

}  // namespace korvel::plot
