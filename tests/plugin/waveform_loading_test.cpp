// The loading callbacks: what the host's waveform builder receives.
#include <gtest/gtest.h>

#include "hand_built_file.h"
#include "plugin/callbacks.h"
#include "plugin/waveform_lookup.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

using host::BuilderFunction;
using host::RecordedWaveform;
using host::WaveformLibrary;

class Loading : public ::testing::Test {
 protected:
  void SetUp() override { resetWaveformLibrary(); }
  void TearDown() override { resetWaveformLibrary(); }
};

std::string hintsOf(const RecordedWaveform& waveform) {
  std::string text;
  for (const auto& property : waveform.properties) {
    if (!text.empty()) text += " ";
    text += std::to_string(property.code) + "=" + property.value;
  }
  return text;
}

FileShape scTwoPortWithEverything() {
  FileShape shape;
  shape.ports = 2;
  shape.noise = true;
  shape.groupDelay = true;
  shape.sc = true;
  return shape;
}

struct PresentationCase {
  const char* name;
  int dataType;
  const char* yUnit;
  const char* hints;
};

class PresentationTest : public Loading, public ::testing::WithParamInterface<PresentationCase> {};

TEST_P(PresentationTest, CreatesWithUnitAndDisplayHints) {
  HandBuiltFile file(scTwoPortWithEverything());
  int result = -1;
  const RecordedWaveform* waveform = loadDirectly(file.handle(), GetParam().name, &result);
  ASSERT_EQ(result, 0);
  ASSERT_NE(waveform, nullptr);
  EXPECT_EQ(waveform->dataType, GetParam().dataType);
  EXPECT_EQ(waveform->xName, "f");
  EXPECT_EQ(waveform->xUnit, "Hz");
  EXPECT_EQ(waveform->xFlag, 0);
  EXPECT_EQ(waveform->yName, GetParam().name);
  EXPECT_EQ(waveform->yUnit, GetParam().yUnit);
  EXPECT_EQ(waveform->yFlag, 1);
  EXPECT_EQ(hintsOf(*waveform), GetParam().hints);
  EXPECT_FALSE(waveform->done) << "the host finishes a single load itself";
}

INSTANTIATE_TEST_SUITE_P(
    Names, PresentationTest,
    ::testing::Values(
        PresentationCase{"S-Par/S(2,1)", 4, "-", "3=db(y) 2=real(x)"},
        PresentationCase{"Y-Par/Y(1,2)", 4, "Siemens", "3=imag(y) real(y)"},
        PresentationCase{"Z-Par/Z(2,2)", 4, "Ohms", "3=imag(y) real(y)"},
        PresentationCase{"Zo/Zo(1)", 1, "Ohms", ""},
        PresentationCase{"Gain-Par/Gmax", 1, "Gain", "1=1 3=db(y)"},
        PresentationCase{"Gain-Par/Gmsg", 1, "Gain", "1=1 3=db(y)"},
        PresentationCase{"Gain-Par/Gas", 1, "Gain", "1=1 3=db(y)"},
        PresentationCase{"Gain-Par/K", 1, "-", ""}, PresentationCase{"Noise-Par/NF", 1, "NF", "1=1 3=db(y)"},
        PresentationCase{"Noise-Par/NFmin", 1, "NF", "1=1 3=db(y)"},
        PresentationCase{"Noise-Par/Rn", 1, "Ohms", ""},
        PresentationCase{"Noise-Par/Zopt", 4, "Ohms", "3=imag(y) real(y)"},
        PresentationCase{"Noise-Par/Zcor", 4, "Ohms", "3=imag(y) real(y)"},
        PresentationCase{"Noise-Par/Ycor", 4, "Siemens", "3=imag(y) real(y)"},
        PresentationCase{"Noise-Par/GammaOpt", 4, "-", ""}, PresentationCase{"Noise-Par/in^2", 1, "A^2", ""},
        PresentationCase{"Noise-Par/vn^2", 1, "V^2", ""}, PresentationCase{"GroupDelay/GD(1,2)", 1, "s", ""}),
    [](const auto& testCase) { return testNameOf(testCase.param.name); });

