// Short waveform names resolve to exactly one catalogue name or to none.
#include "tools/names/name_resolver.h"

#include <gtest/gtest.h>

namespace korvel::testing {
namespace {

using tool::NameResolution;
using tool::resolveWaveformName;

const std::vector<std::string> kTwoPort = {"S-Par/S(1,1)", "S-Par/S(1,2)",    "S-Par/S(2,1)",  "S-Par/S(2,2)",
                                           "Y-Par/Y(2,1)", "Gain-Par/Gas",    "Gain-Par/Gmax", "Gain-Par/K",
                                           "Noise-Par/NF", "Noise-Par/NFmin", "Z-Par/Z(2,1)",  "Zo/Zo(1)",
                                           "Zo/Zo(2)"};

const std::vector<std::string> kMixedMode = {"S-Par/Sdd(1,1)", "S-Par/Sdd(2,1)", "S-Par/Scc(2,1)",
                                             "S-Par/Sdc(2,1)", "Zo/Zod(1)",      "Zo/Zoc(1)"};

const std::vector<std::string> kTwelvePort = {"S-Par/S(1,12)", "S-Par/S(11,2)", "S-Par/S(1,1)"};

struct ResolutionCase {
  const char* label;
  const std::vector<std::string>* catalogue;
  const char* typed;
  NameResolution::Outcome outcome;
  const char* name;  // the catalogue name found, or the first candidate
};

class NameResolutionTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(NameResolutionTest, FindsExactlyOneOrSaysWhy) {
  const ResolutionCase& c = GetParam();
  NameResolution resolution = resolveWaveformName(*c.catalogue, c.typed);
  EXPECT_EQ(resolution.outcome, c.outcome);
  if (c.outcome == NameResolution::Outcome::kFound) {
    EXPECT_EQ(resolution.name, c.name);
  } else {
    ASSERT_FALSE(resolution.suggestions.empty());
    EXPECT_EQ(resolution.suggestions.front(), c.name);
  }
}

constexpr auto kFound = NameResolution::Outcome::kFound;
constexpr auto kAmbiguous = NameResolution::Outcome::kAmbiguous;
constexpr auto kUnknown = NameResolution::Outcome::kUnknown;

INSTANTIATE_TEST_SUITE_P(
    Names, NameResolutionTest,
    ::testing::Values(ResolutionCase{"Exact", &kTwoPort, "S-Par/S(2,1)", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"FullNameAnyCase", &kTwoPort, "s-par/s(2,1)", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"Item", &kTwoPort, "S(2,1)", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"RunTogether", &kTwoPort, "S21", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"RunTogetherLower", &kTwoPort, "s21", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"Blanks", &kTwoPort, "S(2, 1)", kFound, "S-Par/S(2,1)"},
                      ResolutionCase{"Stability", &kTwoPort, "K", kFound, "Gain-Par/K"},
                      ResolutionCase{"NoiseAnyCase", &kTwoPort, "nfmin", kFound, "Noise-Par/NFmin"},
                      ResolutionCase{"ItemBeatsLongerItem", &kTwoPort, "NF", kFound, "Noise-Par/NF"},
                      ResolutionCase{"Reference", &kTwoPort, "Zo1", kFound, "Zo/Zo(1)"},
                      ResolutionCase{"OtherMatrix", &kTwoPort, "Z21", kFound, "Z-Par/Z(2,1)"},
                      ResolutionCase{"MixedMode", &kMixedMode, "Sdd21", kFound, "S-Par/Sdd(2,1)"},
                      ResolutionCase{"MixedModeCase", &kMixedMode, "SDC21", kFound, "S-Par/Sdc(2,1)"},
                      ResolutionCase{"WrittenOutIndices", &kTwelvePort, "S(1,12)", kFound, "S-Par/S(1,12)"},
                      ResolutionCase{"RunTogetherAmbiguous", &kTwelvePort, "S112", kAmbiguous,
                                     "S-Par/S(1,12)"},
                      ResolutionCase{"TrailingText", &kTwoPort, "S-Par/S(2,1)junk", kUnknown, "S-Par/S(2,1)"},
                      ResolutionCase{"Misspelt", &kTwoPort, "Gmx", kUnknown, "Gain-Par/Gmax"},
                      ResolutionCase{"PlainSInMixedMode", &kMixedMode, "S21", kUnknown, "S-Par/Sdd(2,1)"}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(NameResolution, NothingCloseSuggestsNothing) {
  NameResolution resolution = resolveWaveformName(kTwoPort, "GroupDelayOfEverything");
  EXPECT_EQ(resolution.outcome, kUnknown);
  EXPECT_TRUE(resolution.suggestions.empty());
  EXPECT_EQ(tool::unresolvedMessage("GroupDelayOfEverything", resolution),
            "no waveform named GroupDelayOfEverything");
}

TEST(NameResolution, MessagesNameTheCandidates) {
  EXPECT_EQ(tool::unresolvedMessage("S112", resolveWaveformName(kTwelvePort, "S112")),
            "S112 is ambiguous: S-Par/S(1,12), S-Par/S(11,2)");
  EXPECT_EQ(tool::unresolvedMessage("Gmx", resolveWaveformName(kTwoPort, "Gmx"))
                .rfind("no waveform named Gmx (did you mean Gain-Par/Gmax", 0),
            0u);
}

TEST(NameResolution, EmptyNameIsUnknown) {
  EXPECT_EQ(resolveWaveformName(kTwoPort, "").outcome, kUnknown);
  EXPECT_EQ(resolveWaveformName({}, "S21").outcome, kUnknown);
}

}  // namespace
}  // namespace korvel::testing
