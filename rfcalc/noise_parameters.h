// Noise quantities of a network from its measured noise parameters: the
// minimum noise figure, the optimum source reflection coefficient and the
// equivalent noise resistance.
#ifndef KORVEL_RFCALC_NOISE_PARAMETERS_H
#define KORVEL_RFCALC_NOISE_PARAMETERS_H

#include <cstddef>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/network_parameters.h"

namespace korvel {

// Four times the Boltzmann constant 1.3806226e-23 J/K.
inline constexpr double kFourBoltzmann = 5.5224904e-23;

// What one noise sample yields. The noise of the two-port is that of a
// noiseless two-port driven through two input-referred sources of the chain
// representation: a series voltage vn and a shunt current
// in = Ycor vn + iu, iu uncorrelated with vn; equally vn = Zcor in + vu.
// With Yopt = Gopt + j Bopt = (1 / R0)(1 - GammaOpt) / (1 + GammaOpt):
// vn^2 = 4kT Rn, in^2 = 4kT Rn |Yopt|^2, Ycor = (Fmin - 1) / (2 Rn) - Yopt
// (so that Fmin = 1 + 2 Rn (Gcor + Gopt) and Bcor = -Bopt) and
// Zcor = conj(Ycor) vn^2 / in^2 = ((Fmin - 1) / 2 - Rn conj(Yopt)) / (Rn |Yopt|^2).
struct NoiseFigures {
  double fmin;    // linear minimum noise factor
  DComplex zopt;  // optimum source impedance, ohms
  double vn2;     // noise voltage spectral density, V^2/Hz
  double in2;     // noise current spectral density, A^2/Hz
  DComplex zcor;  // correlation impedance, ohms
  DComplex ycor;  // correlation admittance, siemens
  double nf;      // noise factor with a source of the reference impedance
};

// Derives the figures of one sample from the minimum noise figure in dB,
// GammaOpt, Rn in ohms, the reference impedance R0 in ohms and 4kT.
// Degenerate inputs (Rn = 0, GammaOpt = -1 or 1, R0 = 0) give IEEE
// infinities and NaN, never a failure.
NoiseFigures computeNoiseFigures(double nfminDb, DComplex gammaOpt, double rn, double r0, double fourKT);

// Writes the figures of every noise sample into the noise entries, NFmin
// replaced by its linear factor. Does nothing unless all nine entries exist.
void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT);

// The same for the noise samples among begin .. end - 1 only.
void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT,
                              size_t begin, size_t end);

}  // namespace korvel

#endif  // KORVEL_RFCALC_NOISE_PARAMETERS_H