TEST_F(Loading, ComplexSamplesArePassedWholeAndThenReleased) {
  FileShape shape;
  shape.points = 3;
  HandBuiltFile file(shape);
  int index = findWaveformIndex(file.data(), "S-Par/S(2,1)");
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "S-Par/S(2,1)");
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->segments.size(), 1u);
  const auto& segment = waveform->segments[0];
  ASSERT_EQ(segment.x.size(), 3u);
  ASSERT_EQ(segment.y.size(), 6u);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(segment.x[p], HandBuiltFile::frequency(0, p));
    EXPECT_EQ(segment.y[2 * p], HandBuiltFile::realPart(index, 0, p));
    EXPECT_EQ(segment.y[2 * p + 1], HandBuiltFile::imaginaryPart(index, 0, p));
  }
  EXPECT_EQ(file.data()->waveformData[index], nullptr);
  EXPECT_EQ(waveform->calls, std::vector<std::string>({"SetWfProp", "SetWfProp", "AddValues"}));
}

TEST_F(Loading, RealTypedWaveformsReceiveRealParts) {
  FileShape shape;
  shape.points = 3;
  HandBuiltFile file(shape);
  int index = findWaveformIndex(file.data(), "Gain-Par/K");
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Gain-Par/K");
  ASSERT_NE(waveform, nullptr);
  const auto& segment = waveform->segments.at(0);
  ASSERT_EQ(segment.y.size(), 3u);
  for (int p = 0; p < 3; ++p) EXPECT_EQ(segment.y[p], HandBuiltFile::realPart(index, 0, p));
}

struct ImpedanceCase {
  int points;
  int blocks;
};

class ImpedanceTest : public Loading, public ::testing::WithParamInterface<ImpedanceCase> {};

// A file of the shape with `blocks` sweep blocks of `points` points.
FileShape sweptShape(int points, int blocks) {
  FileShape shape;
  shape.points = points;
  for (int b = 0; b < blocks; ++b) {
    if (shape.sweeps.empty()) shape.sweeps.emplace_back();
    shape.sweeps[0].push_back(10.0 * b);
  }
  return shape;
}

TEST_P(ImpedanceTest, ConstantImpedanceSegmentHoldsFirstAndLastPointOfItsBlock) {
  HandBuiltFile file(sweptShape(GetParam().points, GetParam().blocks));
  int index = findWaveformIndex(file.data(), "Zo/Zo(2)");
  // Constant within each block, as a reference given once per file is.
  for (int b = 0; b < GetParam().blocks; ++b) {
    for (int p = 0; p < GetParam().points; ++p) {
      file.data()->waveformData[index][2 * (b * GetParam().points + p)] =
          HandBuiltFile::realPart(index, b, 0);
    }
  }
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Zo/Zo(2)");
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->segments.size(), static_cast<size_t>(GetParam().blocks));
  int last = GetParam().points - 1;
  for (int b = 0; b < GetParam().blocks; ++b) {
    const auto& segment = waveform->segments[b];
    EXPECT_EQ(segment.x,
              std::vector<double>({HandBuiltFile::frequency(b, 0), HandBuiltFile::frequency(b, last)}));
    EXPECT_EQ(segment.y, std::vector<double>(
                             {HandBuiltFile::realPart(index, b, 0), HandBuiltFile::realPart(index, b, 0)}));
  }
}

