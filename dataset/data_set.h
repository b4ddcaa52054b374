// The in-memory record of one opened S-parameter file.
//
// openFile creates it zeroed, one reader fills it, the network calculation
// adds the derived waveforms, and the host receives it as an opaque handle
// until closeFile. Every array and string is a C heap block owned by the
// record, except sample arrays laid side by side in one of its sample
// blocks; releaseDataSet frees them in a fixed order and skips null
// entries, so a record abandoned halfway through a read is released safely.
#ifndef KORVEL_DATASET_DATA_SET_H
#define KORVEL_DATASET_DATA_SET_H

#include <tcl.h>

#include <cstdio>
#include <string_view>

namespace korvel {

struct SampleBlock;
struct WaveformNameIndex;

struct DataSet {
  Tcl_DString fileName;       // the path exactly as the host passed it
  Tcl_DString waveformNames;  // Tcl list of every waveform name, stored order
  double noiseTemperature;    // kelvin, 290.0 once a reader finishes
  double frequencyScale;      // file frequency unit to hertz
  double referenceImpedance;  // ohms of the terminal that plays port 1
  FILE* file;                 // the input, open until closeFile
  // waveformCount entries (Touchstone: room for the noise entries), each an
  // array of complex samples: real part then imaginary part.
  double** waveformData;
  double** sweepValues;      // per parameter: [0] = count n, [1..n] = values
  double* frequencies;       // pointCount x blockCount hertz, block-major
  double* noiseFrequencies;  // Touchstone noise grid, or null
  char** sweepNames;         // sweepCount heap strings
  char* frequencyUnit;       // heap copy of "Hz"
  char** terminalNames;      // terminalCount names in mixed mode, or null
  int waveformCount;
  int portCount;
  int hasNoise;
  int hasGroupDelay;
  int isScFormat;
  int complexFormat;  // 0 dB/deg, 1 mag/deg, 2 re/im, 3 mag/rad
  int pointCount;
  int noisePointCount;
  int blockCount;
  int sweepCount;
  int mixedMode;
  int terminalCount;
  int port1Index;
  int port2Index;

  // Bookkeeping that the release needs beyond the specified fields: how
  // many entries the waveformData and terminalNames arrays really have
  // (the Touchstone reader allocates spare waveform slots, and a mapping
  // block may allocate names before terminalCount is final).
  int waveformSlots;
  int terminalNameSlots;
  // The samples the frequencies and the S-parameter arrays have room for:
  // the Touchstone reader sizes them before it knows pointCount.
  int pointSlots;
  // Lookup table over waveformNames, made on the first lookup by name.
  mutable WaveformNameIndex* nameIndex;
  // The mappings that hold sample arrays side by side (sample_blocks.h):
  // waveformData entries that point into them are not the C heap's.
  SampleBlock* sampleBlocks;
};

// Creates a zeroed record for `path` reading from `file` (which it then
// owns), with the defaults every reader starts from: frequencyScale 1.0,
// blockCount 1, port1Index 0, port2Index 1. Returns null when memory runs
// out; the caller still owns `file` then.
DataSet* createDataSet(const char* path, FILE* file);

// Closes the stream and frees everything the record owns, then the record.
// Null pointers are skipped at every step; a null record is ignored.
void releaseDataSet(DataSet* data);

// Zeroed heap allocation of `count` elements of `size` bytes; null when the
// product overflows or memory runs out. Untouched pages stay unfaulted.
void* allocateZeroed(size_t count, size_t size);

// Asks the kernel to back the whole 2 MB pages inside the first `bytes` of
// an allocateZeroed array with large pages when they are first written. A
// large file's derived waveforms are written once, page after page, and
// faulting them in 4 KB at a time costs more than computing them. Only
// the range that will be written is advised, so no page beyond it is
// touched; a range that holds no whole large page is left alone.
void adviseLargePages(void* array, size_t bytes);

// adviseLargePages for the arrays a reader writes as it reads the points,
// sample after sample: the frequencies, the S-parameters and the
// reference impedances, each for its first `samples` samples. Only for a
// count the reader knows before the first write, and will write whole.
void advisePointArrays(const DataSet& data, size_t samples);

// Heap copy of `text` with a terminating NUL (C heap, released by
// releaseDataSet); null when memory runs out. Never throws.
char* copyString(std::string_view text);

}  // namespace korvel

#endif  // KORVEL_DATASET_DATA_SET_H
