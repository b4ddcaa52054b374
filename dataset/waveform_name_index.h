// A lookup table over the stored waveform names of a record, so that a
// viewer loading every waveform of a many-port file does not walk the whole
// name list once per name.
#ifndef KORVEL_DATASET_WAVEFORM_NAME_INDEX_H
#define KORVEL_DATASET_WAVEFORM_NAME_INDEX_H

#include <string_view>

#include "dataset/data_set.h"

namespace korvel {

// The 0-based position of the first stored name (a blank-separated token of
// data.waveformNames) that equals `requested` or is a leading part of it,
// or -1. The table is built on first use and rebuilt when the name list
// has grown since.
int lookupWaveformIndex(const DataSet& data, std::string_view requested);

// Frees the table of a record (null is ignored).
void releaseWaveformNameIndex(WaveformNameIndex* index);

}  // namespace korvel

#endif  // KORVEL_DATASET_WAVEFORM_NAME_INDEX_H
