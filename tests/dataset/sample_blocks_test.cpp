// Sample arrays side by side in one block: each array is zeroed, none
// overlaps another, releasing some leaves the others' values alone, and
// the record lets go of every block, whatever order its arrays go in.
#include "dataset/sample_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace korvel::testing {
namespace {

// Every array from the heap under the address sanitizer, watched on its own.
constexpr bool kBlocksBuilt = !kHeapArraysOnly;

struct BlockCase {
  const char* name;
  size_t arrays;
  size_t samples;
  bool inBlock;  // where blocks are built
};

class SampleBlocks : public ::testing::TestWithParam<BlockCase> {};

// A record with `slots` empty entries.
DataSet* recordWithSlots(size_t slots) {
  DataSet* data = createDataSet("blocks", nullptr);
  data->waveformData = static_cast<double**>(allocateZeroed(slots, sizeof(double*)));
  data->waveformSlots = static_cast<int>(slots);
  return data;
}

double valueAt(size_t entry, size_t k) { return static_cast<double>(entry) * 1e7 + static_cast<double>(k); }

TEST_P(SampleBlocks, ArraysAreZeroedApartAndReleasedInAnyOrder) {
  const BlockCase& c = GetParam();
  // Entry 0 stays outside the arrays made, so their first one is not at 0.
  DataSet* data = recordWithSlots(c.arrays + 1);
  ASSERT_NE(data, nullptr);
  ASSERT_TRUE(allocateSampleArrays(data, 1, c.arrays, c.samples));
  EXPECT_EQ(data->waveformData[0], nullptr);
  for (size_t e = 1; e <= c.arrays; ++e) {
    double* array = data->waveformData[e];
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(inSampleBlock(*data, array), c.inBlock && kBlocksBuilt);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(array) % 16, 0u);
    for (size_t k = 0; k < 2 * c.samples; ++k) {
      ASSERT_EQ(array[k], 0.0) << "entry " << e << " value " << k;
      array[k] = valueAt(e, k);
    }
  }
  // Every other array goes; the rest keep every value written.
  for (size_t e = 1; e <= c.arrays; e += 2) releaseSampleArray(data, e);
  for (size_t e = 1; e <= c.arrays; ++e) {
    if (e % 2 == 1) {
      EXPECT_EQ(data->waveformData[e], nullptr);
      continue;
    }
    for (size_t k = 0; k < 2 * c.samples; ++k) ASSERT_EQ(data->waveformData[e][k], valueAt(e, k));
  }
  // Released one by one, the last array takes its block with it.
  for (size_t e = 2; e <= c.arrays; e += 2) releaseSampleArray(data, e);
  EXPECT_EQ(data->sampleBlocks, nullptr);
  releaseDataSet(data);
}

TEST_P(SampleBlocks, TheRecordReleasesArraysStillInUse) {
  const BlockCase& c = GetParam();
  DataSet* data = recordWithSlots(c.arrays);
  ASSERT_TRUE(allocateSampleArrays(data, 0, c.arrays, c.samples));
  if (c.arrays > 1) releaseSampleArray(data, 0);
  releaseDataSet(data);  // the sanitizer build reports any array left behind
}

INSTANTIATE_TEST_SUITE_P(Sizes, SampleBlocks,
                         ::testing::Values(BlockCase{"few_small_arrays_from_the_heap", 3, 10, false},
                                           BlockCase{"no_samples", 2, 0, false},
                                           BlockCase{"many_arrays_sharing_pages", 11, 20000, true},
                                           BlockCase{"odd_sizes_off_the_cache_line", 7, 30001, true},
                                           BlockCase{"arrays_of_large_pages_each", 3, 200000, true}),
                         [](const ::testing::TestParamInfo<BlockCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(SampleBlocksRefusal, SizesBeyondMemoryLeaveTheEntriesEmpty) {
  DataSet* data = recordWithSlots(2);
  EXPECT_FALSE(allocateSampleArrays(data, 0, 2, SIZE_MAX / 8));
  // A size that fits the arithmetic but no address space: the kernel
  // refuses the mapping (the sanitizer's heap would stop the program).
  if (kBlocksBuilt) {
    EXPECT_FALSE(allocateSampleArrays(data, 0, 2, SIZE_MAX / 64));
  }
  EXPECT_EQ(data->waveformData[0], nullptr);
  EXPECT_EQ(data->waveformData[1], nullptr);
  EXPECT_EQ(data->sampleBlocks, nullptr);
  releaseDataSet(data);
}

}  // namespace
}  // namespace korvel::testing
