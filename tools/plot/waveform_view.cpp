// Turning received waveforms into plotted values.
#include "tools/plot/waveform_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel::plot {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

double partValue(Display display, Part part, double re, double im) {
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

// Unwraps one point's phase after the one before (NaN while there was
// none with a picture): see unwrappedPhaseDegrees.
double unwrapped(double re, double im, double* previous) {
  double wrapped = std::atan2(im, re) * 180.0 / kPi;
  if (!std::isfinite(wrapped)) return kNaN;
  if (std::isfinite(*previous)) wrapped -= 360.0 * std::round((wrapped - *previous) / 360.0);
  *previous = wrapped;
  return wrapped;
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
  for (size_t i = 0; i < phase.size(); ++i) phase[i] = unwrapped(re[i], im[i], &previous);
  return phase;
}

PartReader::PartReader(const host::RecordedWaveform& waveform, size_t segment, Display display, Part part)
    : display_(display), part_(part) {
  if (segment >= waveform.segments.size()) return;
  const host::RecordedSegment& source = waveform.segments[segment];
  width_ = waveform.isComplex() ? 2 : 1;
  count_ = std::min(source.x.size(), source.y.size() / width_);
  x_ = source.x.data();
  y_ = source.y.data();
  if (part != Part::kPhase) return;
  // Unwrapping runs along the points: done once, for every point.
  phase_.resize(count_);
  double previous = kNaN;
  for (size_t i = 0; i < count_; ++i) phase_[i] = unwrapped(re(i), im(i), &previous);
}

double PartReader::valueOf(size_t i) const { return partValue(display_, part_, re(i), im(i)); }

double PartReader::nearValue(size_t i, double* error) const {
  *error = 0;
  if (part_ == Part::kDb && display_ == Display::kDbAmplitude) {
    double key = squaredMagnitude(i);
    if (key != 0) {
      double value = 10.0 * std::log10(key);
      *error = kNearDecibelsError * (1 + std::fabs(value));
      return value;
    }
  }
  return at(i).y;
}

void PartReader::orderKeys(size_t begin, size_t end, double* keys) const {
  auto keyOrNone = [](double key) { return key != 0 ? key : kNaN; };
  auto valueOrNone = [](double value) { return std::isfinite(value) ? value : kNaN; };
  if (part_ == Part::kDb && display_ == Display::kDbPower) {
    for (size_t i = begin; i < end; ++i) keys[i - begin] = keyOrNone(normalKey(re(i)));
  } else if (part_ == Part::kDb && width_ == 2) {
    for (size_t i = begin; i < end; ++i) {
      double real = y_[2 * i];
      double imaginary = y_[2 * i + 1];
      keys[i - begin] = keyOrNone(normalKey(real * real + imaginary * imaginary));
    }
  } else if (part_ == Part::kDb) {
    for (size_t i = begin; i < end; ++i) keys[i - begin] = keyOrNone(squaredMagnitude(i));
  } else if (part_ == Part::kImaginary) {
    for (size_t i = begin; i < end; ++i) keys[i - begin] = valueOrNone(im(i));
  } else if (part_ == Part::kReal || part_ == Part::kLinear) {
    for (size_t i = begin; i < end; ++i) keys[i - begin] = valueOrNone(re(i));
  } else {
    for (size_t i = begin; i < end; ++i) keys[i - begin] = kNaN;
  }
}

double PartReader::magnitude(size_t i) const { return std::hypot(re(i), im(i)); }

std::vector<Point> partPoints(const host::RecordedWaveform& waveform, size_t segment, Display display,
                              Part part) {
  PartReader reader(waveform, segment, display, part);
  std::vector<Point> points(reader.size());
  for (size_t i = 0; i < points.size(); ++i) points[i] = reader.at(i);
  return points;
}

}  // namespace korvel::plot
