// Everything a Touchstone read leaves behind, kept for comparing a read in
// parts with a read on one thread: the result, every count, every array
// bit for bit (the point arrays over the whole storage, zeroed room
// included), and every message with its argument and line, in order.
#ifndef KORVEL_TESTS_SUPPORT_NETWORK_SNAPSHOT_H
#define KORVEL_TESTS_SUPPORT_NETWORK_SNAPSHOT_H

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "touchstone/parallel_points.h"

namespace korvel::testing {

struct NetworkSnapshot {
  int result = -1;
  std::vector<int64_t> counts;  // point, noise point, waveform and slot counts, flags
  std::string names;
  // Each array as its bit patterns, so that NaN compares with NaN.
  std::vector<std::vector<uint64_t>> arrays;
  std::vector<std::string> messages;  // "message number|line|argument"
  ParallelReadRecord record;          // what the read in parts did

  bool operator==(const NetworkSnapshot& other) const {
    return result == other.result && counts == other.counts && names == other.names &&
           arrays == other.arrays && messages == other.messages;
  }
};

// Opens the file at `path` with the data read under `settings`, gathering
// its messages; releases the record. The settings in force before are
// restored.
NetworkSnapshot snapshotOfRead(const std::string& path, const ParallelSettings& settings);

// The snapshot of a record openFile returned with `result` (messages left
// empty); releases the record.
NetworkSnapshot snapshotOfRecord(int result, DataSet* data);

// The settings of a read on the calling thread alone, and of one cut into
// `parts` parts whatever the data's size.
ParallelSettings serialRead();
ParallelSettings readInParts(unsigned parts);

// The first difference between two snapshots, for a failure message.
std::string firstDifference(const NetworkSnapshot& a, const NetworkSnapshot& b);

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_NETWORK_SNAPSHOT_H
