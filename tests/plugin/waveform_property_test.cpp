// The waveform property callback and the name lookup behind it.
#include <gtest/gtest.h>

#include "hand_built_file.h"
#include "plugin/waveform_kind.h"
#include "plugin/waveform_lookup.h"

namespace korvel::testing {
namespace {

FileShape twoPortWithNoiseAndGroupDelay() {
  FileShape shape;
  shape.ports = 2;
  shape.noise = true;
  shape.groupDelay = true;
  shape.sc = true;
  shape.sweeps = {{1, 2}};
  return shape;
}

struct LookupCase {
  const char* request;
  int index;
};

class LookupTest : public ::testing::TestWithParam<LookupCase> {};

// Stored order: S 0-3, Zo 4-5, Z 6-9, Y 10-13, Gmax K Gmsg 14-16, NFmin
// GammaOpt Rn Zopt vn^2 in^2 Zcor Ycor NF 17-25, Gas 26, GD 27-30.
TEST_P(LookupTest, FindsFirstStoredNameThatLeadsTheRequest) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  EXPECT_EQ(findWaveformIndex(file.data(), GetParam().request), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Names, LookupTest,
                         ::testing::Values(LookupCase{"S-Par/S(1,1)", 0}, LookupCase{"S-Par/S(2,1)", 2},
                                           LookupCase{"Zo/Zo(2)", 5}, LookupCase{"Noise-Par/NFmin", 17},
                                           LookupCase{"Noise-Par/NF", 25}, LookupCase{"Noise-Par/NFx", 25},
                                           LookupCase{"Noise-Par/N", -1}, LookupCase{"Gain-Par/Gas", 26},
                                           LookupCase{"Gain-Par/K", 15}, LookupCase{"GroupDelay/GD(2,2)", 30},
                                           LookupCase{"S-Par/S(1,2)x", 1}, LookupCase{"S-Par/S(1,", -1},
                                           LookupCase{"s-par/S(1,1)", -1}, LookupCase{"", -1},
                                           LookupCase{" ", -1}, LookupCase{"S-Par/S(1,1) Zo/Zo(1)", 0}),
                         [](const auto& testCase) { return testNameOf(testCase.param.request); });

TEST(Lookup, NullArgumentsAndEmptyListFindNothing) {
  HandBuiltFile file(FileShape{});
  EXPECT_EQ(findWaveformIndex(file.data(), nullptr), -1);
  EXPECT_EQ(findWaveformIndex(nullptr, "S-Par/S(1,1)"), -1);
  Tcl_DStringSetLength(&file.data()->waveformNames, 0);
  Tcl_DStringAppend(&file.data()->waveformNames, "   ", -1);
  EXPECT_EQ(findWaveformIndex(file.data(), "S-Par/S(1,1)"), -1);
}

struct DataTypeCase {
  const char* name;
  const char* datatype;
};

class DataTypeTest : public ::testing::TestWithParam<DataTypeCase> {};

TEST_P(DataTypeTest, FollowsTheNameRule) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  DirectAnswer answer = askWaveformProperty(file.handle(), GetParam().name, "-datatype");
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.text, GetParam().datatype);
  EXPECT_EQ(isRealTyped(GetParam().name), std::string(GetParam().datatype) == "real");
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataTypeTest,
    ::testing::Values(DataTypeCase{"S-Par/S(1,2)", "complex"}, DataTypeCase{"Y-Par/Y(2,1)", "complex"},
                      DataTypeCase{"Z-Par/Z(1,1)", "complex"}, DataTypeCase{"Noise-Par/GammaOpt", "complex"},
                      DataTypeCase{"Noise-Par/Zopt", "complex"}, DataTypeCase{"Noise-Par/Zcor", "complex"},
                      DataTypeCase{"Noise-Par/Ycor", "complex"}, DataTypeCase{"Zo/Zo(1)", "real"},
                      DataTypeCase{"Gain-Par/Gmax", "real"}, DataTypeCase{"Gain-Par/Gmsg", "real"},
                      DataTypeCase{"Gain-Par/Gas", "real"}, DataTypeCase{"Gain-Par/K", "real"},
                      DataTypeCase{"Noise-Par/NF", "real"}, DataTypeCase{"Noise-Par/NFmin", "real"},
                      DataTypeCase{"Noise-Par/Rn", "real"}, DataTypeCase{"Noise-Par/in^2", "real"},
                      DataTypeCase{"Noise-Par/vn^2", "real"}, DataTypeCase{"GroupDelay/GD(1,2)", "real"},
                      // The complex items count anywhere in the request.
                      DataTypeCase{"Gain-Par/KZopt", "complex"}),
    [](const auto& testCase) { return testNameOf(testCase.param.name); });

