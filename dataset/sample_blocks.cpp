// Sample arrays laid side by side in blocks the record owns.
#include "dataset/sample_blocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace korvel {

struct SampleBlock {
  SampleBlock* next;
  char* start;         // on a large-page boundary
  size_t mappedBytes;  // whole small pages
  size_t arrayBytes;   // from one array's start to the next one's
  size_t arraysInUse;
};

namespace {

constexpr size_t kSampleBytes = 2 * sizeof(double);
constexpr uintptr_t kSmallPage = 4096;
constexpr uintptr_t kLargePage = uintptr_t{1} << 21;
// Arrays start on cache lines, so the calculation's vector loads of one
// array never straddle two.
constexpr size_t kArrayAlignment = 64;
// Below this the arrays are too few to gain from sharing pages.
constexpr size_t kSmallestBlock = kLargePage;

uintptr_t roundUp(uintptr_t value, uintptr_t unit) { return (value + unit - 1) & ~(unit - 1); }

bool allocateHeapArrays(DataSet* data, size_t first, size_t count, size_t samples) {
  for (size_t i = 0; i < count; ++i) {
    void* array = allocateZeroed(samples, kSampleBytes);
    if (array == nullptr) {
      for (size_t k = 0; k < i; ++k) {
        std::free(data->waveformData[first + k]);
        data->waveformData[first + k] = nullptr;
      }
      return false;
    }
    data->waveformData[first + i] = static_cast<double*>(array);
  }
  return true;
}

// A zeroed mapping of at least `bytes` that starts on a large-page
// boundary, so that its large pages hold whole arrays' worth of samples
// from the first one on; null when the kernel has no room.
// An estimate's room, mostly never written, is not counted against the
// memory the kernel promises (`estimate`).
char* mapAligned(size_t bytes, bool estimate, size_t* mapped) {
  size_t length = roundUp(bytes, kSmallPage);
  size_t reserved = length + kLargePage;
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | (estimate ? MAP_NORESERVE : 0);
  void* map = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (map == MAP_FAILED) return nullptr;
  uintptr_t base = reinterpret_cast<uintptr_t>(map);
  uintptr_t start = roundUp(base, kLargePage);
  if (start > base) munmap(map, start - base);
  uintptr_t end = start + length;
  if (base + reserved > end) munmap(reinterpret_cast<void*>(end), base + reserved - end);
  *mapped = length;
  return reinterpret_cast<char*>(start);
}

SampleBlock* blockHolding(const DataSet& data, const double* array) {
  uintptr_t at = reinterpret_cast<uintptr_t>(array);
  for (SampleBlock* block = data.sampleBlocks; block != nullptr; block = block->next) {
    uintptr_t start = reinterpret_cast<uintptr_t>(block->start);
    if (at >= start && at - start < block->mappedBytes) return block;
  }
  return nullptr;
}

void unmapBlock(DataSet* data, SampleBlock* block) {
  SampleBlock** link = &data->sampleBlocks;
  while (*link != block) link = &(*link)->next;
  *link = block->next;
  munmap(block->start, block->mappedBytes);
  std::free(block);
}

// The pages wholly inside a large array go back to the kernel as the C
// heap's would; a small array's pages are shared with its neighbours.
void returnPages(const double* array, size_t bytes) {
  if (bytes < kLargePage) return;
  uintptr_t first = roundUp(reinterpret_cast<uintptr_t>(array), kSmallPage);
  uintptr_t last = (reinterpret_cast<uintptr_t>(array) + bytes) & ~(kSmallPage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace

bool allocateSampleArrays(DataSet* data, size_t first, size_t count, size_t samples, SampleLayout layout) {
  if (count == 0) return true;
  if (samples == 0) return allocateHeapArrays(data, first, count, samples);
  if (samples > (SIZE_MAX - kLargePage) / kSampleBytes) return false;
  size_t arrayBytes = roundUp(samples * kSampleBytes, kArrayAlignment);
  bool ownPages = layout == SampleLayout::kLargePageStarts && arrayBytes >= kLargePage;
  if (ownPages) arrayBytes = roundUp(arrayBytes, kLargePage);
  if (count > (SIZE_MAX - 2 * kLargePage) / arrayBytes) return false;
  size_t bytes = arrayBytes * count;
  if (kHeapArraysOnly || bytes < kSmallestBlock) return allocateHeapArrays(data, first, count, samples);
  // The record's note of the block first: it is what a failing allocation
  // can stop, as it stops every other.
  auto* block = static_cast<SampleBlock*>(std::calloc(1, sizeof(SampleBlock)));
  if (block == nullptr) return false;
  bool packed = layout == SampleLayout::kPacked;
  block->start = mapAligned(bytes, !packed, &block->mappedBytes);
  if (block->start == nullptr) {
    std::free(block);
    return false;
  }
  if (packed) adviseLargePages(block->start, bytes);
  block->arrayBytes = arrayBytes;
  block->arraysInUse = count;
  block->next = data->sampleBlocks;
  data->sampleBlocks = block;
  for (size_t i = 0; i < count; ++i) {
    data->waveformData[first + i] = reinterpret_cast<double*>(block->start + i * arrayBytes);
  }
  return true;
}

void releaseSampleArray(DataSet* data, size_t entry) {
  double*& array = data->waveformData[entry];
  SampleBlock* block = blockHolding(*data, array);
  if (block == nullptr) {
    std::free(array);
  } else if (--block->arraysInUse == 0) {
    unmapBlock(data, block);
  } else {
    returnPages(array, block->arrayBytes);
  }
  array = nullptr;
}

void releaseSampleBlocks(DataSet* data) {
  while (data->sampleBlocks != nullptr) unmapBlock(data, data->sampleBlocks);
}

bool inSampleBlock(const DataSet& data, const double* array) { return blockHolding(data, array) != nullptr; }

}  // namespace korvel
