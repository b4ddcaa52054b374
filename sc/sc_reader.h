// The reader of the circuit simulator's own S-parameter format (SC).
#ifndef KORVEL_SC_READER_H
#define KORVEL_SC_READER_H

#include "dataset/data_set.h"

namespace korvel {

// Reads the whole SC file from data->file into the record and runs the
// network calculation. Returns 0 on success; on failure prints its message
// and returns 1, leaving the record for the caller to release.
int readScFile(DataSet* data);

}  // namespace korvel

#endif  // KORVEL_SC_READER_H
