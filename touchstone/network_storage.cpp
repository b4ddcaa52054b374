// The sample storage of a Touchstone read.
#include "touchstone/network_storage.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dataset/result.h"
#include "dataset/sample_blocks.h"
#include "dataset/waveform_names.h"

namespace korvel {

namespace {

constexpr size_t kSampleBytes = 2 * sizeof(double);
constexpr size_t kMaxPoints = INT_MAX;

// A zeroed array of `capacity` elements of `size` bytes holding the first
// `used` elements of `array`. Only the copied part is touched. Throws
// std::bad_alloc when memory runs out.
void* grownCopy(const void* array, size_t used, size_t capacity, size_t size) {
  void* grown = allocateZeroed(capacity, size);
  if (grown == nullptr) throw std::bad_alloc();
  if (used > 0) std::memcpy(grown, array, used * size);
  return grown;
}

// Replaces `*array` by its grown copy; `*array` is left as it was when
// memory runs out.
void regrow(void** array, size_t used, size_t capacity, size_t size) {
  void* grown = grownCopy(*array, used, capacity, size);
  std::free(*array);
  *array = grown;
}

// The same for the record's entry `entry`, whose array may lie in a block.
void regrowEntry(DataSet* data, size_t entry, size_t used, size_t capacity) {
  void* grown = grownCopy(data->waveformData[entry], used, capacity, kSampleBytes);
  releaseSampleArray(data, entry);
  data->waveformData[entry] = static_cast<double*>(grown);
}

// The entries the reader fills, at the storage's capacity: the
// S-parameters and the reference impedances. The derived ones come later,
// at the size the read finds (calculateNetworkParameters).
int readEntryCount(const DataSet& data) {
  size_t read = networkLayout(data).zBase;
  return read < static_cast<size_t>(data.waveformCount) ? static_cast<int>(read) : data.waveformCount;
}

}  // namespace

size_t noiseSlotCount(const DataSet& data) {
  NetworkLayout withNoise(data.terminalCount, data.portCount, true, false);
  return withNoise.entryCount() - withNoise.noiseBase;
}

int allocateNetworkStorage(DataSet* data, size_t capacity) {
  int waveforms = readEntryCount(*data);
  size_t slots = static_cast<size_t>(data->waveformCount) + noiseSlotCount(*data);
  data->waveformData = static_cast<double**>(allocateZeroed(slots, sizeof(double*)));
  data->frequencies = static_cast<double*>(allocateZeroed(capacity, sizeof(double)));
  bool complete = data->waveformData != nullptr && data->frequencies != nullptr;
  if (data->waveformData != nullptr) data->waveformSlots = static_cast<int>(slots);
  // Each large array on large pages of its own, which the read advises as
  // far as the points surely to come.
  if (complete && allocateSampleArrays(data, 0, static_cast<size_t>(waveforms), capacity,
                                       SampleLayout::kLargePageStarts)) {
    data->pointSlots = static_cast<int>(capacity);
    return kOk;
  }
  std::free(data->waveformData);
  std::free(data->frequencies);
  data->waveformData = nullptr;
  data->frequencies = nullptr;
  data->waveformSlots = 0;
  return kFailed;
}

int growNetworkStorage(DataSet* data, size_t pointsInUse, size_t* capacity) {
  if (*capacity >= kMaxPoints) return kFailed;
  size_t grown = *capacity < kGrowthStartPoints / 2 ? kGrowthStartPoints : *capacity * 2;
  if (grown > kMaxPoints) grown = kMaxPoints;
  int scatteringWaveforms = data->terminalCount * data->terminalCount;
  regrow(reinterpret_cast<void**>(&data->frequencies), pointsInUse, grown, sizeof(double));
  const int entries = readEntryCount(*data);
  for (int i = 0; i < entries; ++i) {
    size_t used = i < scatteringWaveforms ? pointsInUse : 0;
    regrowEntry(data, static_cast<size_t>(i), used, grown);
  }
  *capacity = grown;
  data->pointSlots = static_cast<int>(grown);
  return kOk;
}

int allocateNoiseStorage(DataSet* data) {
  size_t points = static_cast<size_t>(data->pointCount);
  data->noiseFrequencies = static_cast<double*>(allocateZeroed(points, sizeof(double)));
  if (data->noiseFrequencies == nullptr) throw std::bad_alloc();
  NetworkLayout layout = networkLayout(*data);
  for (size_t slot = layout.noiseBase; slot < layout.entryCount(); ++slot) {
    data->waveformData[slot] = static_cast<double*>(allocateZeroed(points, kSampleBytes));
    if (data->waveformData[slot] == nullptr) throw std::bad_alloc();
  }
  return kOk;
}

void writeReferenceImpedances(DataSet* data, const std::vector<double>& impedances) {
  NetworkLayout layout = networkLayout(*data);
  size_t points = static_cast<size_t>(data->pointCount);  // at least one point was read
  for (size_t terminal = 0; terminal < layout.terminals; ++terminal) {
    double* samples = data->waveformData[layout.zo(terminal)];
    for (size_t k = 0; k < points; ++k) samples[2 * k] = impedances[terminal];
  }
}

}  // namespace korvel
