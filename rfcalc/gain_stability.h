// Stability factor and power gains of a two-port: K, the maximum gain Gmax,
// the maximum stable gain Gmsg and, with noise data, the available gain Gas
// with the source at the optimum-noise reflection coefficient. All are
// linear power ratios.
#ifndef KORVEL_RFCALC_GAIN_STABILITY_H
#define KORVEL_RFCALC_GAIN_STABILITY_H

#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/network_parameters.h"

namespace korvel {

// The scattering parameters of the two terminals that play ports 1 and 2.
struct TwoPortScattering {
  DComplex s11;
  DComplex s21;
  DComplex s12;
  DComplex s22;
};

// |S11|, |S21|, |S12| and |S22|, taken once per sample and shared by every
// figure, each the same modulus() the figures would take themselves.
struct TwoPortModuli {
  explicit TwoPortModuli(const TwoPortScattering& s);
  double s11;
  double s21;
  double s12;
  double s22;
};

struct StabilityAndGain {
  double gmax;
  double k;
};

// K and Gmax. A vanishing |S21| (below 1e-9) gives Gmax 0 and K +infinity.
// A vanishing |S12| (unilateral) gives K the sign of
// (1 - |S11|^2)(1 - |S22|^2) as an infinity (NaN when it is 0), and Gmax the
// maximum unilateral gain |S21|^2 / ((1 - |S11|^2)(1 - |S22|^2)) when both
// |S11| and |S22| are below 1, else +infinity. Otherwise K is Rollett's
// factor and Gmax, when the two-port is unconditionally stable (K > 1 and
// |Delta| < 1), the maximum available gain |S21/S12| / (K + sqrt(K^2 - 1)),
// else Gmsg.
StabilityAndGain stabilityAndMaximumGain(const TwoPortScattering& s);

// |S21| / |S12|; NaN when S12 is exactly zero.
double maximumStableGain(const TwoPortScattering& s);

// |S21|^2 (1 - |G|^2) / (|1 - S11 G|^2 - |S22 - Delta G|^2) for G = gammaOpt.
double availableGain(const TwoPortScattering& s, DComplex gammaOpt);

// The same three with the moduli already taken; the results are the same,
// bit for bit. REQUIRES: `moduli` was made from `s`.
StabilityAndGain stabilityAndMaximumGain(const TwoPortScattering& s, const TwoPortModuli& moduli);
double maximumStableGain(const TwoPortModuli& moduli);
double availableGain(const TwoPortScattering& s, const TwoPortModuli& moduli, DComplex gammaOpt);

// The gain step of one network: where its figures go, decided once, and
// the figures of a sample written there.
class GainCalculation {
 public:
  GainCalculation(const NetworkSamples& network, const NetworkLayout& layout);

  // False when a port index is not a terminal or an entry the figures need
  // is missing: the step is then left out.
  bool applies() const { return applies_; }
  // The terminals that play ports 1 and 2.
  size_t port1() const { return port1_; }
  size_t port2() const { return port2_; }

  // Writes Gmax, K, Gmsg and, with noise data, Gas of `sample` from its
  // scattering parameters `s`. REQUIRES: applies().
  void storeSample(size_t sample, const TwoPortScattering& s) const;
  // The same for samples begin .. end - 1, reading S from the network.
  void calculateRange(size_t begin, size_t end) const;

 private:
  const NetworkSamples& network_;
  const NetworkLayout& layout_;
  bool applies_ = false;
  bool withAvailableGain_ = false;
  size_t port1_ = 0;
  size_t port2_ = 0;
};

// Writes Gmax, K, Gmsg and, when hasNoise is 1, Gas at every sample, with
// ports 1 and 2 at terminals port1Index and port2Index. Does nothing when a
// port index is not a terminal or an entry it needs is missing.
void calculateGainAndStability(const NetworkSamples& network, const NetworkLayout& layout);

}  // namespace korvel

#endif  // KORVEL_RFCALC_GAIN_STABILITY_H
