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

// What one noise sample yields.
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
// Degenerate inputs give IEEE infinities and NaN, never a failure.
NoiseFigures computeNoiseFigures(double nfminDb, DComplex gammaOpt, double rn, double r0, double fourKT);

// Writes the figures of every noise sample into the noise entries, NFmin
// replaced by its linear factor. Does nothing unless all nine entries exist.
void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT);

// The same for the noise samples among begin .. end - 1 only.
void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT,
                              size_t begin, size_t end);

}  // namespace korvel

#endif  // KORVEL_RFCALC_NOISE_PARAMETERS_H
