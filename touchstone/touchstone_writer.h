// The Touchstone writer: one network, as the data it holds needs, in
// version 1.0, 1.1 or 2.1.
//
// Numbers are written in the shortest form that reads back to the same
// double, so S written as RI reads back bit for bit; frequencies are
// written in the unit asked for as the number that the reader's
// multiplication by the unit turns back into the same hertz wherever one
// exists.
#ifndef KORVEL_TOUCHSTONE_TOUCHSTONE_WRITER_H
#define KORVEL_TOUCHSTONE_TOUCHSTONE_WRITER_H

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_transforms.h"
#include "rfcalc/scattering_conversion.h"

namespace korvel {

enum class TouchstoneVersion { kOneZero, kOneOne, kTwoOne };
enum class WrittenFormat { kRealImaginary, kMagnitudeAngle, kDecibelAngle };
enum class MatrixHalf { kFull, kLower, kUpper };

// "1.0", "1.1", "2.1".
const char* versionName(TouchstoneVersion version);

// The noise data of a two-port.
struct NoiseToWrite {
  std::vector<double> frequencies;  // hertz, rising
  std::vector<double> minimumFigureDb;
  std::vector<DComplex> optimumReflection;  // at referenceOhms
  std::vector<double> resistanceOhms;       // the effective noise resistance
  double referenceOhms = 50.0;
};

// The network to write.
struct NetworkToWrite {
  int terminalCount = 0;
  size_t pointCount = 0;
  const double* frequencies = nullptr;  // hertz, pointCount of them
  // What `entries` hold: S; Z in ohms; Y in siemens; H or G in their own
  // units (never normalised).
  ParameterKind parameter = ParameterKind::kScattering;
  // terminalCount^2 arrays, row-major, each pointCount complex samples
  // (real part, imaginary part).
  std::vector<const double*> entries;
  // The reference resistance of each terminal, ohms; in mixed mode the
  // mode's own (a differential mode twice, a common mode half the
  // resistance of its pair's ports).
  std::vector<double> references;
  // In mixed mode the mode and single-ended ports of each terminal; empty
  // for plain ports.
  std::vector<ModeRow> modes;
  // Comment lines, without the "!".
  std::vector<std::string> comments;
  const NoiseToWrite* noise = nullptr;  // null: none
};

struct TouchstoneWriteOptions {
  std::optional<TouchstoneVersion> version;  // none: the oldest that carries the data
  bool keywordFileName = false;              // the file is named .ts, which only 2.x may be
  WrittenFormat format = WrittenFormat::kRealImaginary;
  double unitScale = 1e9;  // hertz per unit
  std::string unitName = "GHz";
  MatrixHalf matrix = MatrixHalf::kFull;
};

// The version to write: the one asked for, or the oldest that carries the
// network (one reference for every port: 1.0; per-port references, mixed
// mode, a half matrix or a .ts name: 2.1). An empty text when the network
// can be written; else why not, and nothing is to be written. Also checks
// every value: a value that is not finite, or zero in dB, cannot be
// written.
std::string chooseTouchstoneVersion(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                                    TouchstoneVersion* version);

// Writes the network in `version` (chosen by chooseTouchstoneVersion).
// Returns false when the stream fails.
bool writeTouchstone(const NetworkToWrite& network, const TouchstoneWriteOptions& options,
                     TouchstoneVersion version, std::ostream& out);

// The shortest text that reads back to `value` (std::to_chars).
std::string shortestNumber(double value);

// A frequency for a message: "1.5 GHz".
std::string frequencyText(double hertz);

// The noise data referred to `ohms` in place of its own reference: the
// optimum source impedance kept, its reflection coefficient taken at
// `ohms`.
NoiseToWrite noiseReferredTo(const NoiseToWrite& noise, double ohms);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_TOUCHSTONE_WRITER_H
