// The default page for each shape of file, and named waveforms grouped by
// the axis they share.
#include "tools/plot/page_plan.h"

#include <gtest/gtest.h>

#include "support/recorded_waveforms.h"

namespace korvel::plot {
namespace {

std::vector<std::string> matrix(const std::string& modes, int size) {
  std::vector<std::string> names;
  for (int row = 1; row <= size; ++row) {
    for (int column = 1; column <= size; ++column) {
      names.push_back("S-Par/S" + modes + "(" + std::to_string(row) + "," + std::to_string(column) + ")");
    }
  }
  return names;
}

std::vector<std::string> twoPortWithNoise() {
  std::vector<std::string> names = matrix("", 2);
  for (const char* name : {"Y-Par/Y(1,1)", "Gain-Par/Gas", "Gain-Par/Gmax", "Gain-Par/Gmsg", "Gain-Par/K",
                           "Noise-Par/GammaOpt", "Noise-Par/NF", "Noise-Par/NFmin", "Zo/Zo(1)"}) {
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> mixedFourPort() {
  std::vector<std::string> names;
  for (const char* row : {"d", "c"}) {
    for (int r = 1; r <= 2; ++r) {
      for (const char* column : {"d", "c"}) {
        for (int c = 1; c <= 2; ++c) {
          names.push_back(std::string("S-Par/S") + row + column + "(" + std::to_string(r) + "," +
                          std::to_string(c) + ")");
        }
      }
    }
  }
  names.push_back("Gain-Par/K");
  return names;
}

using Panels = std::vector<std::pair<std::string, std::vector<std::string>>>;

Panels summary(const std::vector<PanelSpec>& page) {
  Panels panels;
  for (const PanelSpec& spec : page) panels.push_back({spec.title, spec.names});
  return panels;
}

struct ShapeCase {
  const char* label;
  std::vector<std::string> catalogue;
  FileShape shape;
  Panels panels;
};

class DefaultPageTest : public ::testing::TestWithParam<ShapeCase> {};

// Transmissions of the three-port below: S(3,1) is the largest, then S(1,3),
// S(2,1), S(1,2).
double threePortPeak(const std::string& name) {
  if (name == "S-Par/S(3,1)") return 0.9;
  if (name == "S-Par/S(1,3)") return 0.8;
  if (name == "S-Par/S(2,1)") return 0.5;
  if (name == "S-Par/S(1,2)") return 0.4;
  return 0.01;
}

TEST_P(DefaultPageTest, HoldsThePanelsOfTheFileShape) {
  EXPECT_EQ(shapeOf(GetParam().catalogue), GetParam().shape);
  EXPECT_EQ(summary(defaultPage(GetParam().catalogue, threePortPeak)), GetParam().panels);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DefaultPageTest,
    ::testing::Values(ShapeCase{"TwoPortWithNoise",
                                twoPortWithNoise(),
                                FileShape::kTwoPort,
                                {{"Transmission", {"S-Par/S(2,1)", "S-Par/S(1,2)"}},
                                 {"Reflection", {"S-Par/S(1,1)", "S-Par/S(2,2)"}},
                                 {"Smith chart", {"S-Par/S(1,1)", "S-Par/S(2,2)", "Noise-Par/GammaOpt"}},
                                 {"Gains", {"Gain-Par/Gmax", "Gain-Par/Gmsg", "Gain-Par/Gas"}},
                                 {"Stability", {"Gain-Par/K"}},
                                 {"Noise figure", {"Noise-Par/NFmin", "Noise-Par/NF"}}}},
                      ShapeCase{"TwoPortWithoutNoise",
                                [] {
                                  auto names = matrix("", 2);
                                  names.insert(names.end(), {"Gain-Par/Gmax", "Gain-Par/Gmsg", "Gain-Par/K"});
                                  return names;
                                }(),
                                FileShape::kTwoPort,
                                {{"Transmission", {"S-Par/S(2,1)", "S-Par/S(1,2)"}},
                                 {"Reflection", {"S-Par/S(1,1)", "S-Par/S(2,2)"}},
                                 {"Smith chart", {"S-Par/S(1,1)", "S-Par/S(2,2)"}},
                                 {"Gains", {"Gain-Par/Gmax", "Gain-Par/Gmsg"}},
                                 {"Stability", {"Gain-Par/K"}}}},
                      ShapeCase{"MixedModeFourPort",
                                mixedFourPort(),
                                FileShape::kMixedFourPort,
                                {{"Differential transmission", {"S-Par/Sdd(2,1)", "S-Par/Sdd(1,2)"}},
                                 {"Differential reflection", {"S-Par/Sdd(1,1)", "S-Par/Sdd(2,2)"}},
                                 {"Mode conversion",
                                  {"S-Par/Scd(2,1)", "S-Par/Sdc(2,1)", "S-Par/Scd(1,1)", "S-Par/Sdc(1,1)"}},
                                 {"Common mode", {"S-Par/Scc(2,1)", "S-Par/Scc(1,1)"}}}},
                      ShapeCase{"OnePort",
                                {"S-Par/S(1,1)", "Y-Par/Y(1,1)", "Z-Par/Z(1,1)", "Zo/Zo(1)"},
                                FileShape::kOnePort,
                                {{"Reflection", {"S-Par/S(1,1)"}}, {"Smith chart", {"S-Par/S(1,1)"}}}},
                      ShapeCase{"ThreePort",
                                matrix("", 3),
                                FileShape::kManyPorts,
                                {{"Reflections", {"S-Par/S(1,1)", "S-Par/S(2,2)", "S-Par/S(3,3)"}},
                                 {"Largest transmissions",
                                  {"S-Par/S(3,1)", "S-Par/S(1,3)", "S-Par/S(2,1)", "S-Par/S(1,2)"}}}},
                      ShapeCase{"NoScattering", {"Zo/Zo(1)"}, FileShape::kNoScattering, {}}),
    [](const auto& param) { return std::string(param.param.label); });

// In a reciprocal three-port S(i,j) is S(j,i): each pair is drawn once, its
// legend naming both, and the next pair takes the place of the reverse.
TEST(DefaultPageTest, ReciprocalPairsDrawnOnceLabelledWithBothNames) {
  auto reciprocal = [](const std::string&, const std::string&) { return true; };
  std::vector<PanelSpec> page = defaultPage(matrix("", 3), threePortPeak, reciprocal);
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[1].names, (std::vector<std::string>{"S-Par/S(3,1)", "S-Par/S(2,1)", "S-Par/S(2,3)"}));
  EXPECT_EQ(page[1].labels, (std::map<std::string, std::string>{{"S-Par/S(3,1)", "S(3,1) = S(1,3)"},
                                                                {"S-Par/S(2,1)", "S(2,1) = S(1,2)"},
                                                                {"S-Par/S(2,3)", "S(2,3) = S(3,2)"}}));
}

TEST(SmithPageTest, KeepsTheChartsOrChartsTheReflections) {
  std::vector<std::string> catalogue = twoPortWithNoise();
  Panels charts = summary(smithPage(defaultPage(catalogue, nullptr), catalogue));
  ASSERT_EQ(charts.size(), 1u);
  EXPECT_EQ(charts[0].second.back(), "Noise-Par/GammaOpt");
  std::vector<std::string> mixed = mixedFourPort();
  EXPECT_EQ(
      summary(smithPage(defaultPage(mixed, nullptr), mixed)),
      (Panels{{"Smith chart", {"S-Par/Sdd(1,1)", "S-Par/Sdd(2,2)", "S-Par/Scc(1,1)", "S-Par/Scc(2,2)"}}}));
}

TEST(PhasePanelsTest, FollowEachPanelAgainstFrequency) {
  std::vector<PanelSpec> page = withPhasePanels(defaultPage(matrix("", 1), nullptr));
  ASSERT_EQ(page.size(), 3u);
  EXPECT_EQ(page[1].kind, PanelKind::kPhase);
  EXPECT_EQ(page[1].title, "Reflection: phase");
  EXPECT_EQ(page[2].kind, PanelKind::kSmith);
}

TEST(PhasePanelsTest, FollowSmithChartsOnAPageOfChartsAlone) {
  std::vector<PanelSpec> page = withPhasePanels({{"Smith chart", PanelKind::kSmith, {"S-Par/S(1,1)"}}});
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[1].kind, PanelKind::kPhase);
  EXPECT_EQ(page[1].names, (std::vector<std::string>{"S-Par/S(1,1)"}));
}

TEST(NamedPageTest, GroupsNamesByTheAxisTheyShare) {
  using korvel::testing::complexWaveform;
  using korvel::testing::realWaveform;
  host::RecordedWaveform s = complexWaveform({1e9}, {{{1, 0}}}, "-", "db(y)");
  host::RecordedWaveform z = complexWaveform({1e9}, {{{1, 0}}}, "Ohms", "imag(y) real(y)");
  host::RecordedWaveform k = realWaveform({1e9}, {{1}}, "-", "");
  WaveformSet set = {{"S-Par/S(2,1)", &s}, {"Z-Par/Z(1,1)", &z}, {"S-Par/S(1,1)", &s}, {"Gain-Par/K", &k}};
  Panels panels =
      summary(namedPage({"S-Par/S(2,1)", "Z-Par/Z(1,1)", "S-Par/S(1,1)", "Gain-Par/K"}, set, false));
  EXPECT_EQ(panels, (Panels{{"S(2,1), S(1,1)", {"S-Par/S(2,1)", "S-Par/S(1,1)"}},
                            {"Z(1,1)", {"Z-Par/Z(1,1)"}},
                            {"K", {"Gain-Par/K"}}}));
  Panels smith = summary(namedPage({"S-Par/S(1,1)"}, set, true));
  ASSERT_EQ(smith.size(), 1u);
  EXPECT_EQ(smith[0].first, "Smith chart: S(1,1)");
}

TEST(PeakMagnitudeTest, TakesTheLargestFiniteMagnitudeOfAllSegments) {
  using korvel::testing::complexWaveform;
  host::RecordedWaveform s =
      complexWaveform({1e9, 2e9}, {{{0.1, 0}, {std::nan(""), 0}}, {{0.3, 0.4}, {0, 0}}}, "-", "");
  EXPECT_DOUBLE_EQ(peakMagnitude(&s), 0.5);
  EXPECT_EQ(peakMagnitude(nullptr), 0);
}

}  // namespace
}  // namespace korvel::plot
