#include "dataset/network_calculation.h"

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
// by the calculation, every sample of them.
void adviseDerivedEntries(const NetworkSamples& network) {
  NetworkLayout layout(network);
  size_t last = layout.noiseBase < static_cast<size_t>(network.waveformSlots)
                    ? layout.noiseBase
                    : static_cast<size_t>(network.waveformSlots);
  for (size_t entry = layout.zBase; entry < last; ++entry) {
    adviseLargePages(network.waveformData[entry], layout.sampleCount * 2 * sizeof(double));
  }
}

}  // namespace

int calculateNetworkParameters(DataSet* data) {
  NetworkSamples network = networkSamplesOf(data);
  adviseDerivedEntries(network);
  return calculateNetworkParameters(network);
}

}  // namespace korvel
