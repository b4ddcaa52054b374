// Noise figures from the measured noise parameters.
#include "rfcalc/noise_parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "dataset/network_calculation.h"
#include "network_fixture.h"
#include "support/opened_text.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

const double kFourKT = kFourBoltzmann * 290.0;

TEST(NoiseFigures, FourKTAtRoomTemperature) { EXPECT_DOUBLE_EQ(kFourKT, 1.601522216e-20); }

// |actual - expected| within `tolerance` of |expected|.
::testing::AssertionResult relativelyClose(DComplex actual, DComplex expected, double tolerance = 1e-12) {
  if (std::abs(actual - expected) <= tolerance * std::abs(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.real() << ", " << actual.imag() << ") is not ("
                                       << expected.real() << ", " << expected.imag() << ")";
}

// NFmin 1 dB, Rn 20 ohms, R0 50 ohms; Fmin = 10^0.1 = 1.2589254117941673.
struct HandWorkedCase {
  const char* name;
  DComplex gammaOpt;
  DComplex zopt;
  double in2;
  DComplex ycor;
  DComplex zcor;
  double nf;
};

class HandWorkedNoise : public ::testing::TestWithParam<HandWorkedCase> {};

TEST_P(HandWorkedNoise, GivesTheCorrelatedSources) {
  const HandWorkedCase& param = GetParam();
  const NoiseFigures f = computeNoiseFigures(1.0, param.gammaOpt, 20, 50, kFourKT);
  EXPECT_DOUBLE_EQ(f.fmin, 1.2589254117941673);
  EXPECT_DOUBLE_EQ(f.vn2, 3.203044432e-19) << "4kT Rn";
  EXPECT_TRUE(relativelyClose(f.zopt, param.zopt)) << "Zopt";
  EXPECT_TRUE(relativelyClose(f.in2, param.in2)) << "in^2";
  EXPECT_TRUE(relativelyClose(f.ycor, param.ycor)) << "Ycor";
  EXPECT_TRUE(relativelyClose(f.zcor, param.zcor)) << "Zcor";
  EXPECT_TRUE(relativelyClose(f.nf, param.nf)) << "NF";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandWorkedNoise,
    ::testing::Values(
        // Yopt = 0.02 S: in^2 = 4kT 20 0.0004, Ycor = 0.2589254117941673 / 40 -
        // 0.02, Zcor = Ycor / 0.0004; the source is the optimum, so NF = Fmin.
        HandWorkedCase{"Matched", 0, 50, 1.2812177728e-22, -0.013526864705145817, -33.817161762864549,
                       1.2589254117941673},
        // GammaOpt = 0.5 at 45 degrees, (1 + j) sqrt(2) / 4:
        // Yopt = (0.75 - j sqrt(2) / 2) / (50 (1.25 + sqrt(2) / 2)),
        // |Yopt|^2 = 1.0625 / (2500 (1.25 + sqrt(2) / 2)^2), Bcor = -Bopt and
        // Xcor = -Xopt; NF = Fmin + Rn R0 |1 / R0 - Yopt|^2.
        HandWorkedCase{"FortyFiveDegrees", DComplex(0.5 * std::sqrt(0.5), 0.5 * std::sqrt(0.5)),
                       DComplex(69.074356983054619, 65.123928305091031), 3.5540444055622268e-23,
                       DComplex(-0.0011912395589827959, 0.0072260419102717065),
                       DComplex(-10.735918860795375, -65.123928305091031), 1.4633087412298199}),
    [](const ::testing::TestParamInfo<HandWorkedCase>& tested) { return std::string(tested.param.name); });

// Degenerate noise parameters give what IEEE arithmetic gives, silently.
struct DegenerateCase {
  const char* name;
  double nfminDb;
  DComplex gammaOpt;
  double rn;
  bool finiteIn2;
  bool finiteYcor;
  bool finiteZcor;
};

class DegenerateNoise : public ::testing::TestWithParam<DegenerateCase> {};

bool isFinite(DComplex z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

TEST_P(DegenerateNoise, GivesInfinitiesOrNotANumber) {
  const DegenerateCase& param = GetParam();
  const NoiseFigures f = computeNoiseFigures(param.nfminDb, param.gammaOpt, param.rn, 50, kFourKT);
  EXPECT_EQ(std::isfinite(f.in2), param.finiteIn2) << f.in2;
  EXPECT_EQ(isFinite(f.ycor), param.finiteYcor) << f.ycor;
  EXPECT_EQ(isFinite(f.zcor), param.finiteZcor) << f.zcor;
}

INSTANTIATE_TEST_SUITE_P(Cases, DegenerateNoise,
                         ::testing::Values(
                             // (Fmin - 1) / 0 in Ycor; in^2 = 0 Rn |Yopt|^2 = 0.
                             DegenerateCase{"NoNoiseResistance", 1.0, 0.3, 0, true, false, false},
                             // Yopt = 2 / 0.
                             DegenerateCase{"ShortedOptimumSource", 1.0, -1.0, 20, false, false, false},
                             // Yopt = 0: no current noise, and Zcor divides by in^2 = 0.
                             DegenerateCase{"OpenOptimumSource", 1.0, 1.0, 20, true, true, false},
                             // Fmin = 1 needs no correlation argument: all finite.
                             DegenerateCase{"NoiselessMinimum", 0.0, 0.3, 20, true, true, true}),
                         [](const ::testing::TestParamInfo<DegenerateCase>& tested) {
                           return std::string(tested.param.name);
                         });

TEST(NoiseFigures, ZeroReferenceGivesNoFiniteNoiseFactor) {
  EXPECT_FALSE(std::isfinite(computeNoiseFigures(1.0, 0.5, 20, 0, kFourKT).nf));
}

// The worst relative error, over every noise sample of an opened record, of
// each identity that ties the derived figures to the file's Fmin, GammaOpt
// and Rn.
struct IdentityErrors {
  double minimumNoise = 0;    // 1 + 2 Rn (Gcor + Gopt) against Fmin
  double susceptance = 0;     // Bcor against -Bopt
  double correlation = 0;     // Zcor in^2 against conj(Ycor) vn^2
  double referenceNoise = 0;  // the noise factor from vn^2, in^2, Ycor at Ys = 1 / R0 against NF
  size_t samples = 0;
};

double relativeError(DComplex actual, DComplex expected) {
  const double difference = std::abs(actual - expected);
  return difference == 0.0 ? 0.0 : difference / std::abs(expected);
}

IdentityErrors identityErrors(DataSet& data) {
  const NetworkLayout layout(networkSamplesOf(&data));
  const double r0 = data.referenceImpedance;
  const double fourKT = kFourBoltzmann * data.noiseTemperature;
  auto at = [&](size_t k, size_t p) { return readSample(data.waveformData[layout.noise(k)], p); };
  IdentityErrors worst;
  for (size_t p = 0; p < layout.noiseSampleCount; ++p) {
    const double fmin = at(kMinimumNoiseFigure, p).real();
    const DComplex gammaOpt = at(kOptimumReflection, p);
    const double rn = at(kNoiseResistance, p).real();
    const double vn2 = at(kNoiseVoltageDensity, p).real();
    const double in2 = at(kNoiseCurrentDensity, p).real();
    const DComplex zcor = at(kCorrelationImpedance, p);
    const DComplex ycor = at(kCorrelationAdmittance, p);
    const DComplex yopt = (1.0 - gammaOpt) / ((1.0 + gammaOpt) * r0);
    const double uncorrelated = in2 - std::norm(ycor) * vn2;
    const double noiseFactor = 1.0 + (uncorrelated + std::norm(1.0 / r0 + ycor) * vn2) * r0 / fourKT;
    worst.minimumNoise =
        std::max(worst.minimumNoise, relativeError(1.0 + 2.0 * rn * (ycor.real() + yopt.real()), fmin));
    worst.susceptance = std::max(worst.susceptance, relativeError(ycor.imag(), -yopt.imag()));
    worst.correlation = std::max(worst.correlation, relativeError(zcor * in2, std::conj(ycor) * vn2));
    worst.referenceNoise =
        std::max(worst.referenceNoise, relativeError(noiseFactor, at(kNoiseFactor, p).real()));
    ++worst.samples;
  }
  return worst;
}

class NoiseIdentities : public ::testing::TestWithParam<const char*> {};

TEST_P(NoiseIdentities, HoldAtEveryNoiseSampleOfTheExample) {
  const OpenedText opened = OpenedText::atPath(examplePath(GetParam()));
  ASSERT_TRUE(opened.opened()) << opened.errors;
  ASSERT_EQ(opened.data->hasNoise, 1);
  const IdentityErrors worst = identityErrors(*opened.data);
  EXPECT_GT(worst.samples, 0u);
  EXPECT_LE(worst.minimumNoise, 1e-12);
  EXPECT_LE(worst.susceptance, 1e-12);
  EXPECT_LE(worst.correlation, 1e-12);
  EXPECT_LE(worst.referenceNoise, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Examples, NoiseIdentities, ::testing::Values("amp.s2p", "lna_sweep.sc"));

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