// An impedance given point by point reaches the host at every point.
TEST_P(ImpedanceTest, VaryingImpedanceSegmentHoldsEveryPoint) {
  HandBuiltFile file(sweptShape(GetParam().points, GetParam().blocks));
  int index = findWaveformIndex(file.data(), "Zo/Zo(2)");
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Zo/Zo(2)");
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->segments.size(), static_cast<size_t>(GetParam().blocks));
  for (int b = 0; b < GetParam().blocks; ++b) {
    const auto& segment = waveform->segments[b];
    std::vector<double> x;
    std::vector<double> y;
    for (int p = 0; p < GetParam().points; ++p) {
      x.push_back(HandBuiltFile::frequency(b, p));
      y.push_back(HandBuiltFile::realPart(index, b, p));
    }
    // A single point is constant: drawn twice, as any constant block.
    if (GetParam().points == 1) {
      x.push_back(x[0]);
      y.push_back(y[0]);
    }
    EXPECT_EQ(segment.x, x);
    EXPECT_EQ(segment.y, y);
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ImpedanceTest,
                         ::testing::Values(ImpedanceCase{201, 3}, ImpedanceCase{1, 2}, ImpedanceCase{5, 1}),
                         [](const auto& testCase) {
                           return std::to_string(testCase.param.points) + "Points" +
                                  std::to_string(testCase.param.blocks) + "Blocks";
                         });

TEST_F(Loading, TwoSweepParametersGiveSixSegments) {
  FileShape shape;
  shape.points = 2;
  shape.sweeps = {{1.5, 2.5}, {10, 20, 30}};
  HandBuiltFile file(shape);
  int index = findWaveformIndex(file.data(), "S-Par/S(1,1)");
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "S-Par/S(1,1)");
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->parameters.size(), 2u);
  EXPECT_EQ(waveform->parameters[0].name, "P1");
  EXPECT_EQ(waveform->parameters[0].unit, "_");
  EXPECT_EQ(waveform->parameters[0].count, 2);
  EXPECT_EQ(waveform->parameters[0].values, std::vector<double>({1.5, 2.5}));
  EXPECT_EQ(waveform->parameters[1].count, 3);
  EXPECT_EQ(waveform->parameters[1].values, std::vector<double>({10, 20, 30}));
  ASSERT_EQ(waveform->segments.size(), 6u);
  for (int b = 0; b < 6; ++b) {
    EXPECT_EQ(waveform->segments[b].x[1], HandBuiltFile::frequency(b, 1));
    EXPECT_EQ(waveform->segments[b].y[2], HandBuiltFile::realPart(index, b, 1));
  }
  std::vector<std::string> calls = {"SetWfProp", "SetWfProp", "AddNumberParameter", "AddNumberParameter"};
  for (int b = 0; b < 6; ++b) {
    calls.push_back("AddValues");
    if (b < 5) calls.push_back("NextParameterValue");
  }
  EXPECT_EQ(waveform->calls, calls);
}

TEST_F(Loading, BlocksWithoutSweepShareOneSegment) {
  FileShape shape;
  shape.points = 2;
  HandBuiltFile file(shape);
  file.data()->blockCount = 1;
  // Two blocks but no sweep parameter: appended one after another.
  std::free(file.data()->frequencies);
  file.data()->frequencies = static_cast<double*>(allocateZeroed(4, sizeof(double)));
  for (int i = 0; i < 4; ++i) file.data()->frequencies[i] = i + 1.0;
  int index = findWaveformIndex(file.data(), "Gain-Par/Gmax");
  std::free(file.data()->waveformData[index]);
  file.data()->waveformData[index] = static_cast<double*>(allocateZeroed(8, sizeof(double)));
  file.data()->blockCount = 2;
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Gain-Par/Gmax");
  ASSERT_NE(waveform, nullptr);
  ASSERT_EQ(waveform->segments.size(), 1u);
  EXPECT_EQ(waveform->segments[0].x, std::vector<double>({1, 2, 3, 4}));
  EXPECT_EQ(std::count(waveform->calls.begin(), waveform->calls.end(), "NextParameterValue"), 0);
}

