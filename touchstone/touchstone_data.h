// The data stage of a Touchstone read: the waveform names and their
// storage, the reference impedances, the network data points (converted to
// S when the file holds Y, Z, H or G), the noise data, and in a 2.x file
// the keywords that close the data.
#ifndef KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H
#define KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "text/text_input.h"
#include "touchstone/option_line.h"
#include "touchstone/scattering_points.h"

namespace korvel {

// What the header of a file says about its data.
struct DataPlan {
  // One reference resistance per terminal as written, before a mixed-mode
  // terminal's conversion (D twice, C half).
  std::vector<double> resistances;
  PointLayout layout;
  ParameterKind parameter = ParameterKind::kScattering;
  int optionLine = 0;  // the option line's line number
  // 1.x: Y, Z, H and G values are normalised to this resistance.
  bool normalised = false;
  double normalisingResistance = 50.0;
  // 2.x: the data ends at a keyword line and [End] closes the file.
  bool keywords = false;
  int64_t noisePoints = 0;  // 2.x: [Number of Noise Frequencies]
  int noiseDeclaredLine = 0;
  // The resistance the noise data refers to: Rn is normalised to it in a
  // 1.x file, and the optimum source reflection refers to it in a 2.x one.
  // Zero: the first terminal's reference impedance.
  double noiseResistance = 0.0;
  // True when the option line gives R or the file [Reference]: port
  // impedance comment lines then describe no reference of the data.
  bool referencesGiven = false;
  // True when the option line gives R without a value: without port
  // impedance lines the default references hold, with a warning.
  bool referenceValueMissing = false;
  // The size in bytes of the file (0 when unknown), which bounds the
  // points it can hold.
  uint64_t fileSize = 0;
  // Whether the read collects every error (a full check), going on where
  // it can, rather than stopping at the first.
  bool collecting = false;
};

// The plan of a 1.x file: all pairs, the two-port written column first,
// a falling frequency opening a two-port's noise block.
DataPlan versionOnePlan(const DataSet& data, std::vector<double> resistances, uint64_t fileSize);

// Continues a Touchstone read after the header. Port impedance comment
// lines among the points are the references of S data point by point,
// unless the file gives its references otherwise. `pending` is the line
// already read after it, or null when the next line is still in `source`.
// Returns kOk, or reports the failure and returns kFailed, leaving the
// record for the caller to release.
int readTouchstoneData(LineSource* source, const std::string_view* pending, const DataPlan& plan,
                       DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H
