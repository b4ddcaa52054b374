#include "rfcalc/noise_parameters.h"

#include <cmath>

namespace korvel {
namespace {

// Zopt = R0 (1 + G) / (1 - G), the product formed before the quotient.
DComplex optimumImpedance(DComplex gammaOpt, double r0) {
  const double gr = gammaOpt.real();
  const double gi = gammaOpt.imag();
  return complexProduct(DComplex(r0, 0.0), DComplex(1.0 + gr, gi)) / DComplex(1.0 - gr, -gi);
}

// The root with the negative square-root sign of F1 u^2 + 2 Rn u + c = 0,
// c = F1 Gr^2 - 2 Rn Gr: the real part of the correlation impedance.
double correlationResistance(double fmin, double gr, double rn) {
  const double f1 = fmin - 1.0;
  const double twoRn = 2.0 * rn;
  const double c = (f1 * gr) * gr - gr * twoRn;
  const double disc = twoRn * twoRn - (4.0 * f1) * c;
  return -(std::sqrt(disc) + twoRn) / (f1 + f1);
}

// Fmin + (Rn / Gs) |Ys - Yopt|^2 with Ys = Gs = 1 / R0 and Yopt = 1 / Zopt.
double noiseFactorAtReference(DComplex zopt, double fmin, double rn, double r0) {
  const DComplex ratio = DComplex(r0, 0.0) / zopt;
  const double mismatch = modulus(DComplex(ratio.real() - 1.0, ratio.imag()));
  return (mismatch * rn) * mismatch / r0 + fmin;
}

}  // namespace

NoiseFigures computeNoiseFigures(double nfminDb, DComplex gammaOpt, double rn, double r0, double fourKT) {
  NoiseFigures figures;
  figures.zopt = optimumImpedance(gammaOpt, r0);
  figures.vn2 = rn * fourKT;
  figures.fmin = std::pow(10.0, nfminDb / 10.0);
  const double u = correlationResistance(figures.fmin, gammaOpt.real(), rn);
  figures.zcor = DComplex(u, -gammaOpt.imag());
  figures.ycor = DComplex(1.0, 0.0) / figures.zcor;
  figures.in2 = (2.0 * rn * fourKT) / (u * u + gammaOpt.real() * gammaOpt.real());
  figures.nf = noiseFactorAtReference(figures.zopt, figures.fmin, rn, r0);
  return figures;
}

void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT) {
  calculateNoiseParameters(network, layout, fourKT, 0, layout.noiseSampleCount);
}

void calculateNoiseParameters(const NetworkSamples& network, const NetworkLayout& layout, double fourKT,
                              size_t begin, size_t end) {
  if (!hasEntries(network, layout.noiseBase, kNoiseEntryCount)) return;
  double* const* noise = network.waveformData + layout.noiseBase;
  for (size_t p = begin; p < end && p < layout.noiseSampleCount; ++p) {
    const NoiseFigures figures =
        computeNoiseFigures(readReal(noise[kMinimumNoiseFigure], p), readSample(noise[kOptimumReflection], p),
                            readReal(noise[kNoiseResistance], p), network.referenceImpedance, fourKT);
    writeReal(noise[kMinimumNoiseFigure], p, figures.fmin);
    writeSample(noise[kOptimumImpedance], p, figures.zopt);
    writeReal(noise[kNoiseVoltageDensity], p, figures.vn2);
    writeReal(noise[kNoiseCurrentDensity], p, figures.in2);
    writeSample(noise[kCorrelationImpedance], p, figures.zcor);
    writeSample(noise[kCorrelationAdmittance], p, figures.ycor);
    writeReal(noise[kNoiseFactor], p, figures.nf);
  }
}

}  // namespace korvel