TEST_F(Loading, TouchstoneNoiseUsesTheNoiseGrid) {
  FileShape shape;
  shape.points = 5;
  shape.noise = true;
  shape.noisePoints = 3;
  shape.availableGain = false;
  HandBuiltFile file(shape);
  int index = findWaveformIndex(file.data(), "Noise-Par/NF");
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Noise-Par/NF");
  ASSERT_NE(waveform, nullptr);
  const auto& segment = waveform->segments.at(0);
  EXPECT_EQ(segment.x,
            std::vector<double>({HandBuiltFile::noiseFrequency(0), HandBuiltFile::noiseFrequency(1),
                                 HandBuiltFile::noiseFrequency(2)}));
  EXPECT_EQ(segment.y,
            std::vector<double>({HandBuiltFile::realPart(index, 0, 0), HandBuiltFile::realPart(index, 0, 1),
                                 HandBuiltFile::realPart(index, 0, 2)}));
  const RecordedWaveform* gamma = loadDirectly(file.handle(), "Noise-Par/GammaOpt");
  ASSERT_NE(gamma, nullptr);
  EXPECT_EQ(gamma->segments.at(0).points, 3u);
}

TEST_F(Loading, ScNoiseUsesTheMainGrid) {
  FileShape shape = scTwoPortWithEverything();
  shape.points = 5;
  HandBuiltFile file(shape);
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "Noise-Par/NF");
  ASSERT_NE(waveform, nullptr);
  EXPECT_EQ(waveform->segments.at(0).x.size(), 5u);
  EXPECT_EQ(waveform->segments.at(0).x[4], HandBuiltFile::frequency(0, 4));
}

