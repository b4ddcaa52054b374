// The file property callback: option recognition, the design name and the
// catalogue.
#include <gtest/gtest.h>

#include "hand_built_file.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

struct FileOptionCase {
  const char* option;
  int result;
  const char* answer;  // expected text when the result is 0
};

class FileOptionTest : public ::testing::TestWithParam<FileOptionCase> {};

TEST_P(FileOptionTest, AnswersByLeadingCharacters) {
  FileShape shape;
  shape.path = "/data/amp.s2p";
  shape.sweeps = {{1, 2, 3}};
  HandBuiltFile file(shape);
  DirectAnswer answer = askFileProperty(file.handle(), GetParam().option);
  EXPECT_EQ(answer.result, GetParam().result);
  if (GetParam().result == 0) {
    EXPECT_TRUE(answer.answered);
    EXPECT_EQ(answer.resultKind, 7);
    EXPECT_EQ(answer.text, GetParam().answer);
  } else {
    EXPECT_FALSE(answer.answered) << "a refused option leaves the record untouched";
    EXPECT_EQ(answer.resultKind, -1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, FileOptionTest,
    ::testing::Values(
        FileOptionCase{"-n", 0, ""}, FileOptionCase{"-nw", 0, "17"}, FileOptionCase{"-nwaveforms", 0, "17"},
        FileOptionCase{"-nwx", 0, "17"}, FileOptionCase{"-ns", 0, ""}, FileOptionCase{"-nse", 0, ""},
        FileOptionCase{"-nseg", 0, "3"}, FileOptionCase{"-nsegments", 0, "3"}, FileOptionCase{"-d", 0, ""},
        FileOptionCase{"-de", 0, "amp"}, FileOptionCase{"-design", 0, "amp"}, FileOptionCase{"-pf", 0, ""},
        FileOptionCase{"-pfn", 0, "amp"}, FileOptionCase{"-pfname", 0, "amp"}, FileOptionCase{"-f", 0, ""},
        FileOptionCase{"-fi", 0, "/data/amp.s2p"}, FileOptionCase{"-w", 0, ""}, FileOptionCase{"-q", 0, ""},
        FileOptionCase{"--", 0, ""}, FileOptionCase{"x", 1, ""}, FileOptionCase{"-", 1, ""},
        FileOptionCase{"", 1, ""}, FileOptionCase{"nw", 1, ""}),
    [](const auto& testCase) { return testNameOf(testCase.param.option); });

TEST(FileProperty, NullOptionIsRefused) {
  HandBuiltFile file(FileShape{});
  EXPECT_EQ(askFileProperty(file.handle(), nullptr).result, 1);
}

struct DesignCase {
  const char* path;
  const char* design;
};

class DesignNameTest : public ::testing::TestWithParam<DesignCase> {};

TEST_P(DesignNameTest, IsTheBaseNameWithoutExtension) {
  Tcl_UnsetVar(pluginHost().interp(), "::pwned", TCL_GLOBAL_ONLY);
  FileShape shape;
  shape.path = GetParam().path;
  HandBuiltFile file(shape);
  for (const char* option : {"-design", "-pfname"}) {
    DirectAnswer answer = askFileProperty(file.handle(), option);
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.text, GetParam().design) << option;
  }
  // No part of a path is ever run as a script.
  EXPECT_EQ(Tcl_GetVar(pluginHost().interp(), "::pwned", TCL_GLOBAL_ONLY), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesignNameTest,
    ::testing::Values(DesignCase{"/data/amp.s2p", "amp"}, DesignCase{"amp.s2p", "amp"},
                      DesignCase{"/tmp/my amp.s2p", "my amp"},
                      DesignCase{"/tmp/a[set ::pwned 1].s2p", "a[set ::pwned 1]"},
                      DesignCase{"x[exit].s2p", "x[exit]"}, DesignCase{"/tmp/$pwned.sc0", "$pwned"},
                      DesignCase{"/tmp/{open.s2p", "{open"}, DesignCase{"/tmp/a\"b;c.s2p", "a\"b;c"},
                      DesignCase{"/data/net.v2.sc0", "net.v2"}, DesignCase{"/data/~amp.s2p", "~amp"},
                      DesignCase{"~amp.s2p", "~amp"}),
    [](const auto& testCase) { return testNameOf(testCase.param.path); });

TEST(FileProperty, FailingDesignEvaluationGivesEmptyAnswer) {
  Tcl_Interp* interp = pluginHost().interp();
  HandBuiltFile file(FileShape{});
  ASSERT_EQ(Tcl_Eval(interp, "rename file korvel_hidden_file"), TCL_OK);
  DirectAnswer answer = askFileProperty(file.handle(), "-design");
  ASSERT_EQ(Tcl_Eval(interp, "rename korvel_hidden_file file"), TCL_OK);
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.resultKind, 7);
  EXPECT_EQ(answer.text, "");
}

TEST(FileProperty, PathWithBlankComesBackAsOneListElement) {
  FileShape shape;
  shape.path = "/tmp/my amp.s2p";
  HandBuiltFile file(shape);
  EXPECT_EQ(askFileProperty(file.handle(), "-filenames").text, "{/tmp/my amp.s2p}");
}

struct CatalogueCase {
  const char* label;
  FileShape shape;
  const char* catalogue;
};

class CatalogueTest : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueTest, ListsTheGroupsInViewerOrder) {
  HandBuiltFile file(GetParam().shape);
  std::string before = Tcl_DStringValue(&file.data()->waveformNames);
  DirectAnswer answer = askFileProperty(file.handle(), "-waveforms");
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.text, GetParam().catalogue);
  EXPECT_EQ(Tcl_DStringValue(&file.data()->waveformNames), before) << "the stored list is left as it was";
  std::vector<std::string> names;
  ASSERT_TRUE(host::splitTclList(answer.text, &names));
  EXPECT_EQ(static_cast<int>(names.size()), file.data()->waveformCount);
  EXPECT_EQ(askFileProperty(file.handle(), "-nwaveforms").text, std::to_string(names.size()));
}

