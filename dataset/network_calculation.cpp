#include "dataset/network_calculation.h"

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

int calculateNetworkParameters(DataSet* data) { return calculateNetworkParameters(networkSamplesOf(data)); }

}  // namespace korvel
