// Memory running out while the network data is read in parts, on a worker
// thread or on the calling thread: the read either ends as the read on one
// thread does, or is refused cleanly.
#include <gtest/gtest.h>

#include <string>

#include "memory/failing_allocation.h"
#include "plugin/open_file.h"
#include "support/network_snapshot.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// A two-port with values of varying width, long enough to cut in parts.
std::string twoPortFile() {
  std::string text = "# Hz S RI R 50\n";
  for (int point = 0; point < 300; ++point) {
    text += std::to_string(1000 + point);
    for (int v = 0; v < 8; ++v) text += " 0." + std::to_string((point * 7 + v * 13) % 997);
    text += "\n";
  }
  return text;
}

struct Read {
  NetworkSnapshot snapshot;
  std::string messages;
  bool failedAllocation = false;
};

// Reads the file in two parts with the k-th allocation of new failing (none
// when k is 0). The snapshot holds the storage's room past the last point,
// whose size a failed C heap request for the estimated storage changes.
Read readFailingAt(const std::string& path, size_t k) {
  ParallelSettings saved = parallelPolicy().touchstoneData;
  parallelPolicy().touchstoneData = readInParts(2);
  Read read;
  DataSet* data = nullptr;
  int result = -1;
  {
    CapturedStream captured(stderr);
    if (k > 0) failAllocationOfNew(k);
    result = openFile(path.c_str(), &data);
    read.failedAllocation = k > 0 && stopFailingAllocations();
    read.messages = captured.finish();
  }
  ParallelReadRecord record = lastParallelRead();
  parallelPolicy().touchstoneData = saved;
  read.snapshot = snapshotOfRecord(result, data);
  read.snapshot.record = record;
  return read;
}

TEST(ReadInPartsOutOfMemory, EndsAsOneThreadOrRefusesCleanly) {
  TempFile file("a.s2p", twoPortFile());
  Read whole = readFailingAt(file.path(), 0);
  ASSERT_EQ(whole.snapshot.result, 0);
  ASSERT_EQ(whole.snapshot.record.taken, 1u);
  size_t refusals = 0;
  size_t partsReadAgain = 0;
  for (size_t k = 1; k < 5000; ++k) {
    Read read = readFailingAt(file.path(), k);
    if (!read.failedAllocation) break;
    if (read.snapshot.result == 0) {
      // The failing allocation was a worker's (its part was read again),
      // or the calculation went without: the network read is whole.
      EXPECT_EQ(read.snapshot.counts, whole.snapshot.counts) << "allocation " << k;
      // The frequencies, the noise frequencies and the four S-parameters.
      for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(read.snapshot.arrays.at(i), whole.snapshot.arrays.at(i)) << "allocation " << k;
      if (read.snapshot.record.parts == 2 && read.snapshot.record.taken == 0) ++partsReadAgain;
      continue;
    }
    ++refusals;
    EXPECT_EQ(read.messages, "Not enough memory to read the file.\n") << "allocation " << k;
  }
  EXPECT_GT(refusals, 0u);
  EXPECT_GT(partsReadAgain, 0u) << "no worker ran out of memory";
}

}  // namespace
}  // namespace korvel::testing
