// What the stand-in waveform library keeps of the values a plug-in adds, in
// each of its recording modes.
#include "host/waveform_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

using host::RecordedWaveform;
using host::ValueRecording;
using host::WaveformLibrary;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Puts the library back as every other test expects it.
class Recording : public ::testing::Test {
 protected:
  void TearDown() override {
    WaveformLibrary::instance().setValueRecording(ValueRecording::kAll);
    WaveformLibrary::instance().forgetWaveforms();
  }

  // A waveform of `dataType` built from `chunks` of x values, each added
  // with its own WfX_AddValues call, y being `y` at every point (twice
  // per point for a complex waveform); `newSegmentAfter` chunks go into
  // the first segment, the rest into a second.
  static const RecordedWaveform& build(ValueRecording mode, int dataType,
                                       const std::vector<std::vector<double>>& chunks,
                                       const std::vector<double>& y, size_t newSegmentAfter = SIZE_MAX) {
    WaveformLibrary::instance().setValueRecording(mode);
    WaveformHandle handle = WfX_Create(nullptr, dataType, "f", "Hz", 0, "w", "-", 1);
    size_t next = 0;
    for (size_t c = 0; c < chunks.size(); ++c) {
      if (c == newSegmentAfter) WfX_NextParameterValue(nullptr, handle);
      const std::vector<double>& x = chunks[c];
      size_t yCount = x.size() * (dataType == kDataTypeComplex ? 2 : 1);
      std::vector<double> values(y.begin() + static_cast<std::ptrdiff_t>(next),
                                 y.begin() + static_cast<std::ptrdiff_t>(next + yCount));
      next += yCount;
      WfX_AddValues(nullptr, handle, x.data(), values.data(), static_cast<int>(x.size()));
    }
    WfX_Done(nullptr, handle);
    return *WaveformLibrary::instance().find(handle);
  }
};

TEST_F(Recording, ExtentsKeepTheShapeButNoValues) {
  const RecordedWaveform& waveform =
      build(ValueRecording::kExtents, kDataTypeReal, {{3, 1, 2}, {7, 5}}, {50, 50, 50, 50, 50});
  ASSERT_EQ(waveform.segments.size(), 1u);
  const host::RecordedSegment& segment = waveform.segments[0];
  EXPECT_EQ(segment.points, 5u);
  EXPECT_TRUE(segment.x.empty());
  EXPECT_TRUE(segment.y.empty());
  EXPECT_EQ(segment.lowX, 1.0);
  EXPECT_EQ(segment.highX, 7.0);
  EXPECT_TRUE(waveform.ySummary.any);
  EXPECT_EQ(waveform.ySummary.first, 50.0);
  EXPECT_FALSE(waveform.ySummary.varies);
}

TEST_F(Recording, CountsKeepPointsAlone) {
  const RecordedWaveform& waveform = build(ValueRecording::kCounts, kDataTypeReal, {{3, 1}}, {1, 2});
  const host::RecordedSegment& segment = waveform.segments.at(0);
  EXPECT_EQ(segment.points, 2u);
  EXPECT_TRUE(segment.x.empty());
  EXPECT_TRUE(std::isnan(segment.lowX));
  EXPECT_TRUE(std::isnan(segment.highX));
  EXPECT_FALSE(waveform.ySummary.any);
}

// Every mode but counts alone gives the same shape as the values it keeps
// or drops: each segment's own extent, and one summary of y over all.
class EveryKeepingMode : public Recording, public ::testing::WithParamInterface<ValueRecording> {};

TEST_P(EveryKeepingMode, EachSegmentHasItsOwnExtent) {
  const RecordedWaveform& waveform =
      build(GetParam(), kDataTypeReal, {{1, 2}, {10, 30, 20}}, {75, 75, 75, 75, 75}, 1);
  ASSERT_EQ(waveform.segments.size(), 2u);
  EXPECT_EQ(waveform.segments[0].points, 2u);
  EXPECT_EQ(waveform.segments[0].lowX, 1.0);
  EXPECT_EQ(waveform.segments[0].highX, 2.0);
  EXPECT_EQ(waveform.segments[1].points, 3u);
  EXPECT_EQ(waveform.segments[1].lowX, 10.0);
  EXPECT_EQ(waveform.segments[1].highX, 30.0);
  EXPECT_EQ(waveform.ySummary.first, 75.0);
  EXPECT_FALSE(waveform.ySummary.varies);
}

