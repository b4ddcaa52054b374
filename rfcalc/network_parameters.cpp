// Placeholder until the network calculation lands.
#include "rfcalc/network_parameters.h"

namespace korvel {

int calculateNetworkParameters(const NetworkSamples&) { return 0; }

}  // namespace korvel
