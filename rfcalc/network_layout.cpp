#include "rfcalc/network_layout.h"

#include <algorithm>

namespace korvel {
namespace {

size_t countOf(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

}  // namespace

NetworkLayout::NetworkLayout(const NetworkSamples& network) {
  terminals = countOf(network.terminalCount);
  zoBase = terminals * terminals;
  zBase = zoBase + terminals;
  yBase = zBase + terminals * terminals;
  gainBase = yBase + terminals * terminals;
  noiseBase = gainBase + (network.portCount == 2 ? kGainEntryCount : 0);
  const size_t blocks = countOf(network.blockCount);
  sampleCount = countOf(network.pointCount) * blocks;
  // An SC network has one noise record per frequency point; a Touchstone
  // network lists its noise points on a grid of their own, never longer
  // than its S data.
  const size_t noisePoints =
      network.isScFormat == 1 ? sampleCount : countOf(network.noisePointCount) * blocks;
  noiseSampleCount = std::min(noisePoints, sampleCount);
}

bool hasEntries(const NetworkSamples& network, size_t first, size_t count) {
  if (network.waveformData == nullptr) return false;
  const size_t slots = countOf(network.waveformSlots);
  if (first > slots || count > slots - first) return false;
  for (size_t entry = first; entry < first + count; ++entry) {
    if (network.waveformData[entry] == nullptr) return false;
  }
  return true;
}

}  // namespace korvel
