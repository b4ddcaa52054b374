// The reader of Touchstone S-parameter files (.s1p, .s2p, ... .sNp).
#ifndef KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H
#define KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H

#include "dataset/data_set.h"

namespace korvel {

// Reads the whole Touchstone file from data->file (portCount and
// terminalCount already hold N from the extension) and runs the network
// calculation. Returns 0 on success; on failure prints its message and
// returns 1, leaving the record for the caller to release.
int readTouchstone(DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H
