// Finding a waveform of an opened file by the name the host asks for.
#ifndef KORVEL_PLUGIN_WAVEFORM_LOOKUP_H
#define KORVEL_PLUGIN_WAVEFORM_LOOKUP_H

#include "dataset/data_set.h"

namespace korvel {

// The 0-based position in data->waveformNames of the first stored name that
// equals `name` or is a leading part of it, or -1 when there is none (also
// for a null record or name). Names are separated by blanks only and
// compared case-sensitively; this is why "Noise-Par/NFmin" is stored before
// "Noise-Par/NF".
int findWaveformIndex(const DataSet* data, const char* name);

}  // namespace korvel

#endif  // KORVEL_PLUGIN_WAVEFORM_LOOKUP_H