FileShape shapeOf(int ports, bool noise, bool groupDelay, bool sc, std::vector<std::string> terminals = {}) {
  FileShape shape;
  shape.ports = ports;
  shape.noise = noise;
  shape.groupDelay = groupDelay;
  shape.sc = sc;
  shape.noisePoints = noise && !sc ? 4 : 0;
  shape.terminals = std::move(terminals);
  return shape;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CatalogueTest,
    ::testing::Values(
        CatalogueCase{"OnePort", shapeOf(1, false, false, false),
                      "S-Par/S(1,1) Y-Par/Y(1,1) Z-Par/Z(1,1) Zo/Zo(1)"},
        CatalogueCase{"TwoPortWithoutNoise", shapeOf(2, false, false, false),
                      "S-Par/S(1,1) S-Par/S(1,2) S-Par/S(2,1) S-Par/S(2,2) "
                      "Y-Par/Y(1,1) Y-Par/Y(1,2) Y-Par/Y(2,1) Y-Par/Y(2,2) "
                      "Gain-Par/Gmax Gain-Par/Gmsg Gain-Par/K "
                      "Z-Par/Z(1,1) Z-Par/Z(1,2) Z-Par/Z(2,1) Z-Par/Z(2,2) Zo/Zo(1) Zo/Zo(2)"},
        CatalogueCase{"TwoPortWithNoise", shapeOf(2, true, false, false),
                      "S-Par/S(1,1) S-Par/S(1,2) S-Par/S(2,1) S-Par/S(2,2) "
                      "Y-Par/Y(1,1) Y-Par/Y(1,2) Y-Par/Y(2,1) Y-Par/Y(2,2) "
                      "Gain-Par/Gas Gain-Par/Gmax Gain-Par/Gmsg Gain-Par/K "
                      "Noise-Par/GammaOpt Noise-Par/NF Noise-Par/NFmin Noise-Par/Rn Noise-Par/Ycor "
                      "Noise-Par/Zcor Noise-Par/Zopt Noise-Par/in^2 Noise-Par/vn^2 "
                      "Z-Par/Z(1,1) Z-Par/Z(1,2) Z-Par/Z(2,1) Z-Par/Z(2,2) Zo/Zo(1) Zo/Zo(2)"},
        CatalogueCase{"ScTwoPortWithNoiseAndGroupDelay", shapeOf(2, true, true, true),
                      "S-Par/S(1,1) S-Par/S(1,2) S-Par/S(2,1) S-Par/S(2,2) "
                      "Y-Par/Y(1,1) Y-Par/Y(1,2) Y-Par/Y(2,1) Y-Par/Y(2,2) "
                      "Gain-Par/Gas Gain-Par/Gmax Gain-Par/Gmsg Gain-Par/K "
                      "Noise-Par/GammaOpt Noise-Par/NF Noise-Par/NFmin Noise-Par/Rn Noise-Par/Ycor "
                      "Noise-Par/Zcor Noise-Par/Zopt Noise-Par/in^2 Noise-Par/vn^2 "
                      "Z-Par/Z(1,1) Z-Par/Z(1,2) Z-Par/Z(2,1) Z-Par/Z(2,2) Zo/Zo(1) Zo/Zo(2) "
                      "GroupDelay/GD(1,1) GroupDelay/GD(1,2) GroupDelay/GD(2,1) GroupDelay/GD(2,2)"},
        CatalogueCase{"ScOnePortWithGroupDelay", shapeOf(1, false, true, true),
                      "S-Par/S(1,1) Y-Par/Y(1,1) Z-Par/Z(1,1) Zo/Zo(1) GroupDelay/GD(1,1)"},
        CatalogueCase{"ScOnePortWithNoise", shapeOf(1, true, false, true),
                      "S-Par/S(1,1) Y-Par/Y(1,1) "
                      "Noise-Par/GammaOpt Noise-Par/NF Noise-Par/NFmin Noise-Par/Rn Noise-Par/Ycor "
                      "Noise-Par/Zcor Noise-Par/Zopt Noise-Par/in^2 Noise-Par/vn^2 "
                      "Z-Par/Z(1,1) Zo/Zo(1)"},
        CatalogueCase{"MixedMode", shapeOf(1, false, false, false, {"D1", "C1"}),
                      "S-Par/Sdd(1,1) S-Par/Sdc(1,1) S-Par/Scd(1,1) S-Par/Scc(1,1) "
                      "Y-Par/Ydd(1,1) Y-Par/Ydc(1,1) Y-Par/Ycd(1,1) Y-Par/Ycc(1,1) "
                      "Z-Par/Zdd(1,1) Z-Par/Zdc(1,1) Z-Par/Zcd(1,1) Z-Par/Zcc(1,1) Zo/Zod(1) Zo/Zoc(1)"}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(Catalogue, HoldsEveryStoredNameForEveryShape) {
  for (int ports = 1; ports <= 4; ++ports) {
    for (int flags = 0; flags < 8; ++flags) {
      FileShape shape = shapeOf(ports, flags & 1, flags & 2, flags & 4);
      if (shape.groupDelay && !shape.sc) continue;
      HandBuiltFile file(shape);
      std::vector<std::string> catalogue;
      ASSERT_TRUE(host::splitTclList(askFileProperty(file.handle(), "-waveforms").text, &catalogue));
      std::vector<std::string> stored;
      ASSERT_TRUE(host::splitTclList(Tcl_DStringValue(&file.data()->waveformNames), &stored));
      std::sort(catalogue.begin(), catalogue.end());
      std::sort(stored.begin(), stored.end());
      EXPECT_EQ(catalogue, stored) << "ports " << ports << " flags " << flags;
    }
  }
}

}  // namespace
}  // namespace korvel::testing
