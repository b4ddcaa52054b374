// Reading the blocks of an SC file in parts on worker threads, with a
// result that is always exactly the one reading them in turn gives.
//
// Each part is a run of whole blocks. A part other than the first finds
// where its first block begins by itself, reads its blocks into the final
// arrays at their own sample indices, and notes where it began; a part
// that is followed by another reads on to where the next block would be
// looked for. The parts are then checked in order: each must have read
// every block of its own without a message, and must have ended where the
// next part began. From the first part that fails the check on, the blocks
// are read again on the calling thread, which reports whatever there is to
// report, with the line numbers counted over the parts before.
#ifndef KORVEL_SC_SC_BLOCK_PARTS_H
#define KORVEL_SC_SC_BLOCK_PARTS_H

#include <cstdint>

#include "sc/sc_input.h"

namespace korvel {

// Reads every block, from the line after the Zo line on. `blocksBegin` is
// the file offset of that line and `fileEnd` the file's size (kUnknownSize
// for a stream that cannot tell it).
// REQUIRES: the sample arrays exist and the reference impedances are read.
int readBlocks(ScReading& reading, uint64_t blocksBegin, uint64_t fileEnd);
// When blocks are read in parts: parallelPolicy().scBlocks, in bytes of
// blocks (parallel/parallel_settings.h).

}  // namespace korvel

#endif  // KORVEL_SC_SC_BLOCK_PARTS_H
