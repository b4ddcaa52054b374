// Conversion of received values to the unit asked.
#include "tools/output/value_units.h"

#include <cmath>
#include <numbers>

#include "hostapi/korvel_host.h"

namespace korvel::tool {

namespace {

double degrees(double re, double im) { return std::atan2(im, re) * 180.0 / std::numbers::pi; }

// The unit of 20*log10 of a magnitude in `unit`: a ratio's is dB, an
// impedance's dB relative to one ohm, an admittance's to one siemens.
std::string decibelUnit(const std::string& unit) {
  if (unit == "Ohms") return "dBOhm";
  if (unit == "Siemens") return "dBS";
  return "dB";
}

}  // namespace

const char* const kValueUnitHelp =
    "Complex values as ri (real, imaginary), ma (magnitude, angle), db, mag or deg; db of an impedance is in "
    "dBOhm (20*log10 of |Z| / 1 Ohm) and of an admittance in dBS; gains and noise factors are plain factors, "
    "in dB (10*log10) with db";

const std::vector<std::string>& valueUnitNames() {
  static const std::vector<std::string> names = {"ri", "ma", "db", "mag", "deg"};
  return names;
}

ValueUnit valueUnitNamed(const std::string& name) {
  if (name == "ma") return ValueUnit::kMagnitudeAngle;
  if (name == "db") return ValueUnit::kDb;
  if (name == "mag") return ValueUnit::kMagnitude;
  if (name == "deg") return ValueUnit::kDegrees;
  return ValueUnit::kRealImaginary;
}

bool isPowerLike(const host::RecordedWaveform& waveform) {
  for (const host::RecordedProperty& property : waveform.properties) {
    if (property.code == kPropertyPowerRatio && property.value == "1") return true;
  }
  return false;
}

ValueColumns valueColumns(const host::RecordedWaveform& waveform, ValueUnit unit) {
  ValueColumns columns;
  const std::string& yUnit = waveform.yUnit;
  columns.complex = waveform.isComplex();
  if (!columns.complex) {
    columns.powerInDb = unit == ValueUnit::kDb && isPowerLike(waveform);
    columns.parts = {columns.powerInDb ? "dB" : "value"};
    // A power ratio not in dB is a plain factor, whatever the plug-in
    // calls the quantity ("Gain", "NF").
    columns.units = {columns.powerInDb ? "dB" : isPowerLike(waveform) ? "factor" : yUnit};
    return columns;
  }
  switch (unit) {
    case ValueUnit::kRealImaginary:
      columns.parts = {"re", "im"};
      columns.units = {yUnit, yUnit};
      break;
    case ValueUnit::kMagnitudeAngle:
      columns.parts = {"mag", "deg"};
      columns.units = {yUnit, "deg"};
      break;
    case ValueUnit::kDb:
      columns.parts = {"dB"};
      columns.units = {decibelUnit(yUnit)};
      break;
    case ValueUnit::kMagnitude:
      columns.parts = {"mag"};
      columns.units = {yUnit};
      break;
    case ValueUnit::kDegrees:
      columns.parts = {"deg"};
      columns.units = {"deg"};
      break;
  }
  return columns;
}

void pointValues(const ValueColumns& columns, ValueUnit unit, const double* y, double* out) {
  if (!columns.complex) {
    out[0] = columns.powerInDb ? 10.0 * std::log10(y[0]) : y[0];
    return;
  }
  const double re = y[0];
  const double im = y[1];
  switch (unit) {
    case ValueUnit::kRealImaginary:
      out[0] = re;
      out[1] = im;
      break;
    case ValueUnit::kMagnitudeAngle:
      out[0] = std::hypot(re, im);
      out[1] = degrees(re, im);
      break;
    case ValueUnit::kDb:
      out[0] = 20.0 * std::log10(std::hypot(re, im));
      break;
    case ValueUnit::kMagnitude:
      out[0] = std::hypot(re, im);
      break;
    case ValueUnit::kDegrees:
      out[0] = degrees(re, im);
      break;
  }
}

}  // namespace korvel::tool
