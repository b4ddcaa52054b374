// Noise figures from the measured noise parameters.
#include "rfcalc/noise_parameters.h"

#include <gtest/gtest.h>

#include <limits>

#include "network_fixture.h"

namespace korvel::testing {
namespace {

const double kFourKT = kFourBoltzmann * 290.0;

TEST(NoiseFigures, FourKTAtRoomTemperature) { EXPECT_DOUBLE_EQ(kFourKT, 1.601522216e-20); }

TEST(NoiseFigures, MatchedOptimumSource) {
  const NoiseFigures f = computeNoiseFigures(1.0, 0, 20, 50, kFourKT);
  EXPECT_DOUBLE_EQ(f.fmin, 1.2589254117941673);
  EXPECT_TRUE(isClose(f.zopt, 50));
  EXPECT_DOUBLE_EQ(f.vn2, 3.203044432e-19);
  EXPECT_NEAR(f.zcor.real(), -154.48464375446, 1e-9);
  EXPECT_TRUE(std::signbit(f.zcor.imag())) << "the negated zero imaginary part of GammaOpt";
  EXPECT_TRUE(isClose(f.ycor, -0.00647313529, 1e-9));
  EXPECT_NEAR(f.in2 / 2.6842460790e-23, 1, 1e-10);
  EXPECT_DOUBLE_EQ(f.nf, f.fmin);
}

TEST(NoiseFigures, OptimumSourceAtFortyFiveDegrees) {
  const double part = 0.5 * std::sqrt(0.5);
  const NoiseFigures f = computeNoiseFigures(1.0, DComplex(part, part), 20, 50, kFourKT);
  EXPECT_TRUE(isClose(f.zopt, DComplex(69.074357, 65.123928), 1e-8));
  EXPECT_TRUE(isClose(f.zcor, DComplex(-154.836586, -part), 1e-8));
  EXPECT_TRUE(isClose(f.ycor, DComplex(-0.0064583882, 0.0000147471), 1e-10));
  EXPECT_NEAR(f.in2 / 2.6720434708e-23, 1, 1e-10);
  EXPECT_NEAR(f.nf, 1.46330874, 1e-8);
}

TEST(NoiseFigures, NoExcessNoiseGivesInfiniteCorrelationResistance) {
  const NoiseFigures f = computeNoiseFigures(0.0, 0, 20, 50, kFourKT);
  EXPECT_EQ(f.zcor.real(), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(f.in2, 0.0);
}

TEST(NoiseFigures, NegativeDiscriminantGivesNotANumber) {
  const NoiseFigures f = computeNoiseFigures(10.0, -0.9, 1, 50, kFourKT);
  EXPECT_TRUE(std::isnan(f.zcor.real()));
  EXPECT_TRUE(std::isnan(f.in2));
}

TEST(NoiseFigures, ZeroReferenceGivesNoFiniteNoiseFactor) {
  EXPECT_FALSE(std::isfinite(computeNoiseFigures(1.0, 0.5, 20, 0, kFourKT).nf));
}

// A noise grid shorter than the S data: only its points are derived, and
// NFmin becomes a linear factor in place.
TEST(NoiseParameters, ShortNoiseGridLeavesLaterSamples) {
  TestNetwork network(2, 2, 2, 1, 1);
  network.network().isScFormat = 0;
  network.network().noisePointCount = 1;
  const NetworkLayout layout = network.layout();
  ASSERT_EQ(layout.noiseBase, 17u);
  for (size_t p = 0; p < 2; ++p) {
    network.set(layout.noiseBase + kMinimumNoiseFigure, p, 1.0);
    network.set(layout.noiseBase + kNoiseResistance, p, 20);
  }
  calculateNoiseParameters(network.network(), layout, kFourKT);
  EXPECT_DOUBLE_EQ(network.at(layout.noiseBase + kMinimumNoiseFigure, 0).real(), 1.2589254117941673);
  EXPECT_DOUBLE_EQ(network.at(layout.noiseBase + kNoiseFactor, 0).real(), 1.2589254117941673);
  EXPECT_EQ(network.at(layout.noiseBase + kMinimumNoiseFigure, 1).real(), 1.0);
  EXPECT_EQ(network.at(layout.noiseBase + kNoiseFactor, 1), DComplex(0, 0));
}

TEST(NoiseParameters, ScNetworkDerivesEverySample) {
  TestNetwork network(1, 1, 2, 2, 1);
  const NetworkLayout layout = network.layout();
  ASSERT_EQ(layout.noiseBase, 4u);
  for (size_t p = 0; p < 4; ++p) network.set(layout.noiseBase + kNoiseResistance, p, 20);
  calculateNoiseParameters(network.network(), layout, kFourKT);
  for (size_t p = 0; p < 4; ++p) {
    EXPECT_DOUBLE_EQ(network.at(layout.noiseBase + kNoiseVoltageDensity, p).real(), 3.203044432e-19) << p;
  }
}

}  // namespace
}  // namespace korvel::testing
