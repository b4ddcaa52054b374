// Stability factor and gains of a two-port, sample by sample.
#include "rfcalc/gain_stability.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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
        // Matched ports: Delta = -S12 S21, K = (1 + |S12 S21|^2) / (2 |S12 S21|)
        // and K + sqrt(K^2 - 1) = 1 / |S12 S21|, so Gmax = |S21|^2 exactly.
        GainCase{"MatchedIsolatorAtLargeK", {0, 0.25, 2e-9, 0}, 1e9, 0.0625, 1.25e8},
        // K, Gmax = |S21/S12| (K - sqrt(K^2 - 1)) and |S21/S12| in 50-digit
        // arithmetic from the same doubles.
        GainCase{"IsolationAtLargeK",
                 {DComplex(0.2, -0.3), DComplex(0.015, 0.01), DComplex(3e-9, 4e-9), DComplex(0.5, 0.25)},
                 3317800548.7622904159,
                 0.00054336468128095349737,
                 3605551.2754639890888},
        // K > 1 but |Delta| = 3.75: not unconditionally stable, so Gmsg.
        GainCase{"StableFactorWithLargeDelta", {2, 0.5, 0.5, 2}, 14.125, 1, 1},
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

// Matched ports with |S12 S21| = 2^-1, 2^-2, ... for as long as |S12| stays
// a transmission (K from 1.25 to about 1e11): Gmax is |S21|^2 exactly (see
// MatchedIsolatorAtLargeK), and comes within a few rounding errors of it
// however large K is.
TEST(MaximumGain, KeepsItsDigitsAtAnyStabilityFactor) {
  for (double forward : {3.0, 0.75, 1e-3}) {
    for (int exponent = 1;; ++exponent) {
      const double reverse = std::ldexp(1.0, -exponent) / forward;
      if (reverse < 2e-9) break;
      const StabilityAndGain figures = stabilityAndMaximumGain({0, forward, reverse, 0});
      ASSERT_GT(figures.k, 1.0) << exponent;
      EXPECT_NEAR(figures.gmax / (forward * forward), 1.0, 1e-15)
          << "|S21| " << forward << ", 2^-" << exponent;
    }
  }
}

// The same Gmax, K and Gmsg, bit for bit, from the figures of one sample,
// from a two-terminal network (whose gains are worked out in the pass of Z
// and Y) and from a four-terminal network whose two-port is a pair of its
// terminals (a mixed-mode differential two-port).
TEST(GainAndStability, EveryPathGivesTheSameBits) {
  const std::vector<TwoPortScattering> samples = {
      {0.5, 2, 0.1, 0.5},
      {0, 0.25, 2e-9, 0},
      {DComplex(0.2, -0.3), DComplex(0.015, 0.01), DComplex(3e-9, 4e-9), DComplex(0.5, 0.25)},
      {2, 0.5, 0.5, 2},
      {DComplex(0, 0.5), 2, 0.3, 0.5}};
  for (size_t i = 0; i < samples.size(); ++i) {
    const TwoPortScattering& s = samples[i];
    const StabilityAndGain expected = stabilityAndMaximumGain(s);
    TestNetwork twoTerminals(2, 2, 1);
    twoTerminals.setScattering(0, {s.s11, s.s12, s.s21, s.s22});
    twoTerminals.setReferenceImpedances({50, 50});
    TestNetwork fourTerminals(4, 2, 1);
    fourTerminals.setScattering(0, {s.s11, s.s12, 0.05, 0.05, s.s21, s.s22, 0.05, 0.05, 0.05, 0.05, 0.1, 0.05,
                                    0.05, 0.05, 0.05, 0.1});
    fourTerminals.setReferenceImpedances({50, 50, 50, 50});
    for (TestNetwork* network : {&twoTerminals, &fourTerminals}) {
      calculateNetworkParameters(network->network());
      const size_t gains = network->layout().gainBase;
      EXPECT_EQ(network->at(gains + kMaximumGain, 0).real(), expected.gmax) << i;
      EXPECT_EQ(network->at(gains + kStabilityFactor, 0).real(), expected.k) << i;
      EXPECT_EQ(network->at(gains + kMaximumStableGain, 0).real(), maximumStableGain(s)) << i;
    }
  }
}

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
