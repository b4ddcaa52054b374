// Opening a file when memory runs out at any one allocation of the read:
// the open is refused with its message, the slot is null, no descriptor
// stays open and (in the sanitizer build) nothing leaks. The network
// calculation alone goes on without its working matrices: the file then
// opens with Z and Y left without values.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dataset/data_set.h"
#include "dataset/waveform_names.h"
#include "memory/failing_allocation.h"
#include "plugin/callbacks.h"
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

// True when the record's first Z sample has no value: the calculation
// could not make its working matrices.
bool calculationWentWithout(const DataSet* data) {
  const NetworkLayout layout = networkLayout(*data);
  return std::isnan(data->waveformData[layout.zBase][0]);
}

// Far more allocations than opening any example takes.
constexpr size_t kMostAllocations = 100000;

class OutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(OutOfMemory, EveryFailingAllocationIsACleanRefusal) {
  const std::string path = examplePath(GetParam());
  const int descriptors = openDescriptorCount();
  size_t refusals = 0;
  size_t k = 1;
  for (; k <= kMostAllocations; ++k) {
    void* slot = &k;  // anything but null, so that the refusal must clear it
    CapturedStream captured(stderr);
    failAllocation(k);
    int result = callbacks::openFile(nullptr, path.c_str(), &slot);
    bool failed = stopFailingAllocations();
    std::string messages = captured.finish();
    if (!failed) {
      // Every allocation of the open came before the k-th: it succeeded.
      EXPECT_EQ(result, 0);
      ASSERT_NE(slot, nullptr);
      EXPECT_FALSE(calculationWentWithout(static_cast<const DataSet*>(slot)));
      callbacks::closeFile(nullptr, slot);
      break;
    }
    if (result == 0 && slot != nullptr && calculationWentWithout(static_cast<const DataSet*>(slot))) {
      EXPECT_EQ(messages, "") << "allocation " << k;
      callbacks::closeFile(nullptr, slot);
      ASSERT_EQ(openDescriptorCount(), descriptors) << "allocation " << k;
      continue;
    }
    ++refusals;
    ASSERT_EQ(result, 1) << "allocation " << k;
    ASSERT_EQ(slot, nullptr) << "allocation " << k;
    ASSERT_EQ(messages, "Not enough memory to read the file.\n") << "allocation " << k;
    ASSERT_EQ(openDescriptorCount(), descriptors) << "allocation " << k;
  }
  EXPECT_GT(refusals, 0u) << "the read allocates";
  EXPECT_LE(k, kMostAllocations);
  EXPECT_EQ(openDescriptorCount(), descriptors);
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
      if (!calculationWentWithout(static_cast<const DataSet*>(slot))) {
        ++opened;
        EXPECT_EQ(
            recordDifferences(static_cast<const DataSet*>(reference), static_cast<const DataSet*>(slot)), "")
            << "allocation " << k;
      }
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
                         ::testing::Values("lna_sweep.sc", "amp.s2p", "balanced_filter.sc", "diff_pair.s4p"));

}  // namespace
}  // namespace korvel::testing
