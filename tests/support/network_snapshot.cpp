#include "support/network_snapshot.h"

#include <cstring>

#include "dataset/messages.h"
#include "dataset/waveform_names.h"
#include "plugin/open_file.h"
#include "rfcalc/network_layout.h"

namespace korvel::testing {

namespace {

// Keeps every message with its line.
class LineGatheringSink : public MessageSink {
 public:
  void report(Message message, const char* argument) noexcept override { reportAt(message, 0, argument); }
  void reportAt(Message message, int line, const char* argument) noexcept override {
    messages.push_back(std::to_string(static_cast<int>(message)) + "|" + std::to_string(line) + "|" +
                       (argument != nullptr ? argument : ""));
  }
  std::vector<std::string> messages;
};

std::vector<uint64_t> bitsOf(const double* values, size_t count) {
  std::vector<uint64_t> bits(count);
  if (values != nullptr && count > 0) std::memcpy(bits.data(), values, count * sizeof(double));
  return bits;
}

void keepArrays(const DataSet& data, NetworkSnapshot* snapshot) {
  size_t points = data.pointCount > 0 ? static_cast<size_t>(data.pointCount) : 0;
  // The points the storage has room for, as the reader sized it.
  size_t capacity = data.isScFormat ? points : static_cast<size_t>(data.pointSlots);
  if (capacity < points) capacity = points;
  snapshot->arrays.push_back(bitsOf(data.frequencies, capacity));
  size_t noise = data.noisePointCount > 0 ? static_cast<size_t>(data.noisePointCount) : 0;
  snapshot->arrays.push_back(bitsOf(data.noiseFrequencies, noise));
  int scattering = data.terminalCount * data.terminalCount;
  NetworkLayout layout = networkLayout(data);
  for (int i = 0; i < data.waveformCount && i < data.waveformSlots; ++i) {
    size_t at = static_cast<size_t>(i);
    size_t count =
        i < scattering ? capacity : (data.hasNoise != 0 && at >= layout.noiseBase ? noise : points);
    snapshot->arrays.push_back(bitsOf(data.waveformData[i], 2 * count));
  }
}

}  // namespace

ParallelSettings serialRead() {
  ParallelSettings settings;
  settings.parts = 1;
  return settings;
}

ParallelSettings readInParts(unsigned parts) {
  ParallelSettings settings;
  settings.parts = parts;
  settings.minimumWork = 0;
  return settings;
}

NetworkSnapshot snapshotOfRecord(int result, DataSet* data) {
  NetworkSnapshot snapshot;
  snapshot.result = result;
  if (data != nullptr) {
    snapshot.counts = {data->pointCount, data->noisePointCount, data->waveformCount, data->waveformSlots,
                       data->hasNoise,   data->terminalCount,   data->portCount};
    uint64_t reference = 0;
    std::memcpy(&reference, &data->referenceImpedance, sizeof reference);
    snapshot.counts.push_back(static_cast<int64_t>(reference));
    snapshot.names = Tcl_DStringValue(&data->waveformNames);
    keepArrays(*data, &snapshot);
    closeFile(data);
  }
  return snapshot;
}

NetworkSnapshot snapshotOfRead(const std::string& path, const ParallelSettings& settings) {
  ParallelSettings saved = parallelPolicy().touchstoneData;
  parallelPolicy().touchstoneData = settings;
  LineGatheringSink sink;
  DataSet* data = nullptr;
  int result = -1;
  {
    MessageRoute route(sink);
    result = openFile(path.c_str(), &data);
  }
  ParallelReadRecord record = lastParallelRead();
  parallelPolicy().touchstoneData = saved;
  NetworkSnapshot snapshot = snapshotOfRecord(result, data);
  snapshot.record = record;
  snapshot.messages = sink.messages;
  return snapshot;
}

std::string firstDifference(const NetworkSnapshot& a, const NetworkSnapshot& b) {
  if (a.result != b.result)
    return "result " + std::to_string(a.result) + " against " + std::to_string(b.result);
  if (a.counts != b.counts) return "counts";
  if (a.names != b.names) return "names";
  if (a.messages != b.messages) {
    std::string text = "messages:";
    for (const std::string& m : a.messages) text += " [" + m + "]";
    text += " against";
    for (const std::string& m : b.messages) text += " [" + m + "]";
    return text;
  }
  if (a.arrays.size() != b.arrays.size()) return "array count";
  for (size_t i = 0; i < a.arrays.size(); ++i) {
    if (a.arrays[i].size() != b.arrays[i].size()) return "size of array " + std::to_string(i);
    for (size_t k = 0; k < a.arrays[i].size(); ++k) {
      if (a.arrays[i][k] != b.arrays[i][k]) return "array " + std::to_string(i) + " at " + std::to_string(k);
    }
  }
  return "none";
}

}  // namespace korvel::testing
