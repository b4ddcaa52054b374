// Sweep values per segment.
#include "tools/output/sweep_values.h"

#include <limits>

namespace korvel::tool {

std::vector<double> sweepValuesOf(const host::RecordedWaveform& waveform, size_t segment) {
  return sweepValuesOf(waveform.parameters, segment);
}

std::vector<double> sweepValuesOf(const std::vector<host::RecordedParameter>& parameters, size_t segment) {
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> values(parameters.size(), kNone);
  size_t combinations = 1;
  for (const host::RecordedParameter& parameter : parameters) {
    size_t count = parameter.values.size();
    if (count == 0 || combinations > std::numeric_limits<size_t>::max() / count) return values;
    combinations *= count;
  }
  if (segment >= combinations) return values;
  size_t weight = 1;  // segments per step of the current parameter
  for (size_t q = 0; q < parameters.size(); ++q) {
    const std::vector<double>& choices = parameters[q].values;
    values[q] = choices[(segment / weight) % choices.size()];
    weight *= choices.size();
  }
  return values;
}

std::vector<std::string> sweepNamesOf(const host::RecordedWaveform& waveform) {
  std::vector<std::string> names;
  for (const host::RecordedParameter& parameter : waveform.parameters) names.push_back(parameter.name);
  return names;
}

}  // namespace korvel::tool
