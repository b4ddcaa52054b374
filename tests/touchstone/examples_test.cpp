// The example Touchstone files opened end to end through the plug-in
// binary, as the viewer opens them, with samples checked against values
// worked out from the files' own numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "support/opened_text.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

using Complex = std::complex<double>;

Complex polarDegrees(double magnitude, double degrees) {
  return std::polar(magnitude, degrees * std::numbers::pi / 180.0);
}

::testing::AssertionResult near(Complex actual, Complex expected) {
  double tolerance = 1e-9 * std::max(1.0, std::abs(expected));
  if (std::abs(actual - expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " is not " << expected;
}

const DataSet& recordOf(const host::OpenedFile& file) { return *static_cast<const DataSet*>(file.dataSet()); }

TEST(TouchstoneExamples, AmplifierWithNoiseBlock) {
  int result = -1;
  CapturedStream errors(stderr);
  auto file = openThroughHost(examplePath("amp.s2p"), &result);
  EXPECT_EQ(errors.finish(), "");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(file->format().formatName, "TouchStone");
  EXPECT_EQ(file->fileProperty("-nwaveforms").text, "27");
  EXPECT_EQ(file->catalogue().size(), 27u);
  const DataSet& data = recordOf(*file);
  ASSERT_EQ(data.pointCount, 12);
  EXPECT_EQ(data.frequencies[0], 0.5e9);
  EXPECT_EQ(data.frequencies[11], 6e9);

  // The first line: 0.5 GHz, magnitude and angle in degrees, 50 ohms.
  const Complex s11 = polarDegrees(0.898, -14.00), s21 = polarDegrees(5.325, 153.00);
  const Complex s12 = polarDegrees(0.034, 72.50), s22 = polarDegrees(0.535, -18.75);
  const double z0 = 50;
  EXPECT_TRUE(near(sampleOf(data, "S-Par/S(1,1)", 0), s11));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/S(2,1)", 0), s21));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/S(1,2)", 11), polarDegrees(0.084, 12.00)));
  EXPECT_TRUE(near(sampleOf(data, "Zo/Zo(2)", 0), z0));
  // The two-port conversions in closed form.
  const Complex minusDenominator = (1.0 - s11) * (1.0 - s22) - s12 * s21;
  const Complex plusDenominator = (1.0 + s11) * (1.0 + s22) - s12 * s21;
  EXPECT_TRUE(near(sampleOf(data, "Z-Par/Z(1,2)", 0), z0 * 2.0 * s12 / minusDenominator));
  EXPECT_TRUE(near(sampleOf(data, "Z-Par/Z(1,1)", 0),
                   z0 * ((1.0 + s11) * (1.0 - s22) + s12 * s21) / minusDenominator));
  EXPECT_TRUE(near(sampleOf(data, "Y-Par/Y(2,1)", 0), -2.0 * s21 / plusDenominator / z0));
  // Rollett's stability factor.
  const Complex delta = s11 * s22 - s12 * s21;
  const double k = (1 - std::norm(s11) - std::norm(s22) + std::norm(delta)) / (2 * std::abs(s12 * s21));
  EXPECT_TRUE(near(sampleOf(data, "Gain-Par/K", 0), k));
  // The noise line at 0.5 GHz: NFmin 0.335 dB, GammaOpt 0.745 at 24
  // degrees, Rn 0.302 of 50 ohms.
  EXPECT_TRUE(near(sampleOf(data, "Noise-Par/NFmin", 0), std::pow(10.0, 0.335 / 10)));
  EXPECT_TRUE(near(sampleOf(data, "Noise-Par/GammaOpt", 0), polarDegrees(0.745, 24.00)));
  EXPECT_TRUE(near(sampleOf(data, "Noise-Par/Rn", 0), 0.302 * 50));

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
  const DataSet& data = recordOf(*file);
  ASSERT_EQ(data.pointCount, 10);
  EXPECT_EQ(data.frequencies[9], 10e9);
  // Terminals in the order D1 D2 C1 C2; real and imaginary parts.
  EXPECT_TRUE(near(sampleOf(data, "S-Par/Sdd(2,1)", 0), Complex(-0.865028, 0.391532)));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/Sdd(2,1)", 9), Complex(-0.265538, 0.533201)));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/Scc(1,2)", 0), Complex(-0.739753, 0.577767)));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/Sdc(1,1)", 0), Complex(0.001449, 0.003728)));
  EXPECT_TRUE(near(sampleOf(data, "S-Par/Scd(2,1)", 1), Complex(-0.005883, 0.010459)));
  // 50-ohm terminals: 100 ohms differential, 25 ohms common.
  EXPECT_TRUE(near(sampleOf(data, "Zo/Zod(1)", 0), 100));
  EXPECT_TRUE(near(sampleOf(data, "Zo/Zoc(2)", 3), 25));
  EXPECT_EQ(waveformIndex(data, "S-Par/S(1,1)"), -1);
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
