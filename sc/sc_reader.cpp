// The SC reader: the head of the file, the sweep values, the sizing of the
// sample arrays against what the file can hold, the reference impedances
// and the blocks, then the network calculation.
#include "sc/sc_reader.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/sample_blocks.h"
#include "dataset/waveform_names.h"
#include "sc/sc_block_parts.h"
#include "sc/sc_blocks.h"
#include "sc/sc_header.h"
#include "sc/sc_input.h"
#include "sc/sc_sweep.h"

namespace korvel {

namespace {

bool multiply(uint64_t a, uint64_t b, uint64_t* product) { return !__builtin_mul_overflow(a, b, product); }

// Refuses counts whose samples the file cannot hold: every point takes at
// least a frequency and 2T^2 values, each at least one character and one
// separator. The terminals must fit one point even when no block is to be
// read, since the names and arrays grow with T^2 whatever the blocks. Also
// keeps every count and sample index within int.
int checkCapacity(const DataSet& data, uint64_t fileSize) {
  uint64_t terminals = static_cast<uint64_t>(data.terminalCount);
  uint64_t points = 0;
  uint64_t pairs = 0;
  uint64_t valuesPerPoint = 0;
  uint64_t bytes = 0;
  bool fits =
      multiply(static_cast<uint64_t>(data.pointCount), static_cast<uint64_t>(data.blockCount), &points) &&
      multiply(terminals, terminals, &pairs) && multiply(pairs, 2, &valuesPerPoint) &&
      multiply(valuesPerPoint + 1, 2, &bytes) && multiply(bytes, points > 0 ? points : 1, &bytes) &&
      bytes <= fileSize;
  if (!fits) {
    return fail(Message::kScatteringIncomplete);
  }
  // The most waveforms T terminals can have: a two-port's with noise and
  // group delays.
  uint64_t waveforms = NetworkLayout(data.terminalCount, 2, true, true).entryCount();
  if (points > INT_MAX / 2 || waveforms > INT_MAX) {
    return fail(Message::kFileTooLarge);
  }
  return kOk;
}

void buildWaveformNames(ScReading& reading) {
  DataSet* data = reading.data;
  reading.layout = networkLayout(*data);
  appendNetworkNames(data);
  if (data->hasNoise != 0) {
    appendNoiseNames(data);
    if (data->portCount == 2) appendAvailableGainName(data);
  }
  if (data->hasGroupDelay != 0) appendGroupDelayNames(data);
}

// Every sample array at its final size, zeroed and side by side; the
// frequencies, which the blocks fill sample after sample, are advised onto
// large pages.
int allocateSamples(DataSet* data) {
  size_t points = static_cast<size_t>(data->pointCount) * static_cast<size_t>(data->blockCount);
  data->frequencies = static_cast<double*>(allocateZeroed(points, sizeof(double)));
  // Never negative: a count of names appended.
  size_t waveforms = static_cast<size_t>(data->waveformCount);
  data->waveformData = static_cast<double**>(allocateZeroed(waveforms, sizeof(double*)));
  if (data->frequencies == nullptr || data->waveformData == nullptr) return fail(Message::kOutOfMemory);
  if (!allocateSampleArrays(data, 0, waveforms, points)) return fail(Message::kOutOfMemory);
  data->pointSlots = static_cast<int>(points);  // checkCapacity kept it within int
  adviseLargePages(data->frequencies, points * sizeof(double));
  return kOk;
}

int readHead(ScReading& reading) {
  DataSet* data = reading.data;
  if (readHeaderLine(reading.lines, data) != kOk || readSweepLine(reading.lines, data) != kOk) return kFailed;
  if (data->sweepCount > 0 && readSweepValues(reading.lines, data) != kOk) return kFailed;
  if (readTerminalLine(reading) != kOk || assignPortRoles(data) != kOk) return kFailed;
  return kOk;
}

}  // namespace

int readScFile(DataSet* data) {
  uint64_t fileSize = remainingBytes(data->file);
  off_t start = ftello(data->file);
  ScReading reading(data);
  reading.collecting = readsOnAfterErrors();
  if (readHead(reading) != kOk || checkCapacity(*data, fileSize) != kOk) return kFailed;
  buildWaveformNames(reading);
  if (allocateSamples(data) != kOk || readReferenceImpedances(reading) != kOk) return kFailed;
  // Offsets from the start of the file, which the blocks may be read at.
  bool placed = start >= 0 && fileSize != kUnknownSize;
  uint64_t blocksBegin = placed ? reading.lines.offset() : 0;
  uint64_t fileEnd = placed ? static_cast<uint64_t>(start) + fileSize : kUnknownSize;
  return readBlocks(reading, blocksBegin, fileEnd);
}

}  // namespace korvel
