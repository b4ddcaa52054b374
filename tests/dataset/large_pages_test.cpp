// Large-page advice on the record's arrays: it covers whole 2 MB pages
// inside the range that will be written and nothing outside it, and leaves
// the values alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace korvel::testing {
namespace {

constexpr uintptr_t kLargePage = uintptr_t{1} << 21;

struct Mapping {
  uintptr_t begin = 0;
  uintptr_t end = 0;
  bool largePages = false;  // "hg" among its VmFlags
};

// The process's mappings as /proc/self/smaps lists them.
std::vector<Mapping> mappings() {
  std::vector<Mapping> found;
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  while (std::getline(smaps, line)) {
    uintptr_t begin = 0, end = 0;
    char dash = 0;
    std::istringstream fields(line);
    if (fields >> std::hex >> begin >> dash >> end && dash == '-') {
      found.push_back({begin, end, false});
    } else if (line.rfind("VmFlags:", 0) == 0 && !found.empty()) {
      found.back().largePages = line.find(" hg") != std::string::npos;
    }
  }
  return found;
}

struct AdviceCase {
  const char* name;
  size_t arrayBytes;
  size_t advisedBytes;
  bool expectsAdvice;  // a whole large page lies inside the advised range
};

class LargePageAdvice : public ::testing::TestWithParam<AdviceCase> {};

TEST_P(LargePageAdvice, CoversOnlyWholePagesOfTheWrittenRange) {
  const AdviceCase& c = GetParam();
  if (c.expectsAdvice && !std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled")) {
    GTEST_SKIP() << "this kernel has no large pages to advise";
  }
  auto* array = static_cast<unsigned char*>(allocateZeroed(c.arrayBytes, 1));
  ASSERT_NE(array, nullptr);
  adviseLargePages(array, c.advisedBytes);
  uintptr_t start = reinterpret_cast<uintptr_t>(array);
  bool advised = false;
  for (const Mapping& mapping : mappings()) {
    if (!mapping.largePages || mapping.end <= start || mapping.begin >= start + c.arrayBytes) continue;
    advised = true;
    EXPECT_GE(mapping.begin, start);
    EXPECT_LE(mapping.end, start + c.advisedBytes);
    EXPECT_EQ(mapping.begin % kLargePage, 0u);
    EXPECT_EQ(mapping.end % kLargePage, 0u);
  }
  EXPECT_EQ(advised, c.expectsAdvice);
  // Advice changes no byte: the array still reads as zeros and takes writes.
  EXPECT_EQ(array[0], 0);
  EXPECT_EQ(array[c.arrayBytes - 1], 0);
  array[c.advisedBytes - 1] = 7;
  EXPECT_EQ(array[c.advisedBytes - 1], 7);
  std::free(array);
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, LargePageAdvice,
    ::testing::Values(AdviceCase{"small_array", size_t{1} << 20, size_t{1} << 20, false},
                      AdviceCase{"large_array_small_range", size_t{32} << 20, size_t{3} << 19, false},
                      AdviceCase{"large_array_part_written", size_t{32} << 20, size_t{9} << 20, true},
                      AdviceCase{"large_array_all_written", size_t{32} << 20, size_t{32} << 20, true}),
    [](const ::testing::TestParamInfo<AdviceCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace korvel::testing
