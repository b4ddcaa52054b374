// Runs the network calculation over an opened DataSet.
#ifndef KORVEL_DATASET_NETWORK_CALCULATION_H
#define KORVEL_DATASET_NETWORK_CALCULATION_H

#include "dataset/data_set.h"
#include "rfcalc/network_parameters.h"

namespace korvel {

// The record's samples and counts as the calculation takes them.
NetworkSamples networkSamplesOf(DataSet* data);

// Makes the arrays of the derived waveforms that the reader left to it,
// then hands the record's samples and counts to the calculation, which
// fills them in place. Returns 0; throws std::bad_alloc when memory for
// those arrays runs out.
int calculateNetworkParameters(DataSet* data);

}  // namespace korvel

#endif  // KORVEL_DATASET_NETWORK_CALCULATION_H
