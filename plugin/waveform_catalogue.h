// The catalogue of waveform names answered to the host: the stored names
// regrouped by kind, in the order the viewer lists them.
#ifndef KORVEL_PLUGIN_WAVEFORM_CATALOGUE_H
#define KORVEL_PLUGIN_WAVEFORM_CATALOGUE_H

#include <tcl.h>

#include "dataset/data_set.h"

namespace korvel {

// Appends to `answer` the S-parameter names, the Y-parameter names, the gain
// names, the noise names, the Z-parameter names, the reference impedances
// and the group delays. The groups are whole stretches of the stored list
// between the first occurrences of their markers, except the gain and noise
// names, which come from fixed lists in ASCII order. The stored list is not
// changed.
void appendWaveformCatalogue(const DataSet& data, Tcl_DString* answer);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_WAVEFORM_CATALOGUE_H
