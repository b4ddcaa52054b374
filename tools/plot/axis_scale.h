// The axes of a plot: which part of the data range they show, where their
// ticks go and how the tick labels read, in engineering units.
//
// Everything here works on finite values only: NaN and infinities (a
// -inf dB point of a zero magnitude) are left out of every range, so that
// one bad point breaks its curve instead of the scale.
#ifndef KORVEL_TOOLS_PLOT_AXIS_SCALE_H
#define KORVEL_TOOLS_PLOT_AXIS_SCALE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace korvel::plot {

// A closed interval of data values. Empty when nothing finite was seen.
struct Range {
  double low = 0;
  double high = 0;
  bool empty = true;

  void include(double value) {
    if (!std::isfinite(value)) return;
    if (empty) {
      low = high = value;
      empty = false;
      return;
    }
    low = std::min(low, value);
    high = std::max(high, value);
  }
  void include(const Range& other);
};

// How the numbers of an axis are written: tick values are divided by
// `factor` and written with `decimals` digits after the point; `unit` is the
// unit text that goes with the divided numbers ("GHz", "ps", "dB", "").
struct AxisUnit {
  double factor = 1;
  std::string unit;
};

struct Axis {
  double low = 0;
  double high = 1;
  std::vector<double> ticks;  // inside [low, high], ascending
  double factor = 1;          // tick label = tick / factor
  int decimals = 0;
  std::string label;  // the axis title, unit included

  // The text of the tick at `value`.
  std::string tickLabel(double value) const;
};

// The unit a quantity is shown in: SI prefixes for units that take them
// ("Hz" → "MHz", "s" → "ps", "Ohms" → "kΩ"), a plain unit otherwise.
// `largest` is the largest magnitude the axis shows.
AxisUnit engineeringUnit(const std::string& unit, double largest);

// Tick spacing of 1, 2 or 5 times a power of ten that puts about `target`
// ticks on [low, high].
double tickStep(double low, double high, int target);

// An axis over `data` that shows it whole with a margin: the range grows by
// a twentieth of its span on each side and then out to the next tick, so
// no curve lies on the frame. A flat curve (a span that rounds to nothing
// beside its values) gets a tenth of its value on each side, and data
// with nothing finite the span -1 .. 1. Never more than 61 ticks.
Axis paddedAxis(const Range& data, int targetTicks);

// An axis over exactly `data` (frequency axes), ticks inside it.
Axis exactAxis(const Range& data, int targetTicks);

// An axis from `low` to `high` with ticks every `step` (Smith charts and
// other fixed frames).
Axis fixedAxis(double low, double high, double step);

// Fills in the label factor, decimals and axis title from the quantity's
// name and unit ("Frequency", "Hz" → "Frequency (GHz)" with factor 1e9).
void labelAxis(Axis* axis, const std::string& quantity, const std::string& unit);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_AXIS_SCALE_H
