// Numbers and frequencies as korvel shows them to a person.
#include "tools/output/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace korvel::tool {

namespace {

constexpr int kFrequencyDigits = 6;
constexpr int kMostDigits = 17;

// `value` (hertz divided by `scale`) with `digits` significant digits and,
// when `readsBack`, as many more as it takes to read back as `hertz`:
// neighbouring points of a fine grid print apart, and a frequency prints
// as it was asked.
std::string frequencyDigits(double hertz, double value, double scale, int digits, bool readsBack) {
  std::string text = formatNumber(value, digits);
  for (; readsBack && digits < kMostDigits; text = formatNumber(value, ++digits)) {
    double back = std::strtod(text.c_str(), nullptr) * scale;
    if (std::fabs(back - hertz) <= 4 * std::numeric_limits<double>::epsilon() * std::fabs(hertz)) break;
  }
  return text;
}

std::string frequencyText(double hertz, int digits, bool readsBack) {
  static const struct {
    double scale;
    const char* unit;
  } kUnits[] = {{1e12, "THz"}, {1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}};
  if (!std::isfinite(hertz)) return formatNumber(hertz, digits) + " Hz";
  for (const auto& unit : kUnits) {
    if (std::fabs(hertz) >= unit.scale)
      return frequencyDigits(hertz, hertz / unit.scale, unit.scale, digits, readsBack) + " " + unit.unit;
  }
  return frequencyDigits(hertz, hertz, 1, digits, readsBack) + " Hz";
}

}  // namespace

std::string formatNumber(double value, int digits) {
  char text[48];
  // A not-a-number's sign means nothing, and which one an operation passes
  // on is the compiler's choice: "-nan" would differ from build to build.
  if (std::isnan(value)) value = std::fabs(value);
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

std::string formatFrequency(double hertz) { return frequencyText(hertz, kFrequencyDigits, true); }

std::string formatFrequency(double hertz, int digits) { return frequencyText(hertz, digits, false); }

}  // namespace korvel::tool
