// The callbacks through the built plug-in on the bundled example files, as
// the viewer drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "dataset/data_set.h"
#include "hand_built_file.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

using host::RecordedWaveform;
using host::WaveformLibrary;

class ExampleFile : public ::testing::Test {
 protected:
  void SetUp() override { resetWaveformLibrary(); }
  void TearDown() override { resetWaveformLibrary(); }

  std::unique_ptr<host::OpenedFile> open(const std::string& example) {
    int result = -1;
    auto file = openThroughHost(examplePath(example), &result);
    EXPECT_EQ(result, 0) << example;
    return file;
  }

  const RecordedWaveform* load(host::OpenedFile& file, const std::string& name) {
    WaveformHandle handle = nullptr;
    EXPECT_EQ(file.loadWaveform(name, &handle), 0) << name;
    return handle != nullptr ? WaveformLibrary::instance().find(handle) : nullptr;
  }
};

class EveryExample : public ExampleFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(EveryExample, CatalogueHoldsEveryStoredNameOnceAndEachLoads) {
  auto file = open(GetParam());
  ASSERT_NE(file, nullptr);
  std::vector<std::string> names = file->catalogue();
  EXPECT_EQ(std::to_string(names.size()), file->fileProperty("-nwaveforms").text);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "no name twice";
  std::vector<WaveformHandle> handles;
  EXPECT_EQ(file->loadWaveformList(names, &handles), 0);
  ASSERT_EQ(handles.size(), names.size());
  int segments = std::stoi(file->fileProperty("-nsegments").text);
  for (size_t i = 0; i < names.size(); ++i) {
    const RecordedWaveform* waveform = WaveformLibrary::instance().find(handles[i]);
    ASSERT_NE(waveform, nullptr) << names[i];
    EXPECT_TRUE(waveform->done);
    EXPECT_EQ(waveform->yName, names[i]);
    EXPECT_EQ(waveform->isComplex() ? "complex" : "real", file->waveformProperty(names[i], "-datatype").text);
    int expectedSegments = waveform->parameters.empty() ? 1 : segments;
    EXPECT_EQ(static_cast<int>(waveform->segments.size()), expectedSegments) << names[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, EveryExample,
                         ::testing::Values("amp.s2p", "diff_pair.s4p", "balanced_filter.sc", "lna_sweep.sc"),
                         [](const auto& testCase) { return testNameOf(testCase.param); });

TEST_F(ExampleFile, TwoPortWithNoiseListsTwentySevenNamesInViewerOrder) {
  auto file = open("amp.s2p");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->fileProperty("-waveforms").text,
            "S-Par/S(1,1) S-Par/S(1,2) S-Par/S(2,1) S-Par/S(2,2) "
            "Y-Par/Y(1,1) Y-Par/Y(1,2) Y-Par/Y(2,1) Y-Par/Y(2,2) "
            "Gain-Par/Gas Gain-Par/Gmax Gain-Par/Gmsg Gain-Par/K "
            "Noise-Par/GammaOpt Noise-Par/NF Noise-Par/NFmin Noise-Par/Rn Noise-Par/Ycor "
            "Noise-Par/Zcor Noise-Par/Zopt Noise-Par/in^2 Noise-Par/vn^2 "
            "Z-Par/Z(1,1) Z-Par/Z(1,2) Z-Par/Z(2,1) Z-Par/Z(2,2) Zo/Zo(1) Zo/Zo(2)");
  EXPECT_EQ(file->fileProperty("-nwaveforms").text, "27");
  EXPECT_EQ(file->fileProperty("-design").text, "amp");
  EXPECT_EQ(file->fileProperty("-filenames").text, examplePath("amp.s2p"));
}

TEST_F(ExampleFile, ScatteringParameterArrivesAsReadFromTheFile) {
  auto file = open("amp.s2p");
  ASSERT_NE(file, nullptr);
  const RecordedWaveform* s21 = load(*file, "S-Par/S(2,1)");
  ASSERT_NE(s21, nullptr);
  EXPECT_TRUE(s21->isComplex());
  EXPECT_EQ(s21->yUnit, "-");
  ASSERT_EQ(s21->properties.size(), 2u);
  EXPECT_EQ(s21->properties[0].value, "db(y)");
  EXPECT_EQ(s21->properties[1].value, "real(x)");
  const auto& segment = s21->segments.at(0);
  ASSERT_EQ(segment.x.size(), 12u);
  // First line: 0.5 GHz, |S21| 5.325 at 153 degrees.
  EXPECT_DOUBLE_EQ(segment.x[0], 0.5e9);
  EXPECT_NEAR(std::hypot(segment.y[0], segment.y[1]), 5.325, 1e-12);
  EXPECT_NEAR(std::atan2(segment.y[1], segment.y[0]) * 180 / 3.141592653589793, 153.0, 1e-9);
}

TEST_F(ExampleFile, TouchstoneNoiseUsesTheNoiseGrid) {
  auto file = open("amp.s2p");
  ASSERT_NE(file, nullptr);
  const auto* data = static_cast<const DataSet*>(file->dataSet());
  std::vector<double> noiseGrid(data->noiseFrequencies, data->noiseFrequencies + data->noisePointCount);
  for (const char* name : {"Noise-Par/NF", "Noise-Par/NFmin", "Noise-Par/GammaOpt"}) {
    const RecordedWaveform* waveform = load(*file, name);
    ASSERT_NE(waveform, nullptr);
    EXPECT_EQ(waveform->segments.at(0).x, noiseGrid) << name;
  }
  const RecordedWaveform* nf = WaveformLibrary::instance().waveforms().at(0).get();
  EXPECT_EQ(nf->yUnit, "NF");
  // NFmin of the first noise line is 0.335 dB, held as a linear factor.
  const RecordedWaveform* nfmin = WaveformLibrary::instance().waveforms().at(1).get();
  EXPECT_NEAR(nfmin->segments.at(0).y.at(0), std::pow(10.0, 0.335 / 10), 1e-9);
}

TEST_F(ExampleFile, TwoSweepParametersGiveSixSegments) {
  auto file = open("lna_sweep.sc");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->fileProperty("-nseg").text, "6");
  const RecordedWaveform* s11 = load(*file, "S-Par/S(1,1)");
  ASSERT_NE(s11, nullptr);
  ASSERT_EQ(s11->parameters.size(), 2u);
  EXPECT_EQ(s11->parameters[0].name, "temp");
  EXPECT_EQ(s11->parameters[0].count, 2);
  EXPECT_EQ(s11->parameters[0].values, std::vector<double>({-40, 85}));
  EXPECT_EQ(s11->parameters[1].name, "vdd");
  EXPECT_EQ(s11->parameters[1].count, 3);
  EXPECT_EQ(s11->parameters[1].values, std::vector<double>({2.7, 3.0, 3.3}));
  EXPECT_EQ(s11->segments.size(), 6u);
  EXPECT_EQ(std::count(s11->calls.begin(), s11->calls.end(), "NextParameterValue"), 5);
  EXPECT_EQ(std::count(s11->calls.begin(), s11->calls.end(), "AddValues"), 6);
  for (const auto& segment : s11->segments) EXPECT_EQ(segment.points, 4u);
}

