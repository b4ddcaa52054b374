#include "dataset/network_calculation.h"

#include <algorithm>
#include <new>

#include "dataset/sample_blocks.h"
#include "rfcalc/network_layout.h"

namespace korvel {

NetworkSamples networkSamplesOf(DataSet* data) {
  NetworkSamples network;
  network.waveformData = data->waveformData;
  network.waveformSlots =
      data->waveformSlots > data->waveformCount ? data->waveformSlots : data->waveformCount;
  network.terminalCount = data->terminalCount;
  network.portCount = data->portCount;
  network.hasNoise = data->hasNoise;
  network.hasGroupDelay = data->hasGroupDelay;
  network.isScFormat = data->isScFormat;
  network.pointCount = data->pointCount;
  network.noisePointCount = data->noisePointCount;
  network.blockCount = data->blockCount;
  network.port1Index = data->port1Index;
  network.port2Index = data->port2Index;
  network.referenceImpedance = data->referenceImpedance;
  network.noiseTemperature = data->noiseTemperature;
  return network;
}

namespace {

// Z, Y and the gains lie side by side in the layout and are first written
// by the calculation, every sample of them: their arrays are made now, at
// the size the read has found, side by side in one block. Entries a
// reader made already (an SC file's, made with every other) are kept.
void allocateDerivedEntries(DataSet* data, const NetworkSamples& network) {
  NetworkLayout layout(network);
  size_t last = std::min(layout.noiseBase, static_cast<size_t>(network.waveformSlots));
  size_t entry = layout.zBase;
  while (entry < last) {
    if (data->waveformData[entry] != nullptr) {
      ++entry;
      continue;
    }
    size_t end = entry;
    while (end < last && data->waveformData[end] == nullptr) ++end;
    if (!allocateSampleArrays(data, entry, end - entry, layout.sampleCount)) throw std::bad_alloc();
    entry = end;
  }
}

}  // namespace

int calculateNetworkParameters(DataSet* data) {
  NetworkSamples network = networkSamplesOf(data);
  if (data->waveformData != nullptr) allocateDerivedEntries(data, network);
  return calculateNetworkParameters(network);
}

}  // namespace korvel
