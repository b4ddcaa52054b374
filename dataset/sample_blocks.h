// Sample arrays of one length laid side by side in one mapping.
//
// A 16-terminal file has 768 arrays of a few dozen kilobytes: from the C
// heap each is a mapping of its own, faulted in 4 KB at a time, and closing
// the file unmaps them one by one. Laid side by side in one mapping that
// starts on a 2 MB boundary, they share large pages and leave with one
// unmapping. Arrays of small files still come from the C heap, and so does
// every array in a build with the address sanitizer, which watches the
// bounds of each heap array on its own.
#ifndef KORVEL_DATASET_SAMPLE_BLOCKS_H
#define KORVEL_DATASET_SAMPLE_BLOCKS_H

#include <cstddef>

#include "dataset/data_set.h"

namespace korvel {

// True in a build with the address sanitizer: every array then comes from
// the C heap.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kHeapArraysOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kHeapArraysOnly = true;
#else
inline constexpr bool kHeapArraysOnly = false;
#endif
#else
inline constexpr bool kHeapArraysOnly = false;
#endif

// How the arrays of one block lie.
enum class SampleLayout {
  // One after the other, the block advised onto large pages as a whole:
  // for arrays written whole, whose pages are then all shared.
  kPacked,
  // An array of 2 MB or more starts on a large page of its own, and the
  // block is left unadvised: for arrays sized before their count is known,
  // which a reader advises up to the samples surely to come.
  kLargePageStarts,
};

// Points waveformData[first, first + count) of the record at zeroed arrays
// of `samples` complex samples each, side by side in one block the record
// owns (or from the C heap when they are few). False when memory runs out
// or the sizes overflow; the entries are then as they were.
bool allocateSampleArrays(DataSet* data, size_t first, size_t count, size_t samples,
                          SampleLayout layout = SampleLayout::kPacked);

// Releases waveformData[entry] and sets it to null: a heap array is freed;
// an array in a block gives its pages back when it is large, and the block
// goes when the last of its arrays does.
void releaseSampleArray(DataSet* data, size_t entry);

// Unmaps every block of the record, whichever arrays are still in use:
// for releaseDataSet, after it has freed the heap arrays.
void releaseSampleBlocks(DataSet* data);

// True when `array` lies in one of the record's blocks (and so is not the
// C heap's to free).
bool inSampleBlock(const DataSet& data, const double* array);

}  // namespace korvel

#endif  // KORVEL_DATASET_SAMPLE_BLOCKS_H