TEST_F(Loading, UnknownNameGivesNullHandle) {
  HandBuiltFile file(FileShape{});
  int result = -1;
  EXPECT_EQ(loadDirectly(file.handle(), "S-Par/S(9,9)", &result), nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(loadDirectly(file.handle(), "", &result), nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(WaveformLibrary::instance().waveforms().empty());
}

TEST_F(Loading, SecondLoadIsRefusedButPropertiesStillAnswer) {
  HandBuiltFile file(FileShape{});
  int result = -1;
  ASSERT_NE(loadDirectly(file.handle(), "S-Par/S(1,2)", &result), nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(loadDirectly(file.handle(), "S-Par/S(1,2)", &result), nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(WaveformLibrary::instance().waveforms().size(), 1u) << "nothing is built the second time";
  EXPECT_EQ(askWaveformProperty(file.handle(), "S-Par/S(1,2)", "-datatype").text, "complex");
  std::vector<std::string> catalogue;
  host::splitTclList(askFileProperty(file.handle(), "-waveforms").text, &catalogue);
  EXPECT_NE(std::find(catalogue.begin(), catalogue.end(), "S-Par/S(1,2)"), catalogue.end());
}

struct FailureCase {
  const char* label;
  BuilderFunction function;
  int skip;
  std::vector<std::string> calls;  // after the two SetWfProp calls
};

class EarlyStopTest : public Loading, public ::testing::WithParamInterface<FailureCase> {};

// Two sweep parameters of 2 and 2 values: four blocks.
TEST_P(EarlyStopTest, NoSampleFollowsARefusal) {
  FileShape shape;
  shape.points = 2;
  shape.sweeps = {{1, 2}, {3, 4}};
  HandBuiltFile file(shape);
  int index = findWaveformIndex(file.data(), "S-Par/S(1,1)");
  WaveformLibrary::instance().failCall(GetParam().function, 7, GetParam().skip);
  int result = -1;
  const RecordedWaveform* waveform = loadDirectly(file.handle(), "S-Par/S(1,1)", &result);
  EXPECT_EQ(result, 0);
  ASSERT_NE(waveform, nullptr);
  std::vector<std::string> calls = {"SetWfProp", "SetWfProp"};
  calls.insert(calls.end(), GetParam().calls.begin(), GetParam().calls.end());
  EXPECT_EQ(waveform->calls, calls);
  EXPECT_EQ(file.data()->waveformData[index], nullptr) << "samples are released all the same";
}

const std::string kParam = "AddNumberParameter";
const std::string kValues = "AddValues";
const std::string kNext = "NextParameterValue";

INSTANTIATE_TEST_SUITE_P(
    Refusals, EarlyStopTest,
    ::testing::Values(FailureCase{"FirstParameter", BuilderFunction::kAddNumberParameter, 0, {kParam}},
                      FailureCase{"LastParameter", BuilderFunction::kAddNumberParameter, 1, {kParam, kParam}},
                      FailureCase{"FirstValues", BuilderFunction::kAddValues, 0, {kParam, kParam, kValues}},
                      FailureCase{"ThirdValues",
                                  BuilderFunction::kAddValues,
                                  2,
                                  {kParam, kParam, kValues, kNext, kValues, kNext, kValues}},
                      FailureCase{"SecondNext",
                                  BuilderFunction::kNextParameterValue,
                                  1,
                                  {kParam, kParam, kValues, kNext, kValues, kNext}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(Loading, ListEmptyLoadsNothing) {
  HandBuiltFile file(FileShape{});
  WaveformHandle slot = reinterpret_cast<WaveformHandle>(0x1);
  EXPECT_EQ(callbacks::loadWaveformList(pluginHost().interp(), file.handle(), "", nullptr, &slot), 0);
  EXPECT_EQ(slot, reinterpret_cast<WaveformHandle>(0x1));
  EXPECT_TRUE(WaveformLibrary::instance().waveforms().empty());
}

TEST_F(Loading, ListResultIsThatOfTheLastName) {
  HandBuiltFile file(FileShape{});
  WaveformHandle slots[2] = {reinterpret_cast<WaveformHandle>(0x1), reinterpret_cast<WaveformHandle>(0x1)};
  EXPECT_EQ(callbacks::loadWaveformList(pluginHost().interp(), file.handle(), "S-Par/S(1,1) Absent", nullptr,
                                        slots),
            1);
  ASSERT_NE(slots[0], nullptr);
  EXPECT_TRUE(WaveformLibrary::instance().find(slots[0])->done);
  EXPECT_EQ(slots[1], nullptr);

  EXPECT_EQ(callbacks::loadWaveformList(pluginHost().interp(), file.handle(), "Absent {Gain-Par/K}", nullptr,
                                        slots),
            0);
  EXPECT_EQ(slots[0], nullptr);
  ASSERT_NE(slots[1], nullptr);
  const RecordedWaveform* gain = WaveformLibrary::instance().find(slots[1]);
  EXPECT_TRUE(gain->done);
  EXPECT_EQ(gain->yName, "Gain-Par/K");
}

TEST_F(Loading, UnsplittableListLoadsNothingAndWritesNoSlot) {
  HandBuiltFile file(FileShape{});
  WaveformHandle slot = reinterpret_cast<WaveformHandle>(0x1);
  EXPECT_EQ(
      callbacks::loadWaveformList(pluginHost().interp(), file.handle(), "S-Par/S(1,1) {open", nullptr, &slot),
      TCL_ERROR);
  EXPECT_EQ(slot, reinterpret_cast<WaveformHandle>(0x1));
  EXPECT_TRUE(WaveformLibrary::instance().waveforms().empty());
}

TEST_F(Loading, EveryStoredWaveformLoadsOnceThroughTheList) {
  HandBuiltFile file(scTwoPortWithEverything());
  std::string catalogue = askFileProperty(file.handle(), "-waveforms").text;
  std::vector<WaveformHandle> slots(static_cast<size_t>(file.data()->waveformCount), nullptr);
  EXPECT_EQ(callbacks::loadWaveformList(pluginHost().interp(), file.handle(), catalogue.c_str(), nullptr,
                                        slots.data()),
            0);
  for (WaveformHandle slot : slots) EXPECT_NE(slot, nullptr);
  for (int w = 0; w < file.data()->waveformCount; ++w) EXPECT_EQ(file.data()->waveformData[w], nullptr);
}

}  // namespace
}  // namespace korvel::testing
