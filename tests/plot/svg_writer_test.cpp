// The SVG of a figure: one polyline per segment per waveform carrying its
// name, escaped text, legends, and the same bytes every time.
#include "tools/plot/svg_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "support/recorded_waveforms.h"
#include "tools/plot/figure_layout.h"

namespace korvel::plot {
namespace {

using korvel::testing::complexWaveform;
using korvel::testing::realWaveform;

size_t count(const std::string& text, const std::string& piece) {
  size_t found = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
    ++found;
  return found;
}

std::string svgOf(const std::vector<PanelSpec>& specs, const WaveformSet& set,
                  const std::string& title = "t") {
  Figure figure = buildFigure(title, specs, set, {});
  layoutFigure(&figure, defaultPageSize(figure));
  return writeSvg(figure);
}

class SweptSvgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<double> f = {1e9, 2e9, 3e9};
    gain_ = realWaveform(f, {{10, 20, 30}, {11, 21, 31}, {12, 22, 32}, {13, 23, 33}}, "Gain", "db(y)", true);
    gain_.parameters = {{"temp", "", 2, {-40, 85}}, {"vdd", "", 2, {2.7, 3.3}}};
    s21_ = complexWaveform(f,
                           {{{1, 0}, {2, 0}, {3, 0}},
                            {{1, 1}, {2, 1}, {3, 1}},
                            {{1, 2}, {2, 2}, {3, 2}},
                            {{1, 3}, {2, 3}, {3, 3}}},
                           "-", "db(y)");
    s21_.parameters = gain_.parameters;
    set_ = {{"Gain-Par/Gmax", &gain_}, {"S-Par/S(2,1)", &s21_}};
  }
  host::RecordedWaveform gain_;
  host::RecordedWaveform s21_;
  WaveformSet set_;
};

TEST_F(SweptSvgTest, OnePolylinePerSegmentPerWaveform) {
  std::string svg = svgOf({{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}}}, set_);
  EXPECT_EQ(count(svg, "<polyline "), 8u);
  for (const char* name : {"Gain-Par/Gmax", "S-Par/S(2,1)"}) {
    for (int segment = 0; segment < 4; ++segment) {
      std::string opening = std::string("<polyline data-waveform=\"") + name + "\" data-segment=\"" +
                            std::to_string(segment) + "\" data-part=\"db\"";
      EXPECT_EQ(count(svg, opening), 1u) << opening;
    }
  }
}

TEST_F(SweptSvgTest, LegendsNameTheSweepValuesAndTheWaveforms) {
  std::string svg = svgOf({{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}}}, set_);
  for (const char* text : {">temp = -40, vdd = 2.7</text>", ">temp = 85, vdd = 2.7</text>",
                           ">temp = -40, vdd = 3.3</text>", ">temp = 85, vdd = 3.3</text>", ">Gmax</text>",
                           ">S(2,1)</text>", ">All</text>", ">Gain (dB)</text>", ">Frequency (GHz)</text>"}) {
    EXPECT_EQ(count(svg, text), 1u) << text;
  }
}

TEST_F(SweptSvgTest, IsTheSameEveryTime) {
  std::vector<PanelSpec> specs = {{"All", PanelKind::kCartesian, {"Gain-Par/Gmax", "S-Par/S(2,1)"}},
                                  {"Smith", PanelKind::kSmith, {"S-Par/S(2,1)"}}};
  EXPECT_EQ(svgOf(specs, set_), svgOf(specs, set_));
}

TEST(SvgTest, EscapesNamesAndTitles) {
  host::RecordedWaveform waveform = realWaveform({1e9, 2e9}, {{1, 2}}, "-", "");
  WaveformSet set = {{"Odd/a<b>&\"c'", &waveform}};
  std::string svg = svgOf({{"<Panel & co>", PanelKind::kCartesian, {"Odd/a<b>&\"c'"}}}, set, "x&y.s2p");
  EXPECT_NE(svg.find("data-waveform=\"Odd/a&lt;b&gt;&amp;&quot;c&apos;\""), std::string::npos);
  EXPECT_NE(svg.find(">x&amp;y.s2p</text>"), std::string::npos);
  EXPECT_NE(svg.find(">&lt;Panel &amp; co&gt;</text>"), std::string::npos);
  EXPECT_EQ(svg.find("a<b"), std::string::npos);
}

struct EscapeCase {
  std::string raw;
  std::string escaped;
};

class XmlEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(XmlEscapeTest, KeepsOnlyWellFormedText) { EXPECT_EQ(xmlEscape(GetParam().raw), GetParam().escaped); }

INSTANTIATE_TEST_SUITE_P(Texts, XmlEscapeTest,
                         ::testing::Values(EscapeCase{"S(2,1)", "S(2,1)"}, EscapeCase{"in^2", "in^2"},
                                           EscapeCase{"Ω µ", "Ω µ"},
                                           EscapeCase{"a\x01"
                                                      "b",
                                                      "a?b"},
                                           EscapeCase{"\xff\xfe", "??"}, EscapeCase{"\xc0\x80", "??"},
                                           EscapeCase{"\xed\xa0\x80", "???"}, EscapeCase{"caf\xc3", "caf?"},
                                           EscapeCase{"<&>", "&lt;&amp;&gt;"}));

TEST(SvgTest, BrokenPointsSplitACurveIntoRuns) {
  host::RecordedWaveform s =
      complexWaveform({1e9, 2e9, 3e9, 4e9, 5e9}, {{{1, 0}, {1, 0}, {0, 0}, {1, 0}, {1, 0}}}, "-", "db(y)");
  WaveformSet set = {{"S-Par/S(1,1)", &s}};
  std::string svg = svgOf({{"R", PanelKind::kCartesian, {"S-Par/S(1,1)"}}}, set);
  EXPECT_EQ(count(svg, "<polyline data-waveform=\"S-Par/S(1,1)\" data-segment=\"0\""), 2u);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

TEST(SvgTest, PolylinePointsAreThePixelsOfTheModel) {
  host::RecordedWaveform z = realWaveform({1e9, 3e9}, {{50, 50}}, "Ohms", "");
  WaveformSet set = {{"Zo/Zo(1)", &z}};
  Figure figure = buildFigure("t", {{"Zo", PanelKind::kCartesian, {"Zo/Zo(1)"}}}, set, {});
  layoutFigure(&figure, {400, 300});
  std::string svg = writeSvg(figure);
  Point first = figure.panels[0].toPixel({1e9, 50});
  char expected[64];
  std::snprintf(expected, sizeof expected, "points=\"%.2f,%.2f ", first.x, first.y);
  EXPECT_NE(svg.find(expected), std::string::npos) << expected;
  EXPECT_NE(svg.find("width=\"400.00\" height=\"300.00\""), std::string::npos);
}

}  // namespace
}  // namespace korvel::plot
