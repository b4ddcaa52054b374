// The reader of Touchstone S-parameter files (.s1p, .s2p, ... .sNp).
#ifndef KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H
#define KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H

#include "dataset/data_set.h"

namespace korvel {

// Reads the whole Touchstone text from data->file, and from nothing else,
// into the record (portCount and terminalCount already hold N from the
// extension). Returns 0 on success; on failure reports its message and
// returns 1, leaving the record for the caller to release. Memory running
// out throws std::bad_alloc, with everything built so far owned by the
// record.
int readTouchstone(DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_TOUCHSTONE_READER_H
