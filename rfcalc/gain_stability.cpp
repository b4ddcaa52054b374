#include "rfcalc/gain_stability.h"

#include <cmath>
#include <limits>

#include "rfcalc/lanes.h"

namespace korvel {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Below this modulus a transmission parameter counts as absent.
constexpr double kVanishing = 1e-9;

double squaredModulus(DComplex z) {
  const double length = modulus(z);
  return length * length;
}

DComplex determinant(const TwoPortScattering& s) {
  return complexProduct(s.s11, s.s22) - complexProduct(s.s12, s.s21);
}

// With no reverse transmission the two-port is stable or not according to
// its input and output mismatch alone, and its best gain is the maximum
// unilateral gain, unbounded once a port reflects at least as much as it
// receives.
StabilityAndGain unilateralStabilityAndGain(const TwoPortModuli& moduli) {
  const double mismatch = (1.0 - moduli.s11 * moduli.s11) * (1.0 - moduli.s22 * moduli.s22);
  StabilityAndGain result;
  result.k = mismatch > 0.0 ? kInfinity : mismatch < 0.0 ? -kInfinity : kNaN;
  const bool matchable = moduli.s11 < 1.0 && moduli.s22 < 1.0;
  result.gmax = matchable ? moduli.s21 * moduli.s21 / mismatch : kInfinity;
  return result;
}

// The maximum available gain |S21/S12| / (K + sqrt(K^2 - 1)) of an
// unconditionally stable two-port. The sum has no cancellation, unlike
// K - sqrt(K^2 - 1), which loses every digit once K is large; the root is
// taken as sqrt(K - 1) sqrt(K + 1), exact in its factors near K = 1 and
// finite for every finite K.
double maximumAvailableGain(double k, double forward, double reverse) {
  return (forward / reverse) / (k + std::sqrt(k - 1.0) * std::sqrt(k + 1.0));
}

// Rollett's stability factor and the matching gain it allows.
StabilityAndGain bilateralStabilityAndGain(const TwoPortScattering& s, const TwoPortModuli& moduli) {
  const double reflection1 = moduli.s11;
  const double reflection2 = moduli.s22;
  const double forward = moduli.s21;
  const double reverse = moduli.s12;
  double delta;
  double coupling;
  kernels::modulusPair(determinant(s), complexProduct(s.s12, s.s21), &delta, &coupling);
  StabilityAndGain result;
  result.k = (((1.0 - reflection1 * reflection1) - reflection2 * reflection2) + delta * delta) /
             (coupling + coupling);
  if (result.k > 1.0 && delta < 1.0) {
    result.gmax = maximumAvailableGain(result.k, forward, reverse);
  } else {
    result.gmax = forward / reverse;  // not unconditionally stable: the stable gain
  }
  return result;
}

TwoPortScattering readTwoPort(const NetworkSamples& network, const NetworkLayout& layout, size_t p1,
                              size_t p2, size_t sample) {
  double* const* data = network.waveformData;
  return {readSample(data[layout.scatteringEntry(p1, p1)], sample),
          readSample(data[layout.scatteringEntry(p2, p1)], sample),
          readSample(data[layout.scatteringEntry(p1, p2)], sample),
          readSample(data[layout.scatteringEntry(p2, p2)], sample)};
}

bool isTerminal(int index, const NetworkLayout& layout) {
  return index >= 0 && static_cast<size_t>(index) < layout.terminals;
}

}  // namespace

TwoPortModuli::TwoPortModuli(const TwoPortScattering& s) {
  kernels::modulusPair(s.s11, s.s21, &s11, &s21);
  kernels::modulusPair(s.s12, s.s22, &s12, &s22);
}

StabilityAndGain stabilityAndMaximumGain(const TwoPortScattering& s) {
  return stabilityAndMaximumGain(s, TwoPortModuli(s));
}

StabilityAndGain stabilityAndMaximumGain(const TwoPortScattering& s, const TwoPortModuli& moduli) {
  if (moduli.s21 < kVanishing) return {0.0, kInfinity};
  if (moduli.s12 < kVanishing) return unilateralStabilityAndGain(moduli);
  return bilateralStabilityAndGain(s, moduli);
}

double maximumStableGain(const TwoPortScattering& s) { return maximumStableGain(TwoPortModuli(s)); }

double maximumStableGain(const TwoPortModuli& moduli) {
  if (moduli.s12 == 0.0) return kNaN;
  return moduli.s21 / moduli.s12;
}

double availableGain(const TwoPortScattering& s, DComplex gammaOpt) {
  return availableGain(s, TwoPortModuli(s), gammaOpt);
}

double availableGain(const TwoPortScattering& s, const TwoPortModuli& moduli, DComplex gammaOpt) {
  const double s21 = moduli.s21;
  const double gamma = modulus(gammaOpt);
  const DComplex delta = determinant(s);
  const double input = squaredModulus(DComplex(1.0, 0.0) - complexProduct(s.s11, gammaOpt));
  const double output = squaredModulus(s.s22 - complexProduct(delta, gammaOpt));
  return (s21 * s21) * (1.0 - gamma * gamma) / (input - output);
}

GainCalculation::GainCalculation(const NetworkSamples& network, const NetworkLayout& layout)
    : network_(network), layout_(layout) {
  if (!isTerminal(network.port1Index, layout) || !isTerminal(network.port2Index, layout)) return;
  if (!hasEntries(network, 0, layout.terminals * layout.terminals)) return;
  if (!hasEntries(network, layout.gainBase, kGainEntryCount)) return;
  applies_ = true;
  withAvailableGain_ = network.hasNoise == 1 && hasEntries(network, layout.noise(kOptimumReflection), 1) &&
                       hasEntries(network, layout.availableGain(), 1);
  port1_ = static_cast<size_t>(network.port1Index);
  port2_ = static_cast<size_t>(network.port2Index);
}

void GainCalculation::storeSample(size_t sample, const TwoPortScattering& s) const {
  double* const* gain = network_.waveformData + layout_.gainBase;
  const TwoPortModuli moduli(s);
  const StabilityAndGain figures = stabilityAndMaximumGain(s, moduli);
  writeReal(gain[kMaximumGain], sample, figures.gmax);
  writeReal(gain[kStabilityFactor], sample, figures.k);
  writeReal(gain[kMaximumStableGain], sample, maximumStableGain(moduli));
  if (withAvailableGain_) {
    const DComplex gammaOpt = readSample(network_.waveformData[layout_.noise(kOptimumReflection)], sample);
    writeReal(network_.waveformData[layout_.availableGain()], sample, availableGain(s, moduli, gammaOpt));
  }
}

void GainCalculation::calculateRange(size_t begin, size_t end) const {
  for (size_t i = begin; i < end; ++i) storeSample(i, readTwoPort(network_, layout_, port1_, port2_, i));
}

void calculateGainAndStability(const NetworkSamples& network, const NetworkLayout& layout) {
  const GainCalculation gains(network, layout);
  if (gains.applies()) gains.calculateRange(0, layout.sampleCount);
}

}  // namespace korvel
