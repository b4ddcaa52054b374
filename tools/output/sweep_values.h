// The sweep-parameter values of each segment of a received waveform. The
// segments are the combinations of values in block order, the first
// parameter changing fastest.
#ifndef KORVEL_TOOLS_OUTPUT_SWEEP_VALUES_H
#define KORVEL_TOOLS_OUTPUT_SWEEP_VALUES_H

#include <string>
#include <vector>

#include "host/waveform_library.h"

namespace korvel::tool {

// One value per parameter for segment `segment`; NaN for a parameter that
// has no value there (a file with fewer blocks than combinations, or more).
std::vector<double> sweepValuesOf(const host::RecordedWaveform& waveform, size_t segment);
std::vector<double> sweepValuesOf(const std::vector<host::RecordedParameter>& parameters, size_t segment);

// The parameter names in order.
std::vector<std::string> sweepNamesOf(const host::RecordedWaveform& waveform);

}  // namespace korvel::tool

#endif  // KORVEL_TOOLS_OUTPUT_SWEEP_VALUES_H
