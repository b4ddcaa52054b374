// Stability factor and gains of a two-port, sample by sample.
#include "rfcalc/gain_stability.h"

#include <gtest/gtest.h>

#include <limits>

#include "network_fixture.h"

namespace korvel::testing {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Close, with NaN matching NaN and infinities compared exactly.
::testing::AssertionResult sameFigure(double actual, double expected) {
  const bool same = std::isnan(expected)   ? std::isnan(actual)
                    : std::isinf(expected) ? actual == expected
                                           : static_cast<bool>(isClose(actual, expected, 1e-9));
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " is not " << expected;
}

struct GainCase {
  const char* name;
  TwoPortScattering s;
  double k;
  double gmax;
  double gmsg;
};

class GainTest : public ::testing::TestWithParam<GainCase> {};

TEST_P(GainTest, GivesStabilityAndGains) {
  const GainCase& param = GetParam();
  const StabilityAndGain figures = stabilityAndMaximumGain(param.s);
  EXPECT_TRUE(sameFigure(figures.k, param.k)) << "K";
  EXPECT_TRUE(sameFigure(figures.gmax, param.gmax)) << "Gmax";
  EXPECT_TRUE(sameFigure(maximumStableGain(param.s), param.gmsg)) << "Gmsg";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GainTest,
    ::testing::Values(
        // s11, s21, s12, s22
        GainCase{"Stable", {0.5, 2, 0.1, 0.5}, 1.25625, 9.91757993, 20},
        GainCase{"PotentiallyUnstable", {DComplex(0, 0.5), 2, 0.3, 0.5}, 0.76875, 20.0 / 3, 20.0 / 3},
        GainCase{"NegativeK", {0.9, 5, 0.2, 0.9}, -0.29195, 25, 25},
        GainCase{"NoForwardTransmission", {0.5, 0, 0.1, 0.5}, kInf, 0, 0},
        GainCase{"NoTransmission", {0.5, 0, 0, 0.5}, kInf, 0, kNaN},
        GainCase{"UnilateralMatched", {0, 2, 0, 0}, kInf, 4, kNaN},
        GainCase{"UnilateralMismatched", {0.5, 2, 0, 0.5}, kInf, 4 / 0.5625, kNaN},
        GainCase{"UnilateralNearlyZeroReverse", {0.5, 2, 1e-10, 0.5}, kInf, 4 / 0.5625, 2e10},
        GainCase{"UnilateralOneGainPort", {1.5, 2, 0, 0.5}, -kInf, kInf, kNaN},
        GainCase{"UnilateralTwoGainPorts", {1.5, 2, 0, 2}, kInf, kInf, kNaN},
        GainCase{"UnilateralLossless", {1, 2, 0, 0.5}, kNaN, kInf, kNaN},
        GainCase{"NotANumberTransmission", {0.5, kNaN, 0.1, 0.5}, kNaN, kNaN, kNaN}),
    [](const ::testing::TestParamInfo<GainCase>& tested) { return std::string(tested.param.name); });

struct AvailableGainCase {
  DComplex gammaOpt;
  double gas;
};

class AvailableGainTest : public ::testing::TestWithParam<AvailableGainCase> {};

TEST_P(AvailableGainTest, UsesOptimumNoiseSource) {
  const TwoPortScattering s{0.5, 2, 0.1, 0.5};
  EXPECT_TRUE(sameFigure(availableGain(s, GetParam().gammaOpt), GetParam().gas));
}

INSTANTIATE_TEST_SUITE_P(Cases, AvailableGainTest,
                         ::testing::Values(AvailableGainCase{0, 4 / 0.75},
                                           AvailableGainCase{0.5, 3 / 0.336875},
                                           AvailableGainCase{kNaN, kNaN}));

// A whole network: every sample is written, the imaginary parts are left
// as they were, and without noise the available-gain entry stays untouched.
TEST(GainAndStability, WritesRealPartOfEverySample) {
  TestNetwork network(2, 2, 3);
  const NetworkLayout layout = network.layout();
  for (size_t i = 0; i < 3; ++i) network.setScattering(i, {0.5, 0.1, 2, 0.5});
  network.set(layout.gainBase + kStabilityFactor, 1, DComplex(0, 7));
  calculateGainAndStability(network.network(), layout);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(sameFigure(network.at(layout.gainBase + kStabilityFactor, i).real(), 1.25625)) << i;
    EXPECT_TRUE(sameFigure(network.at(layout.gainBase + kMaximumStableGain, i).real(), 20)) << i;
  }
  EXPECT_EQ(network.at(layout.gainBase + kStabilityFactor, 1).imag(), 7);
  EXPECT_EQ(network.at(layout.availableGain(), 0), DComplex(0, 0));
}

}  // namespace
}  // namespace korvel::testing
