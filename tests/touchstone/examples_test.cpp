// The example Touchstone files opened end to end through the plug-in
// binary, as the viewer opens them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(TouchstoneExamples, AmplifierWithNoiseBlock) {
  int result = -1;
  CapturedStream errors(stderr);
  auto file = openThroughHost(examplePath("amp.s2p"), &result);
  EXPECT_EQ(errors.finish(), "");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(file->format().formatName, "TouchStone");
  EXPECT_EQ(file->fileProperty("-nwaveforms").text, "27");
  std::vector<std::string> names = file->catalogue();
  EXPECT_EQ(names.size(), 27u);
  for (const char* name : {"S-Par/S(2,1)", "Zo/Zo(2)", "Z-Par/Z(1,2)", "Y-Par/Y(2,2)", "Gain-Par/K", "Gain-Par/Gmsg",
                           "Noise-Par/NFmin", "Noise-Par/Rn", "Noise-Par/NF", "Gain-Par/Gas"}) {
    EXPECT_TRUE(contains(names, name)) << name;
  }
  WaveformHandle handle = nullptr;
  EXPECT_EQ(file->loadWaveform("S-Par/S(2,1)", &handle), 0);
  EXPECT_NE(handle, nullptr);
}

TEST(TouchstoneExamples, MixedModeDifferentialPair) {
  int result = -1;
  CapturedStream errors(stderr);
  auto file = openThroughHost(examplePath("diff_pair.s4p"), &result);
  EXPECT_EQ(errors.finish(), "");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->fileProperty("-nwaveforms").text, "55");
  std::vector<std::string> names = file->catalogue();
  EXPECT_EQ(names.size(), 55u);
  for (const char* name : {"S-Par/Sdd(2,1)", "S-Par/Scc(1,2)", "S-Par/Sdc(1,1)", "Zo/Zod(1)", "Zo/Zoc(2)",
                           "Z-Par/Zcd(2,2)", "Y-Par/Ydd(1,1)", "Gain-Par/Gmax"}) {
    EXPECT_TRUE(contains(names, name)) << name;
  }
  EXPECT_FALSE(contains(names, "S-Par/S(1,1)"));
  WaveformHandle handle = nullptr;
  EXPECT_EQ(file->loadWaveform("Zo/Zod(1)", &handle), 0);
}

// The 2.1 file holds the first eight points of the comment-mapped one,
// upper halves only: every shared waveform must agree sample for sample.
TEST(TouchstoneExamples, VersionTwoUpperHalfMatchesTheCommentMappedPair) {
  CapturedStream errors(stderr);
  auto keyword = openThroughHost(examplePath("diff_pair_upper.ts"));
  auto comments = openThroughHost(examplePath("diff_pair.s4p"));
  EXPECT_EQ(errors.finish(), "");
  ASSERT_NE(keyword, nullptr);
  ASSERT_NE(comments, nullptr);
  EXPECT_EQ(keyword->catalogue(), comments->catalogue());
  auto* a = static_cast<const DataSet*>(keyword->dataSet());
  auto* b = static_cast<const DataSet*>(comments->dataSet());
  ASSERT_EQ(a->pointCount, 8);
  for (int w = 0; w < a->waveformCount; ++w) {
    for (int k = 0; k < 2 * a->pointCount; ++k) {
      EXPECT_EQ(a->waveformData[w][k], b->waveformData[w][k]) << "waveform " << w << " value " << k;
    }
  }
}

TEST(TouchstoneExamples, VersionOneImpedanceFile) {
  int result = -1;
  CapturedStream errors(stderr);
  auto file = openThroughHost(examplePath("lowpass_t.z2p"), &result);
  EXPECT_EQ(errors.finish(), "");
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(file->format().formatName, "TouchStone");
  auto* data = static_cast<const DataSet*>(file->dataSet());
  // Z(1,2) of the first point, written normalised as 3.97887 at -90 degrees,
  // comes back in ohms.
  const double* z12 = data->waveformData[2 * 2 + 2 + 1];
  EXPECT_NEAR(z12[0], 0.0, 1e-9);
  EXPECT_NEAR(z12[1], -3.97887 * 50, 1e-9);
}

}  // namespace
}  // namespace korvel::testing
