// Counts that the file is large enough to hold but that the record cannot
// index: refused with their own message before anything is allocated. The
// files are sparse, so they take no room on disk.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/opened_text.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

struct TooLargeCase {
  const char* name;
  int terminals;
  int64_t points;
};

class TooLarge : public ::testing::TestWithParam<TooLargeCase> {};

// Every point takes at least a frequency and 2T^2 values, each with one
// separator: the smallest file whose size passes that check.
uint64_t smallestFileFor(const TooLargeCase& param) {
  uint64_t terminals = static_cast<uint64_t>(param.terminals);
  return (2 * terminals * terminals + 1) * 2 * static_cast<uint64_t>(param.points);
}

TEST_P(TooLarge, RefusedWithItsMessage) {
  const TooLargeCase& param = GetParam();
  std::string head = "*| N=" + std::to_string(param.terminals) + " DATA=" + std::to_string(param.points) +
                     "\n*| NumOfBlock=1 NumOfParam=0\n+ Zo= 50\n+ DATA=\n";
  TempFile file("huge.sc", head);
  std::error_code error;
  std::filesystem::resize_file(file.path(), smallestFileFor(param) + head.size(), error);
  ASSERT_FALSE(error) << "cannot make a sparse file: " << error.message();

  OpenedText opening = OpenedText::atPath(file.path());
  EXPECT_EQ(opening.result, 1);
  EXPECT_EQ(opening.data, nullptr);
  EXPECT_EQ(opening.errors, "The file is too large to be read.\n");
}

INSTANTIATE_TEST_SUITE_P(Counts, TooLarge,
                         ::testing::Values(
                             // One more point than the samples of a waveform can be indexed by.
                             TooLargeCase{"PointsPastTheSampleIndex", 1, int64_t{1} << 30},
                             // Enough terminals that the waveform count passes what an int holds.
                             TooLargeCase{"TerminalsPastTheWaveformCount", 23171, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace korvel::testing
