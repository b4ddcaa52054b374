// The data stage of a Touchstone read: the waveform names and their
// storage, the reference impedances, the S-parameter points, the noise
// block, and the network calculation over what was read.
#ifndef KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H
#define KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "text/text_input.h"

namespace korvel {

// Continues a Touchstone read after the option line. `pending` is the line
// already read after it, or null when the next line is still in `source`.
// `impedances` holds one reference impedance per terminal as written in the
// file. `fileSize` (0 when unknown) sizes the storage; it grows beyond that
// when more points arrive. Returns kOk after the network calculation ran,
// or prints the failure and returns kFailed, leaving the record for the
// caller to release.
int readTouchstoneData(LineSource* source, const std::string_view* pending, const std::vector<double>& impedances,
                       uint64_t fileSize, DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_TOUCHSTONE_DATA_H
