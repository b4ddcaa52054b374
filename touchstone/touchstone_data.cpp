// The data stage of a Touchstone read.
#include "touchstone/touchstone_data.h"

#include <climits>

#include "dataset/messages.h"
#include "dataset/result.h"
#include "dataset/waveform_names.h"
#include "touchstone/line_kinds.h"
#include "touchstone/network_storage.h"
#include "touchstone/noise_block.h"
#include "touchstone/scattering_points.h"

namespace korvel {

namespace {

// Storage for the points the file can hold; a file whose size is unknown
// starts small and grows. Falls back to that small start when the
// estimate cannot be had.
int allocateForFile(DataSet* data, size_t estimate, size_t* capacity) {
  *capacity = estimate > 0 ? estimate : kGrowthStartPoints;
  if (allocateNetworkStorage(data, *capacity) == kOk) return kOk;
  if (*capacity <= kGrowthStartPoints) return kFailed;
  *capacity = kGrowthStartPoints;
  return allocateNetworkStorage(data, *capacity);
}

// The impedance of every terminal after its mode's conversion; records
// the reference impedance of the terminal that plays port 1.
std::vector<double> terminalImpedances(DataSet* data, const std::vector<double>& written) {
  std::vector<double> converted(static_cast<size_t>(data->terminalCount));
  for (int i = 0; i < data->terminalCount; ++i) converted[i] = terminalImpedance(data, i, written[i]);
  return converted;
}

struct StreamEnd {
  ScatteringPoints::Outcome outcome = ScatteringPoints::Outcome::kLineDone;
  TokenCursor rest{""};  // the fields after the number that opened the noise block
  double opening = 0.0;
};

// Feeds every data line to `points` until the noise block or the end of
// the file. Comment lines are skipped, as is text after a "!".
StreamEnd readPoints(LineSource* source, const std::string_view* pending, ScatteringPoints* points) {
  StreamEnd end;
  std::string_view line;
  bool haveLine = pending != nullptr ? (line = *pending, true) : source->next(&line);
  for (; haveLine; haveLine = source->next(&line)) {
    if (isCommentLine(line)) continue;
    end.rest = TokenCursor(withoutComment(line));
    end.outcome = points->read(&end.rest, &end.opening);
    if (end.outcome != ScatteringPoints::Outcome::kLineDone) break;
  }
  return end;
}

int readNoise(LineSource* source, StreamEnd* end, double firstTerminalImpedance, DataSet* data) {
  data->hasNoise = 1;
  appendNoiseNames(data);
  if (allocateNoiseStorage(data) != kOk) return kFailed;
  readNoiseBlock(source, &end->rest, end->opening, firstTerminalImpedance, data);
  // The available gain pairs every S point with a noise point.
  if (data->portCount == 2 && data->noisePointCount == data->pointCount) appendAvailableGainName(data);
  return kOk;
}

}  // namespace

int readTouchstoneData(LineSource* source, const std::string_view* pending, const std::vector<double>& impedances,
                       uint64_t fileSize, DataSet* data) {
  int64_t waveforms = noiseBaseIndex(*data);
  if (waveforms <= 0 || waveforms > INT_MAX - static_cast<int64_t>(noiseSlotCount(*data)) - 1) return kFailed;
  uint64_t estimate = fileSize / static_cast<uint64_t>(waveforms);
  // A known size too small for one point's text: nothing can be read, and
  // no name or array is built for it.
  if (fileSize > 0 && estimate == 0) return fail(Message::kNoData);
  if (estimate > INT_MAX) estimate = INT_MAX;

  appendNetworkNames(data);
  size_t capacity = 0;
  if (allocateForFile(data, static_cast<size_t>(estimate), &capacity) != kOk) return kFailed;
  std::vector<double> zo = terminalImpedances(data, impedances);

  ScatteringPoints points(data, capacity);
  StreamEnd end = readPoints(source, pending, &points);
  if (end.outcome == ScatteringPoints::Outcome::kOutOfMemory) return kFailed;
  data->pointCount = points.completePoints();
  if (data->pointCount == 0) return fail(Message::kNoData);
  writeReferenceImpedances(data, zo);

  if (end.outcome == ScatteringPoints::Outcome::kNoiseBlock && readNoise(source, &end, zo[0], data) != kOk) {
    return kFailed;
  }
  return kOk;
}

}  // namespace korvel
