// How values are shown: complex values as real and imaginary parts,
// magnitude and angle, or one of dB, magnitude or angle alone; real values
// as they are, except that power-like quantities (those the plug-in marks
// for 10*log10 display: noise figures and gains) are shown in dB when dB is
// asked, and plain factors otherwise. Every column says its unit: dB of a
// ratio, dBOhm and dBS of impedances and admittances.
#ifndef KORVEL_TOOLS_OUTPUT_VALUE_UNITS_H
#define KORVEL_TOOLS_OUTPUT_VALUE_UNITS_H

#include <string>
#include <vector>

#include "host/waveform_library.h"

namespace korvel::tool {

enum class ValueUnit { kRealImaginary, kMagnitudeAngle, kDb, kMagnitude, kDegrees };

// The --unit choices, in the order help lists them.
const std::vector<std::string>& valueUnitNames();
// What --unit does, for the help of the commands that take it.
extern const char* const kValueUnitHelp;
// The unit for a --unit choice ("ri", "ma", "db", "mag", "deg").
ValueUnit valueUnitNamed(const std::string& name);

// How one waveform's values are written.
struct ValueColumns {
  std::vector<std::string> parts;  // column parts: "re","im" / "mag","deg" / "dB" / "value"
  std::vector<std::string> units;  // the unit of each part
  bool complex = false;
  bool powerInDb = false;  // a power-like real quantity shown in dB
};

// Whether the plug-in marked the waveform as power-like (property 1 = "1").
bool isPowerLike(const host::RecordedWaveform& waveform);

// The columns of `waveform` in `unit`.
ValueColumns valueColumns(const host::RecordedWaveform& waveform, ValueUnit unit);

// The values of one point: `y` points at the point's real value, or at its
// real and imaginary parts. Writes columns.parts.size() numbers to `out`.
void pointValues(const ValueColumns& columns, ValueUnit unit, const double* y, double* out);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_VALUE_UNITS_H
