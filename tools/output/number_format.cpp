// Numbers and frequencies as korvel shows them to a person.
#include "tools/output/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace korvel::tool {

namespace {

// `value` (hertz divided by `scale`) with six significant digits, or as
// many more as it takes to read back as `hertz`: neighbouring points of a
// fine grid print apart, and a frequency prints as it was asked.
std::string frequencyDigits(double hertz, double value, double scale) {
  char text[48];
  for (int digits = 6; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    double back = std::strtod(text, nullptr) * scale;
    if (std::fabs(back - hertz) <= 4 * std::numeric_limits<double>::epsilon() * std::fabs(hertz)) break;
  }
  return text;
}

}  // namespace

std::string formatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string formatFrequency(double hertz) {
  static const struct {
    double scale;
    const char* unit;
  } kUnits[] = {{1e12, "THz"}, {1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}};
  if (!std::isfinite(hertz)) return formatNumber(hertz) + " Hz";
  for (const auto& unit : kUnits) {
    if (std::fabs(hertz) >= unit.scale)
      return frequencyDigits(hertz, hertz / unit.scale, unit.scale) + " " + unit.unit;
  }
  return frequencyDigits(hertz, hertz, 1) + " Hz";
}

}  // namespace korvel::tool
