// The sample storage of a Touchstone read.
//
// The arrays are sized once, before the first data line, from the size of
// the file: a point's text is always longer than the number of waveforms
// stored before the noise names, so size / that number bounds the points a
// file can hold. A 2.x file's [Number of Frequencies] within that bound
// sizes them instead, to exactly that count. The
// allocation is zeroed, so the capacity that no point reaches is never
// touched and stays unfaulted. When the size cannot be known (a pipe) or
// the file grows while it is read, the arrays grow as points arrive.
#ifndef KORVEL_TOUCHSTONE_NETWORK_STORAGE_H
#define KORVEL_TOUCHSTONE_NETWORK_STORAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_set.h"

namespace korvel {

// Waveform slots kept after the names the data stage stores first, for a
// noise block that may follow the S-parameter points: the noise entries
// and, for a two-port, the available gain.
size_t noiseSlotCount(const DataSet& data);

// Points the storage starts with when the file's size gives no bound.
inline constexpr size_t kGrowthStartPoints = 256;

// Allocates, zeroed, `capacity` frequencies, `capacity` samples for each
// waveform the reader fills (the S-parameters and reference impedances),
// and empty entries for the derived waveforms named so far (made by the
// calculation, at the size the read finds) and the noiseSlotCount slots
// after them. All or nothing: returns kFailed, with no array left
// behind, when memory runs out.
int allocateNetworkStorage(DataSet* data, size_t capacity);

// Doubles `*capacity`, keeping the first `pointsInUse` frequencies and
// S-parameter samples (the only arrays written while points are read).
// Returns kFailed when the point count would leave the range of int; the
// read must then stop. Throws std::bad_alloc when memory runs out (every
// array stays owned by the record, some possibly at the old capacity).
int growNetworkStorage(DataSet* data, size_t pointsInUse, size_t* capacity);

// Gives noiseFrequencies and each noise slot pointCount zeroed samples.
// Throws std::bad_alloc when memory runs out (what was made stays owned by
// the record). REQUIRES: allocateNetworkStorage succeeded.
int allocateNoiseStorage(DataSet* data);

// Writes impedance i into the first pointCount samples of the Zo waveform
// of terminal i. REQUIRES: impedances has terminalCount entries.
void writeReferenceImpedances(DataSet* data, const std::vector<double>& impedances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_NETWORK_STORAGE_H