TEST_F(ExampleFile, ReferenceImpedanceSegmentsHoldTwoPoints) {
  auto file = open("lna_sweep.sc");
  ASSERT_NE(file, nullptr);
  const RecordedWaveform* zo = load(*file, "Zo/Zo(1)");
  ASSERT_NE(zo, nullptr);
  ASSERT_EQ(zo->segments.size(), 6u);
  for (const auto& segment : zo->segments) {
    EXPECT_EQ(segment.x, std::vector<double>({5e8, 2e9}));
    EXPECT_EQ(segment.y, std::vector<double>({50, 50}));
  }
}

TEST_F(ExampleFile, ScGroupDelayEndsTheCatalogue) {
  auto file = open("lna_sweep.sc");
  ASSERT_NE(file, nullptr);
  std::string catalogue = file->fileProperty("-waveforms").text;
  const std::string tail = " GroupDelay/GD(1,1) GroupDelay/GD(1,2) GroupDelay/GD(2,1) GroupDelay/GD(2,2)";
  ASSERT_GE(catalogue.size(), tail.size());
  EXPECT_EQ(catalogue.substr(catalogue.size() - tail.size()), tail);
  const RecordedWaveform* delay = load(*file, "GroupDelay/GD(2,1)");
  ASSERT_NE(delay, nullptr);
  EXPECT_FALSE(delay->isComplex());
  EXPECT_EQ(delay->yUnit, "s");
  EXPECT_DOUBLE_EQ(delay->segments.at(0).y.at(0), 2.6180e-10);
}

TEST_F(ExampleFile, ScNoiseUsesTheMainGrid) {
  auto file = open("lna_sweep.sc");
  ASSERT_NE(file, nullptr);
  const RecordedWaveform* nf = load(*file, "Noise-Par/NF");
  ASSERT_NE(nf, nullptr);
  ASSERT_EQ(nf->segments.size(), 6u);
  EXPECT_EQ(nf->segments[0].x, std::vector<double>({5e8, 1e9, 1.5e9, 2e9}));
}

TEST_F(ExampleFile, MixedModeNamesFollowTheTerminals) {
  auto file = open("diff_pair.s4p");
  ASSERT_NE(file, nullptr);
  std::vector<std::string> names = file->catalogue();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "S-Par/Sdd(1,1)");
  EXPECT_EQ(names.back(), "Zo/Zoc(2)");
  EXPECT_EQ(file->waveformProperty("Y-Par/Ycd(2,1)", "-datatype").text, "complex");
}

TEST_F(ExampleFile, LoadedWaveformStaysInCatalogueAndAnswers) {
  auto file = open("amp.s2p");
  ASSERT_NE(file, nullptr);
  ASSERT_NE(load(*file, "Gain-Par/K"), nullptr);
  WaveformHandle again = reinterpret_cast<WaveformHandle>(0x1);
  EXPECT_EQ(file->loadWaveform("Gain-Par/K", &again), 1);
  EXPECT_EQ(again, nullptr);
  std::vector<std::string> names = file->catalogue();
  EXPECT_NE(std::find(names.begin(), names.end(), "Gain-Par/K"), names.end());
  EXPECT_EQ(file->waveformProperty("Gain-Par/K", "-datatype").text, "real");
}

}  // namespace
}  // namespace korvel::testing
