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

// Yopt = (1 / R0)(1 - G) / (1 + G), the admittance of the optimum source.
DComplex optimumAdmittance(DComplex gammaOpt, double r0) {
  const double gr = gammaOpt.real();
  const double gi = gammaOpt.imag();
  return DComplex(1.0 - gr, -gi) / complexProduct(DComplex(r0, 0.0), DComplex(1.0 + gr, gi));
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
  // The input-referred sources of the chain representation: vn in series
  // and in = Ycor vn + iu in shunt, with Fmin = 1 + 2 Rn (Gcor + Gopt),
  // Bcor = -Bopt and in^2 = 4kT Rn |Yopt|^2.
  const DComplex yopt = optimumAdmittance(gammaOpt, r0);
  const double yoptSquared = squaredParts(yopt);
  figures.in2 = figures.vn2 * yoptSquared;
  figures.ycor = DComplex((figures.fmin - 1.0) / (2.0 * rn), 0.0) - yopt;
  // vn = Zcor in + vu: Zcor = conj(Ycor) vn^2 / in^2
  // = ((Fmin - 1) / 2 - Rn conj(Yopt)) / (Rn |Yopt|^2).
  figures.zcor = std::conj(figures.ycor) / yoptSquared;
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
