// The reader of the circuit simulator's own S-parameter format (SC).
#ifndef KORVEL_SC_READER_H
#define KORVEL_SC_READER_H

#include "dataset/data_set.h"

namespace korvel {

// Reads the whole SC text from data->file, and from nothing else, into the
// record. Returns 0 on success; on failure reports its message and returns
// 1, leaving the record for the caller to release. Memory running out
// throws std::bad_alloc, with everything built so far owned by the record.
int readScFile(DataSet* data);

}  // namespace korvel

#endif  // KORVEL_SC_READER_H
