// Opening a file when memory runs out at any one allocation of the read or
// of the network calculation that ends it (new or the C heap alike): the
// open gives exactly the record of an open with memory to spare, or it is
// refused with its message, the slot is null, no descriptor stays open and
// (in the sanitizer build) nothing leaks. A calculation on one thread is
// refused as one on several is: no file opens with Z and Y missing, or
// with other names, for want of memory.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/network_calculation.h"
#include "dataset/waveform_names.h"
#include "memory/failing_allocation.h"
#include "plugin/callbacks.h"
#include "rfcalc/network_fixture.h"
#include "support/sc_reading_modes.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

// Open descriptors of the process; opendir's own is counted every time.
int openDescriptorCount() {
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return -1;
  int count = 0;
  while (readdir(directory) != nullptr) ++count;
  closedir(directory);
  return count;
}

// True when the record's first Z sample has no value.
bool impedanceMissing(const DataSet* data) {
  const NetworkLayout layout = networkLayout(*data);
  return std::isnan(data->waveformData[layout.zBase][0]);
}

// Opens `path` with the k-th allocation from now failing; the open's
// result, slot and messages.
struct FailedOpen {
  int result = -1;
  void* slot = nullptr;
  bool reached = false;  // the k-th allocation was made, and failed
  std::string messages;
};

FailedOpen openFailingAt(const std::string& path, size_t k) {
  FailedOpen open;
  open.slot = &open;  // anything but null, so that a refusal must clear it
  CapturedStream captured(stderr);
  failAllocation(k);
  open.result = callbacks::openFile(nullptr, path.c_str(), &open.slot);
  open.reached = stopFailingAllocations();
  open.messages = captured.finish();
  return open;
}

// Far more allocations than opening any example takes.
constexpr size_t kMostAllocations = 100000;

class OutOfMemory : public ::testing::TestWithParam<const char*> {};

// Whatever allocation fails, the open either gives the record and the
// messages of an open with memory to spare (a failure the read met by
// another way, such as smaller storage) or refuses the file with the
// out-of-memory message, clears the slot and leaves no descriptor open.
TEST_P(OutOfMemory, EveryFailingAllocationGivesTheSameAnswerOrARefusal) {
  const std::string path = examplePath(GetParam());
  void* reference = nullptr;
  std::string referenceMessages;
  {
    CapturedStream captured(stderr);
    ASSERT_EQ(callbacks::openFile(nullptr, path.c_str(), &reference), 0);
    referenceMessages = captured.finish();
  }
  const int descriptors = openDescriptorCount();
  size_t refusals = 0;
  size_t k = 1;
  for (; k <= kMostAllocations; ++k) {
    FailedOpen open = openFailingAt(path, k);
    if (open.result == 0) {
      ASSERT_NE(open.slot, nullptr) << "allocation " << k;
      const auto* opened = static_cast<const DataSet*>(open.slot);
      EXPECT_EQ(recordDifferences(static_cast<const DataSet*>(reference), opened), "") << "allocation " << k;
      EXPECT_EQ(open.messages, referenceMessages) << "allocation " << k;
      EXPECT_FALSE(impedanceMissing(opened)) << "allocation " << k;
      callbacks::closeFile(nullptr, open.slot);
      // Every allocation of the open came before the k-th: the sweep is done.
      if (!open.reached) break;
      continue;
    }
    ++refusals;
    ASSERT_TRUE(open.reached) << "refused with no failed allocation, allocation " << k;
    ASSERT_EQ(open.result, 1) << "allocation " << k;
    ASSERT_EQ(open.slot, nullptr) << "allocation " << k;
    ASSERT_EQ(open.messages, "Not enough memory to read the file.\n") << "allocation " << k;
    ASSERT_EQ(openDescriptorCount(), descriptors) << "allocation " << k;
  }
  callbacks::closeFile(nullptr, reference);
  EXPECT_GT(refusals, 0u) << "the read allocates";
  EXPECT_LE(k, kMostAllocations);
}

