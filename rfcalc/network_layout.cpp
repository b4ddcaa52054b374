#include "rfcalc/network_layout.h"

#include <algorithm>

namespace korvel {
namespace {

size_t countOf(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

}  // namespace

void NetworkLayout::placeEntries(int terminalCount, bool twoPort) {
  terminals = countOf(terminalCount);
  isTwoPort = twoPort;
  zoBase = terminals * terminals;
  zBase = zoBase + terminals;
  yBase = zBase + terminals * terminals;
  gainBase = yBase + terminals * terminals;
  noiseBase = gainBase + (twoPort ? kGainEntryCount : 0);
}

NetworkLayout::NetworkLayout(int terminalCount, int portCount, bool withNoise, bool withGroupDelay)
    : sampleCount(0), noiseSampleCount(0), hasNoise(withNoise), hasGroupDelay(withGroupDelay) {
  placeEntries(terminalCount, portCount == 2);
}

NetworkLayout::NetworkLayout(const NetworkSamples& network)
    : hasNoise(network.hasNoise != 0), hasGroupDelay(network.hasGroupDelay != 0) {
  placeEntries(network.terminalCount, network.portCount == 2);
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