TEST_P(EveryKeepingMode, AChangeInAnyLaterSegmentVaries) {
  const RecordedWaveform& waveform = build(GetParam(), kDataTypeReal, {{1, 2}, {1, 2}}, {50, 50, 50, 51}, 1);
  EXPECT_EQ(waveform.ySummary.first, 50.0);
  EXPECT_TRUE(waveform.ySummary.varies);
}

TEST_P(EveryKeepingMode, ComplexValuesCountBothParts) {
  const RecordedWaveform& waveform = build(GetParam(), kDataTypeComplex, {{1, 2}}, {0.5, 0, 0.5, 0});
  EXPECT_EQ(waveform.segments.at(0).points, 2u);
  EXPECT_EQ(waveform.ySummary.first, 0.5);
  EXPECT_TRUE(waveform.ySummary.varies) << "the imaginary parts differ from the first real part";
}

// An x that is no number widens nothing; a segment of such values alone
// has no extent.
TEST_P(EveryKeepingMode, XThatIsNoNumberIsLeftOut) {
  const RecordedWaveform& waveform =
      build(GetParam(), kDataTypeReal, {{kNaN, 4, 2}, {kNaN}}, {1, 1, 1, 1}, 1);
  EXPECT_EQ(waveform.segments.at(0).lowX, 2.0);
  EXPECT_EQ(waveform.segments.at(0).highX, 4.0);
  EXPECT_EQ(waveform.segments.at(1).points, 1u);
  EXPECT_TRUE(std::isnan(waveform.segments.at(1).lowX));
  EXPECT_TRUE(std::isnan(waveform.segments.at(1).highX));
}

// A y that is no number differs from every other value, itself included.
TEST_P(EveryKeepingMode, YThatIsNoNumberVaries) {
  const RecordedWaveform& single = build(GetParam(), kDataTypeReal, {{1}}, {kNaN});
  EXPECT_FALSE(single.ySummary.varies);
  const RecordedWaveform& twice = build(GetParam(), kDataTypeReal, {{1, 2}}, {kNaN, kNaN});
  EXPECT_TRUE(twice.ySummary.varies);
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryKeepingMode,
                         ::testing::Values(ValueRecording::kAll, ValueRecording::kExtents),
                         [](const auto& testCase) {
                           return std::string(testCase.param == ValueRecording::kAll ? "All" : "Extents");
                         });

TEST_F(Recording, AllKeepsEveryValue) {
  const RecordedWaveform& waveform =
      build(ValueRecording::kAll, kDataTypeComplex, {{1}, {2}}, {0.1, 0.2, 0.3, 0.4});
  EXPECT_EQ(waveform.segments.at(0).x, (std::vector<double>{1, 2}));
  EXPECT_EQ(waveform.segments.at(0).y, (std::vector<double>{0.1, 0.2, 0.3, 0.4}));
}

// Two waveforms recorded one after the other: the second keeps the first's
// x values, not a copy, wherever a segment's values are the same bit for
// bit, and appending to shared values leaves the other waveform's alone.
struct SharedXCase {
  const char* name;
  std::vector<std::vector<double>> firstChunks;
  std::vector<std::vector<double>> secondChunks;
  size_t newSegmentAfter;
  std::vector<bool> shared;  // per segment of the second waveform
};

class SharedX : public Recording, public ::testing::WithParamInterface<SharedXCase> {};

// The values of segment `s` of a waveform built from `chunks`.
std::vector<double> segmentValues(const std::vector<std::vector<double>>& chunks, size_t newSegmentAfter,
                                  size_t s) {
  std::vector<double> values;
  for (size_t c = 0; c < chunks.size(); ++c) {
    if ((c >= newSegmentAfter ? 1u : 0u) == s)
      values.insert(values.end(), chunks[c].begin(), chunks[c].end());
  }
  return values;
}

