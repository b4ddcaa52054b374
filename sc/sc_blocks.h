// The reference impedances and the data blocks of an SC file.
#ifndef KORVEL_SC_BLOCKS_H
#define KORVEL_SC_BLOCKS_H

#include "sc/sc_input.h"
#include "text/complex_conversion.h"

namespace korvel {

// Reads the Zo line (the one held in `reading`, or the next one) and writes
// each terminal's reference impedance into every sample of its Zo waveform.
// A single value serves every terminal.
// REQUIRES: the sample arrays exist.
int readReferenceImpedances(ScReading& reading);

// Reads block `block`: its S-parameters, then its noise parameters when the
// file has a noise section, then its group delays when it has those.
// REQUIRES: the sample arrays exist and the reference impedances are read.
int readBlock(ScReading& reading, int block);

}  // namespace korvel

#endif  // KORVEL_SC_BLOCKS_H
