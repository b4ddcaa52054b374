// The waveform names stand exactly where the network layout places the
// entries the readers and the calculation use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/waveform_names.h"
#include "host/plugin_host.h"

namespace korvel {
namespace {

struct Shape {
  int terminals;
  int ports;
  int hasNoise;
  int hasGroupDelay;
};

class NamesFollowLayout : public ::testing::TestWithParam<Shape> {};

// Names appended in the readers' order, as a list.
std::vector<std::string> namesOf(DataSet* data) {
  appendNetworkNames(data);
  if (data->hasNoise != 0) {
    appendNoiseNames(data);
    if (data->portCount == 2) appendAvailableGainName(data);
  }
  if (data->hasGroupDelay != 0) appendGroupDelayNames(data);
  std::vector<std::string> list;
  EXPECT_TRUE(host::splitTclList(Tcl_DStringValue(&data->waveformNames), &list));
  return list;
}

TEST_P(NamesFollowLayout, AtEveryEntry) {
  const Shape shape = GetParam();
  DataSet* data = createDataSet("none.sc0", nullptr);
  data->terminalCount = shape.terminals;
  data->portCount = shape.ports;
  data->hasNoise = shape.hasNoise;
  data->hasGroupDelay = shape.hasGroupDelay;
  const std::vector<std::string> names = namesOf(data);
  const NetworkLayout layout = networkLayout(*data);
  const size_t n = static_cast<size_t>(shape.terminals);

  EXPECT_EQ(names.size(), layout.entryCount());
  EXPECT_EQ(names[layout.scatteringEntry(n - 1, 0)], "S-Par/S(" + std::to_string(n) + ",1)");
  EXPECT_EQ(names[layout.zo(0)], "Zo/Zo(1)");
  EXPECT_EQ(names[layout.zo(n - 1)], "Zo/Zo(" + std::to_string(n) + ")");
  EXPECT_EQ(names[layout.zBase], "Z-Par/Z(1,1)");
  EXPECT_EQ(names[layout.yBase], "Y-Par/Y(1,1)");
  if (shape.ports == 2) {
    EXPECT_EQ(names[layout.gainBase + kMaximumGain], "Gain-Par/Gmax");
    EXPECT_EQ(names[layout.gainBase + kMaximumStableGain], "Gain-Par/Gmsg");
  }
  EXPECT_EQ(static_cast<size_t>(noiseBaseIndex(*data)), layout.noiseBase);
  if (shape.hasNoise != 0) {
    EXPECT_EQ(names[layout.noise(kMinimumNoiseFigure)], "Noise-Par/NFmin");
    EXPECT_EQ(names[layout.noise(kOptimumReflection)], "Noise-Par/GammaOpt");
    EXPECT_EQ(names[layout.noise(kNoiseResistance)], "Noise-Par/Rn");
    EXPECT_EQ(names[layout.noise(kNoiseFactor)], "Noise-Par/NF");
    if (shape.ports == 2) {
      EXPECT_EQ(names[layout.availableGain()], "Gain-Par/Gas");
    }
  }
  if (shape.hasGroupDelay != 0) {
    EXPECT_EQ(names[layout.groupDelayBase()], "GroupDelay/GD(1,1)");
    EXPECT_EQ(names.back(), "GroupDelay/GD(" + std::to_string(n) + "," + std::to_string(n) + ")");
  }
  releaseDataSet(data);
}

INSTANTIATE_TEST_SUITE_P(Shapes, NamesFollowLayout,
                         ::testing::Values(Shape{1, 1, 0, 0}, Shape{1, 1, 1, 1}, Shape{2, 2, 0, 0},
                                           Shape{2, 2, 1, 0}, Shape{2, 2, 0, 1}, Shape{2, 2, 1, 1},
                                           Shape{3, 3, 1, 1}, Shape{4, 2, 1, 1}, Shape{4, 4, 0, 1}));

}  // namespace
}  // namespace korvel