struct WaveformOptionCase {
  const char* option;
  const char* answer;
};

class WaveformOptionTest : public ::testing::TestWithParam<WaveformOptionCase> {};

TEST_P(WaveformOptionTest, ComparesThreeCharacters) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  DirectAnswer answer = askWaveformProperty(file.handle(), "Gain-Par/Gmax", GetParam().option);
  EXPECT_EQ(answer.result, 0);
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(answer.resultKind, 7);
  EXPECT_EQ(answer.text, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Options, WaveformOptionTest,
    ::testing::Values(
        WaveformOptionCase{"-datatype", "real"}, WaveformOptionCase{"-da", "real"},
        WaveformOptionCase{"-d", ""}, WaveformOptionCase{"-got_xaxis", "1"}, WaveformOptionCase{"-go", "1"},
        WaveformOptionCase{"-nsegments", "2"}, WaveformOptionCase{"-ns", "2"}, WaveformOptionCase{"-n", ""},
        WaveformOptionCase{"-nw", ""}, WaveformOptionCase{"-wftype", ""}, WaveformOptionCase{"-xname", "f"},
        WaveformOptionCase{"-xn", "f"}, WaveformOptionCase{"-xunit", "Hz"}, WaveformOptionCase{"-xu", "Hz"},
        WaveformOptionCase{"-xs", "linear"}, WaveformOptionCase{"-x", ""}, WaveformOptionCase{"-xq", ""},
        WaveformOptionCase{"-yname", "Gain-Par/Gmax"}, WaveformOptionCase{"-yn", "Gain-Par/Gmax"},
        WaveformOptionCase{"-yunit", "-"}, WaveformOptionCase{"-yscale", "linear"},
        WaveformOptionCase{"-y", ""}, WaveformOptionCase{"-q", ""}),
    [](const auto& testCase) { return testNameOf(testCase.param.option); });

TEST(WaveformProperty, YNameIsTheRequestAsPassed) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  DirectAnswer answer = askWaveformProperty(file.handle(), "S-Par/S(1,2)x", "-yname");
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.text, "S-Par/S(1,2)x");
}

TEST(WaveformProperty, MalformedOptionLeavesRecordUntouched) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  for (const char* option : {"", "-", "x", "xname"}) {
    DirectAnswer answer = askWaveformProperty(file.handle(), "S-Par/S(1,1)", option);
    EXPECT_EQ(answer.result, 1) << option;
    EXPECT_FALSE(answer.answered) << option;
    EXPECT_EQ(answer.resultKind, -1) << option;
  }
  EXPECT_EQ(askWaveformProperty(file.handle(), "S-Par/S(1,1)", nullptr).result, 1);
}

TEST(WaveformProperty, UnknownNameIsRefusedWithEmptyUnmarkedAnswer) {
  HandBuiltFile file(twoPortWithNoiseAndGroupDelay());
  for (const char* name : {"", "S-Par/S(3,3)", "Noise-Par/N", "Q"}) {
    for (const char* option : {"-datatype", "-q", "-x"}) {
      DirectAnswer answer = askWaveformProperty(file.handle(), name, option);
      EXPECT_EQ(answer.result, 1) << name << " " << option;
      EXPECT_TRUE(answer.answered);
      EXPECT_EQ(answer.text, "");
      EXPECT_EQ(answer.resultKind, -1);
    }
  }
  EXPECT_EQ(askWaveformProperty(file.handle(), nullptr, "-datatype").result, 1);
}

}  // namespace
}  // namespace korvel::testing
