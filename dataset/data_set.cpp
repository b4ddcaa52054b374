// Creation and release of the DataSet record.
#include "dataset/data_set.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dataset/sample_blocks.h"
#include "dataset/waveform_name_index.h"
#include "dataset/waveform_names.h"

namespace korvel {

void* allocateZeroed(size_t count, size_t size) {
  if (count == 0 || size == 0) return std::calloc(1, 1);
  if (count > SIZE_MAX / size) return nullptr;
  return std::calloc(count, size);
}

void adviseLargePages(void* array, size_t bytes) {
  constexpr uintptr_t kLargePage = uintptr_t{1} << 21;
  if (array == nullptr) return;
  uintptr_t start = reinterpret_cast<uintptr_t>(array);
  uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  uintptr_t last = (start + bytes) & ~(kLargePage - 1);
  // Advice only: a kernel without large pages refuses it, and the pages
  // then come 4 KB at a time as before.
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void advisePointArrays(const DataSet& data, size_t samples) {
  adviseLargePages(data.frequencies, samples * sizeof(double));
  // The S-parameters, then the reference impedances, lead the layout.
  int slots = data.waveformSlots > data.waveformCount ? data.waveformSlots : data.waveformCount;
  size_t entries = networkLayout(data).zBase;
  if (data.waveformData == nullptr || slots <= 0) return;
  if (entries > static_cast<size_t>(slots)) entries = static_cast<size_t>(slots);
  for (size_t entry = 0; entry < entries; ++entry) {
    adviseLargePages(data.waveformData[entry], samples * 2 * sizeof(double));
  }
}

char* copyString(std::string_view text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = '\0';
  return copy;
}

DataSet* createDataSet(const char* path, FILE* file) {
  auto* data = static_cast<DataSet*>(std::calloc(1, sizeof(DataSet)));
  if (data == nullptr) return nullptr;
  Tcl_DStringInit(&data->fileName);
  Tcl_DStringAppend(&data->fileName, path, -1);
  Tcl_DStringInit(&data->waveformNames);
  data->file = file;
  data->frequencyScale = 1.0;
  data->blockCount = 1;
  data->port1Index = 0;
  data->port2Index = 1;
  return data;
}

static void freeArrayOfArrays(void** entries, int count) {
  if (entries == nullptr) return;
  for (int i = 0; i < count; ++i) std::free(entries[i]);
  std::free(entries);
}

// Frees the heap arrays among the waveforms' samples, then the blocks
// that hold the others, then the array of entries.
static void releaseSampleArrays(DataSet* data) {
  int waveformSlots = data->waveformSlots > data->waveformCount ? data->waveformSlots : data->waveformCount;
  if (data->waveformData != nullptr) {
    for (int i = 0; i < waveformSlots; ++i) {
      if (!inSampleBlock(*data, data->waveformData[i])) std::free(data->waveformData[i]);
    }
  }
  releaseSampleBlocks(data);
  std::free(data->waveformData);
}

void releaseDataSet(DataSet* data) {
  if (data == nullptr) return;
  if (data->file != nullptr) std::fclose(data->file);
  std::free(data->frequencies);
  std::free(data->frequencyUnit);
  Tcl_DStringFree(&data->waveformNames);
  std::free(data->noiseFrequencies);
  releaseSampleArrays(data);
  if (data->sweepNames != nullptr || data->sweepValues != nullptr) {
    for (int p = 0; p < data->sweepCount; ++p) {
      if (data->sweepNames != nullptr) std::free(data->sweepNames[p]);
      if (data->sweepValues != nullptr) std::free(data->sweepValues[p]);
    }
  }
  std::free(data->sweepNames);
  std::free(data->sweepValues);
  int nameSlots =
      data->terminalNameSlots > data->terminalCount ? data->terminalNameSlots : data->terminalCount;
  freeArrayOfArrays(reinterpret_cast<void**>(data->terminalNames), nameSlots);
  Tcl_DStringFree(&data->fileName);
  releaseWaveformNameIndex(data->nameIndex);
  std::free(data);
}

}  // namespace korvel