// The calculation is the last step of an open: its allocations are the
// last ones the open makes. Counted on a second run over the opened
// record (the count does not depend on the values), each of them failing
// refuses the file, though the calculation runs on one thread alone.
TEST_P(OutOfMemory, FailureInTheCalculationRefusesTheFile) {
  const std::string path = examplePath(GetParam());
  void* slot = nullptr;
  size_t before = allocationCount();
  ASSERT_EQ(callbacks::openFile(nullptr, path.c_str(), &slot), 0);
  const size_t openAllocations = allocationCount() - before;
  auto* data = static_cast<DataSet*>(slot);
  ParallelSettings oneThread;
  oneThread.parts = 1;
  CapturedStream quiet(stdout);
  before = allocationCount();
  calculateNetworkParameters(networkSamplesOf(data), oneThread);
  const size_t calculationAllocations = allocationCount() - before;
  quiet.finish();
  callbacks::closeFile(nullptr, slot);
  ASSERT_GT(calculationAllocations, 0u) << "the working matrices are allocated";
  ASSERT_LT(calculationAllocations, openAllocations);

  const int descriptors = openDescriptorCount();
  for (size_t k = openAllocations - calculationAllocations + 1; k <= openAllocations; ++k) {
    FailedOpen open = openFailingAt(path, k);
    ASSERT_TRUE(open.reached) << "allocation " << k;
    ASSERT_EQ(open.result, 1) << "allocation " << k;
    EXPECT_EQ(open.slot, nullptr) << "allocation " << k;
    ASSERT_EQ(open.messages, "Not enough memory to read the file.\n") << "allocation " << k;
    EXPECT_EQ(openDescriptorCount(), descriptors) << "allocation " << k;
  }
}

// On one thread as on several, the calculation itself raises the failure
// for its caller to decide on, and prints nothing for the network.
TEST(CalculationOutOfMemory, OneThreadRaisesEveryFailure) {
  for (int terminals : {2, 3}) {
    TestNetwork network(terminals, terminals, 8);
    network.setReferenceImpedances(std::vector<double>(static_cast<size_t>(terminals), 50.0));
    ParallelSettings oneThread;
    oneThread.parts = 1;
    size_t k = 1;
    for (; k <= kMostAllocations; ++k) {
      CapturedStream captured(stdout);
      failAllocation(k);
      bool thrown = false;
      try {
        calculateNetworkParameters(network.network(), oneThread);
      } catch (const std::bad_alloc&) {
        thrown = true;
      }
      bool reached = stopFailingAllocations();
      std::string printed = captured.finish();
      EXPECT_EQ(thrown, reached) << terminals << " terminals, allocation " << k;
      EXPECT_EQ(printed, "") << terminals << " terminals, allocation " << k;
      if (!reached) break;
    }
    EXPECT_GT(k, 1u) << "the working matrices are allocated";
  }
}

// The same with the blocks read in parts: memory running out on a worker
// makes the calling thread read the part again, so every opening is either
// the record read in turn, bit for bit, or the refusal.
TEST(OutOfMemoryInParts, BlocksReadInPartsOpenAsReadInTurnOrAreRefused) {
  const std::string path = examplePath("lna_sweep.sc");
  void* reference = nullptr;
  {
    BlockPartMode mode(inTurn());
    CapturedStream captured(stderr);
    ASSERT_EQ(callbacks::openFile(nullptr, path.c_str(), &reference), 0);
  }
  BlockPartMode mode(inParts(2));
  size_t opened = 0;
  size_t refusals = 0;
  size_t k = 1;
  for (; k <= kMostAllocations; ++k) {
    void* slot = nullptr;
    CapturedStream captured(stderr);
    failAllocation(k);
    int result = callbacks::openFile(nullptr, path.c_str(), &slot);
    bool failed = stopFailingAllocations();
    std::string messages = captured.finish();
    if (result == 0) {
      ASSERT_NE(slot, nullptr);
      EXPECT_EQ(messages, "") << "allocation " << k;
      ++opened;
      EXPECT_EQ(recordDifferences(static_cast<const DataSet*>(reference), static_cast<const DataSet*>(slot)),
                "")
          << "allocation " << k;
      callbacks::closeFile(nullptr, slot);
    } else {
      ++refusals;
      ASSERT_EQ(messages, "Not enough memory to read the file.\n") << "allocation " << k;
    }
    if (!failed) break;
  }
  callbacks::closeFile(nullptr, reference);
  EXPECT_GT(refusals, 0u);
  EXPECT_GT(opened, 1u) << "some failures are met by reading a part again";
  EXPECT_LE(k, kMostAllocations);
}

INSTANTIATE_TEST_SUITE_P(Examples, OutOfMemory,
                         ::testing::Values("lna_sweep.sc", "amp.s2p", "balanced_filter.sc", "diff_pair.s4p",
                                           "diff_pair_upper.ts", "lowpass_t.z2p"));

}  // namespace
}  // namespace korvel::testing
