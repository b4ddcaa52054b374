// Axis ranges, ticks and engineering units.
#include "tools/plot/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace korvel::plot {

namespace {

// More ticks than this means the step underflowed against the range; such
// an axis keeps only its ends.
constexpr int kMostTicks = 60;

struct PrefixedUnit {
  const char* name;    // as the plug-in writes it
  const char* symbol;  // as an engineer writes it
  int lowestExponent;  // smallest power of 1000 worth a prefix
  int highestExponent;
};

// Units that take SI prefixes. Frequencies stay in Hz..GHz (no mHz, and
// THz only past 1000 GHz).
constexpr PrefixedUnit kPrefixedUnits[] = {
    {"Hz", "Hz", 0, 12},      {"s", "s", -15, 0}, {"Ohms", "Ω", -3, 9},
    {"Siemens", "S", -12, 3}, {"V", "V", -12, 6}, {"A", "A", -15, 3},
};

const char* prefixFor(int exponent) {
  switch (exponent) {
    case -15:
      return "f";
    case -12:
      return "p";
    case -9:
      return "n";
    case -6:
      return "µ";
    case -3:
      return "m";
    case 3:
      return "k";
    case 6:
      return "M";
    case 9:
      return "G";
    case 12:
      return "T";
    default:
      return "";
  }
}

// The power of 1000 (as a power of ten) at which `largest` reads between
// 1 and 1000.
int thousandsExponent(double largest) {
  if (!(largest > 0) || !std::isfinite(largest)) return 0;
  return static_cast<int>(std::floor(std::log10(largest) / 3.0 + 1e-9)) * 3;
}

int decimalsFor(double step) {
  if (!(step > 0) || !std::isfinite(step)) return 0;
  int decimals = static_cast<int>(-std::floor(std::log10(step) + 1e-9));
  return std::clamp(decimals, 0, 12);
}

// Tick multiples beyond this are no longer whole numbers a double holds
// one by one: counting them up would not move.
constexpr double kLargestTickMultiple = 1e15;

std::vector<double> ticksOn(double low, double high, double step) {
  std::vector<double> ticks;
  if (!(step > 0) || !std::isfinite(step) || !((high - low) / step <= kMostTicks)) return {low, high};
  double first = std::ceil(low / step - 1e-9);
  double last = std::floor(high / step + 1e-9);
  if (!(std::fabs(first) <= kLargestTickMultiple && std::fabs(last) <= kLargestTickMultiple))
    return {low, high};
  // Counted, not stepped: at most kMostTicks + 1 ticks whatever the numbers.
  for (int k = 0; k <= kMostTicks && first + k <= last; ++k) ticks.push_back((first + k) * step);
  return ticks;
}

// A span this small beside the values it lies at is rounding, not data: a
// two-port's K of 1 to sixteen digits is flat.
constexpr double kFlatSpan = 1e-9;

// Whether [low, high] is too narrow (or not finite) to scale an axis by.
bool flatRange(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) return true;
  return !(high - low > kFlatSpan * std::max(std::fabs(low), std::fabs(high)));
}

// A span that stays finite even for data at both ends of the double range.
double spanOf(double low, double high) {
  double span = high - low;
  return std::isfinite(span) ? span : std::numeric_limits<double>::max();
}

}  // namespace

void Range::include(const Range& other) {
  if (other.empty) return;
  include(other.low);
  include(other.high);
}

std::string Axis::tickLabel(double value) const {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value / factor);
  std::string written = text;
  // Rounding leaves "-0" or "-0.0" for values just below zero.
  if (written.find_first_not_of("-0.") == std::string::npos && written[0] == '-') written.erase(0, 1);
  return written;
}

AxisUnit engineeringUnit(const std::string& unit, double largest) {
  for (const PrefixedUnit& prefixed : kPrefixedUnits) {
    if (unit != prefixed.name) continue;
    int exponent = std::clamp(thousandsExponent(largest), prefixed.lowestExponent, prefixed.highestExponent);
    return {std::pow(10.0, exponent), std::string(prefixFor(exponent)) + prefixed.symbol};
  }
  std::string plain = unit == "-" ? std::string() : unit;
  if (largest >= 1e5 || (largest > 0 && largest < 1e-3)) {
    int exponent = thousandsExponent(largest);
    std::string scale = "×1e" + std::to_string(exponent);
    return {std::pow(10.0, exponent), plain.empty() ? scale : scale + " " + plain};
  }
  return {1, plain};
}

double tickStep(double low, double high, int target) {
  double span = spanOf(low, high);
  if (!(span > 0) || target < 1) return 1;
  double raw = span / target;
  double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double normal = raw / magnitude;
  double multiple = normal < 1.5 ? 1 : normal < 3.5 ? 2 : normal < 7.5 ? 5 : 10;
  return multiple * magnitude;
}

Axis paddedAxis(const Range& data, int targetTicks) {
  bool finite = !data.empty && std::isfinite(data.low) && std::isfinite(data.high);
  double low = finite ? data.low : -1;
  double high = finite ? data.high : 1;
  if (flatRange(low, high)) {
    // A flat curve gets a tenth of its value on each side (1 at zero).
    double centre = low + (high - low) / 2;
    double pad = centre != 0 ? std::fabs(centre) / 10 : 1;
    low = centre - pad;
    high = centre + pad;
  } else {
    double pad = spanOf(low, high) / 20;
    low -= pad;
    high += pad;
  }
  double step = tickStep(low, high, targetTicks);
  Axis axis;
  axis.low = std::floor(low / step) * step;
  axis.high = std::ceil(high / step) * step;
  if (!std::isfinite(axis.low) || !std::isfinite(axis.high) || !(axis.high > axis.low)) {
    axis.low = low;
    axis.high = high;
  }
  axis.ticks = ticksOn(axis.low, axis.high, step);
  return axis;
}

Axis exactAxis(const Range& data, int targetTicks) {
  if (data.empty || !std::isfinite(data.low) || !std::isfinite(data.high) || !(data.high > data.low)) {
    Range widened;
    double centre = data.empty || !std::isfinite(data.low) ? 0 : data.low;
    double half = centre != 0 ? std::fabs(centre) / 10 : 1;
    widened.include(centre - half);
    widened.include(centre + half);
    return exactAxis(widened, targetTicks);
  }
  Axis axis;
  axis.low = data.low;
  axis.high = data.high;
  axis.ticks = ticksOn(axis.low, axis.high, tickStep(axis.low, axis.high, targetTicks));
  return axis;
}

Axis fixedAxis(double low, double high, double step) {
  Axis axis;
  axis.low = low;
  axis.high = high;
  axis.ticks = ticksOn(low, high, step);
  return axis;
}

void labelAxis(Axis* axis, const std::string& quantity, const std::string& unit) {
  AxisUnit shown = engineeringUnit(unit, std::max(std::fabs(axis->low), std::fabs(axis->high)));
  axis->factor = shown.factor;
  double step = axis->ticks.size() > 1 ? axis->ticks[1] - axis->ticks[0] : axis->high - axis->low;
  axis->decimals = decimalsFor(step / shown.factor);
  axis->label = shown.unit.empty() ? quantity : quantity + " (" + shown.unit + ")";
}

}  // namespace korvel::plot
