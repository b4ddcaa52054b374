#include "support/sc_reading_modes.h"

#include <cstdint>
#include <cstring>

namespace korvel::testing {

namespace {

bool sameBits(const double* a, const double* b, size_t count) {
  return count == 0 || std::memcmp(a, b, count * sizeof(double)) == 0;
}

}  // namespace

BlockPartSettings inTurn() { return {UINT64_MAX, 1}; }

BlockPartSettings inParts(unsigned parts) { return {0, parts}; }

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
