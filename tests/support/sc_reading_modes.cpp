#include "support/sc_reading_modes.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace korvel::testing {

namespace {

bool sameBits(const double* a, const double* b, size_t count) {
  if (count == 0) return true;
  if (a == nullptr || b == nullptr) return a == b;
  return std::memcmp(a, b, count * sizeof(double)) == 0;
}

bool sameText(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
}

// The fields beside the samples: what the record says about its ports,
// terminals, units and references.
std::string descriptionDifferences(const DataSet* expected, const DataSet* actual) {
  if (expected->portCount != actual->portCount || expected->mixedMode != actual->mixedMode ||
      expected->port1Index != actual->port1Index || expected->port2Index != actual->port2Index ||
      expected->noisePointCount != actual->noisePointCount || expected->sweepCount != actual->sweepCount ||
      expected->complexFormat != actual->complexFormat || expected->isScFormat != actual->isScFormat) {
    return "description differs";
  }
  if (!sameBits(&expected->referenceImpedance, &actual->referenceImpedance, 1) ||
      !sameBits(&expected->frequencyScale, &actual->frequencyScale, 1) ||
      !sameBits(&expected->noiseTemperature, &actual->noiseTemperature, 1) ||
      !sameText(expected->frequencyUnit, actual->frequencyUnit)) {
    return "units or references differ";
  }
  if (!sameBits(expected->noiseFrequencies, actual->noiseFrequencies,
                static_cast<size_t>(expected->noisePointCount > 0 ? expected->noisePointCount : 0))) {
    return "noise frequencies differ";
  }
  return "";
}

}  // namespace

ParallelSettings inTurn() { return {.minimumWork = std::numeric_limits<double>::infinity(), .parts = 1}; }

ParallelSettings inParts(unsigned parts) { return {.minimumWork = 0.0, .parts = parts}; }

std::string recordDifferences(const DataSet* expected, const DataSet* actual) {
  if (expected == nullptr || actual == nullptr) {
    return expected == actual ? "" : "one record is missing";
  }
  if (expected->waveformCount != actual->waveformCount || expected->pointCount != actual->pointCount ||
      expected->blockCount != actual->blockCount || expected->terminalCount != actual->terminalCount ||
      expected->hasNoise != actual->hasNoise || expected->hasGroupDelay != actual->hasGroupDelay) {
    return "counts differ";
  }
  if (std::strcmp(Tcl_DStringValue(&expected->waveformNames), Tcl_DStringValue(&actual->waveformNames)) !=
      0) {
    return "names differ";
  }
  const std::string description = descriptionDifferences(expected, actual);
  if (!description.empty()) return description;
  size_t samples = static_cast<size_t>(expected->pointCount) * static_cast<size_t>(expected->blockCount);
  if (!sameBits(expected->frequencies, actual->frequencies, samples)) return "frequencies differ";
  std::string differences;
  for (int w = 0; w < expected->waveformCount; ++w) {
    if (!sameBits(expected->waveformData[w], actual->waveformData[w], 2 * samples)) {
      differences += "waveform " + std::to_string(w) + " differs; ";
    }
  }
  return differences;
}

}  // namespace korvel::testing