// Frequencies 0, 1, ... of `count` points, the last one `last`: more than
// the library compares and copies on one thread.
std::vector<double> manyPoints(size_t count, double last) {
  std::vector<double> values(count);
  for (size_t i = 0; i < count; ++i) values[i] = static_cast<double>(i);
  values.back() = last;
  return values;
}

TEST_P(SharedX, KeepsEqualValuesOnce) {
  const SharedXCase& row = GetParam();
  // A value of each point its own, which the recorded y must hold in order.
  auto yFor = [](const std::vector<std::vector<double>>& chunks) {
    size_t points = 0;
    for (const auto& chunk : chunks) points += chunk.size();
    return manyPoints(points, -1.0);
  };
  const RecordedWaveform& first =
      build(ValueRecording::kAll, kDataTypeReal, row.firstChunks, yFor(row.firstChunks), row.newSegmentAfter);
  const RecordedWaveform& second = build(ValueRecording::kAll, kDataTypeReal, row.secondChunks,
                                         yFor(row.secondChunks), row.newSegmentAfter);
  ASSERT_EQ(second.segments.size(), row.shared.size());
  for (size_t s = 0; s < row.shared.size(); ++s) {
    const std::vector<double> firstValues = segmentValues(row.firstChunks, row.newSegmentAfter, s);
    const std::vector<double> secondValues = segmentValues(row.secondChunks, row.newSegmentAfter, s);
    EXPECT_EQ(second.segments[s].x.sharedWith(first.segments[s].x), row.shared[s]) << "segment " << s;
    ASSERT_EQ(first.segments[s].x.size(), firstValues.size());
    ASSERT_EQ(second.segments[s].x.size(), secondValues.size());
    EXPECT_EQ(
        std::memcmp(first.segments[s].x.data(), firstValues.data(), firstValues.size() * sizeof(double)), 0)
        << "segment " << s;
    EXPECT_EQ(
        std::memcmp(second.segments[s].x.data(), secondValues.data(), secondValues.size() * sizeof(double)),
        0)
        << "segment " << s;
    // A shared segment's extent is that of its values all the same.
    double low = kNaN;
    double high = kNaN;
    for (double value : secondValues) {
      if (std::isnan(value)) continue;
      if (std::isnan(low) || value < low) low = value;
      if (std::isnan(high) || value > high) high = value;
    }
    EXPECT_EQ(second.segments[s].lowX, low) << "segment " << s;
    EXPECT_EQ(second.segments[s].highX, high) << "segment " << s;
  }
  std::vector<double> y;
  for (const host::RecordedSegment& segment : second.segments)
    y.insert(y.end(), segment.y.begin(), segment.y.end());
  EXPECT_EQ(y, yFor(row.secondChunks));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SharedX,
    ::testing::Values(
        SharedXCase{"Same", {{1, 2, 3}}, {{1, 2, 3}}, SIZE_MAX, {true}},
        SharedXCase{"OneValueDiffers", {{1, 2, 3}}, {{1, 2, 4}}, SIZE_MAX, {false}},
        SharedXCase{"ZeroAndMinusZero", {{0.0, 1}}, {{-0.0, 1}}, SIZE_MAX, {false}},
        SharedXCase{"NoNumberMatchesItself", {{kNaN, 1}}, {{kNaN, 1}}, SIZE_MAX, {true}},
        SharedXCase{"AppendedAfterSharing", {{1, 2}}, {{1, 2}, {3}}, SIZE_MAX, {false}},
        SharedXCase{"FewerValues", {{1, 2, 3}}, {{1, 2}}, SIZE_MAX, {false}},
        SharedXCase{"EachSegment", {{1, 2}, {3, 4}}, {{1, 2}, {3, 5}}, 1, {true, false}},
        SharedXCase{"ManySame", {manyPoints(300000, 1e9)}, {manyPoints(300000, 1e9)}, SIZE_MAX, {true}},
        SharedXCase{
            "ManyButTheLast", {manyPoints(300000, 1e9)}, {manyPoints(300000, 2e9)}, SIZE_MAX, {false}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace korvel::testing
