// The calculation driver and the conversion of S-parameters into Z- and
// Y-parameters, sample by sample:
//   Z = (I + S)(I - S)^-1 Z0    and    Y = (I - S)(I + S)^-1 Z0^-1,
// with Z0 the diagonal of the terminals' reference impedances, the factors
// multiplied in exactly this order. With unequal reference impedances Z is
// therefore not symmetric; that is the system's convention.
#include "rfcalc/network_parameters.h"

#include <cfenv>
#include <limits>
#include <new>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/gain_stability.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/noise_parameters.h"
#include "rfcalc/singular_matrix_report.h"

namespace korvel {
namespace {

const DComplex kNoValue(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());

// Masks every floating-point exception while it lives, whatever the host
// process enabled, and restores the host's environment (discarding the
// flags raised meanwhile) when it goes.
class NonTrappingArithmetic {
 public:
  NonTrappingArithmetic() { std::feholdexcept(&saved_); }
  ~NonTrappingArithmetic() { std::fesetenv(&saved_); }
  NonTrappingArithmetic(const NonTrappingArithmetic&) = delete;
  NonTrappingArithmetic& operator=(const NonTrappingArithmetic&) = delete;

 private:
  std::fenv_t saved_;
};

// The working matrices of the conversion, made once per network and reused
// at every sample, so that no sample allocates.
struct ConversionMatrices {
  explicit ConversionMatrices(int n)
      : z0Matrix(size(n), size(n), DComplex()),
        z0Inverse(size(n), size(n), DComplex()),
        identityPlusS(size(n), size(n), DComplex()),
        identityMinusS(size(n), size(n), DComplex()),
        zResult(size(n), size(n), DComplex()),
        yResult(size(n), size(n), DComplex()),
        product(size(n), size(n), DComplex()),
        pivots(n) {}
  static unsigned size(int n) { return static_cast<unsigned>(n); }

  DComplexGenMat z0Matrix;
  DComplexGenMat z0Inverse;
  DComplexGenMat identityPlusS;
  DComplexGenMat identityMinusS;
  DComplexGenMat zResult;  // I - S, then its inverse, then Z
  DComplexGenMat yResult;  // I + S, then its inverse, then Y
  DComplexGenMat product;  // left partial product, before the Z0 factor
  PivotRecord pivots;
};

// One network's conversion: its samples, layout and working matrices.
class ImpedanceConversion {
 public:
  ImpedanceConversion(const NetworkSamples& network, const NetworkLayout& layout)
      : network_(network), layout_(layout), n_(network.terminalCount), matrices_(n_) {}

  // Sets up I, Z0 and Z0^-1 from the first sample of each reference
  // impedance; reports a singular Z0. Every sample shares them.
  void prepareReferenceImpedances();
  void convertSample(size_t sample);

 private:
  // I + S and I - S of the sample, each also as the matrix to invert.
  void loadScattering(size_t sample);
  // Z of the sample, or false when I - S has no inverse.
  bool impedance();
  // Y of the sample, or false when I + S has no inverse.
  bool admittance();
  void store(size_t firstEntry, size_t sample, const DComplexGenMat* result);

  const NetworkSamples& network_;
  const NetworkLayout& layout_;
  const int n_;
  ConversionMatrices matrices_;
  bool z0Invertible_ = true;
  // Whether Z0^-1 came out diagonal, as the inverse of a diagonal matrix
  // does unless an infinite reciprocal spread not-a-number values.
  bool z0InverseDiagonal_ = true;
};

void ImpedanceConversion::prepareReferenceImpedances() {
  ConversionMatrices& m = matrices_;
  for (size_t t = 0; t < layout_.terminals; ++t) {
    m.z0Matrix(t, t) = DComplex(readReal(network_.waveformData[layout_.zo(t)], 0), 0.0);
    m.z0Inverse(t, t) = m.z0Matrix(t, t);
  }
  z0Invertible_ = invertMatrix(m.z0Inverse, n_, m.pivots) == kInverted;
  if (!z0Invertible_) reportSingularMatrix(kReferenceImpedanceSingular);
  z0InverseDiagonal_ = hasZeroOffDiagonal(m.z0Inverse, n_);
}

void ImpedanceConversion::loadScattering(size_t sample) {
  ConversionMatrices& m = matrices_;
  for (size_t r = 0; r < layout_.terminals; ++r) {
    for (size_t c = 0; c < layout_.terminals; ++c) {
      const DComplex s = readSample(network_.waveformData[layout_.scatteringEntry(r, c)], sample);
      const DComplex identity = r == c ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
      m.identityPlusS(r, c) = m.yResult(r, c) = identity + s;
      m.identityMinusS(r, c) = m.zResult(r, c) = identity - s;
    }
  }
}

bool ImpedanceConversion::impedance() {
  ConversionMatrices& m = matrices_;
  if (invertMatrix(m.zResult, n_, m.pivots) != kInverted) {
    reportSingularMatrix(kIdentityMinusScatteringSingular);
    return false;
  }
  multiplyMatrices(m.identityPlusS, m.zResult, n_, &m.product);
  multiplyByDiagonal(m.product, m.z0Matrix, n_, &m.zResult);
  return true;
}

bool ImpedanceConversion::admittance() {
  ConversionMatrices& m = matrices_;
  if (invertMatrix(m.yResult, n_, m.pivots) != kInverted) {
    reportSingularMatrix(kIdentityPlusScatteringSingular);
    return false;
  }
  // Still inverted for its message when Z0 is singular, but with no Z0^-1
  // there is no admittance to form.
  if (!z0Invertible_) return false;
  multiplyMatrices(m.identityMinusS, m.yResult, n_, &m.product);
  if (z0InverseDiagonal_) {
    multiplyByDiagonal(m.product, m.z0Inverse, n_, &m.yResult);
  } else {
    multiplyMatrices(m.product, m.z0Inverse, n_, &m.yResult);
  }
  return true;
}

// Writes `result` row-major into the entries from `firstEntry` on; a null
// result writes quiet NaN, the value of a matrix with no inverse.
void ImpedanceConversion::store(size_t firstEntry, size_t sample, const DComplexGenMat* result) {
  for (size_t r = 0; r < layout_.terminals; ++r) {
    for (size_t c = 0; c < layout_.terminals; ++c) {
      double* entry = network_.waveformData[firstEntry + r * layout_.terminals + c];
      writeSample(entry, sample, result != nullptr ? (*result)(r, c) : kNoValue);
    }
  }
}

void ImpedanceConversion::convertSample(size_t sample) {
  loadScattering(sample);
  const bool hasImpedance = impedance();
  const bool hasAdmittance = admittance();
  store(layout_.zBase, sample, hasImpedance ? &matrices_.zResult : nullptr);
  store(layout_.yBase, sample, hasAdmittance ? &matrices_.yResult : nullptr);
}

// Fills every Z and Y sample with quiet NaN, when the working matrices
// cannot even be made.
void storeNoImpedanceOrAdmittance(const NetworkSamples& network, const NetworkLayout& layout) {
  const size_t entries = 2 * layout.terminals * layout.terminals;
  for (size_t entry = layout.zBase; entry < layout.zBase + entries; ++entry) {
    for (size_t i = 0; i < layout.sampleCount; ++i) writeSample(network.waveformData[entry], i, kNoValue);
  }
}

void convertToImpedanceAndAdmittance(const NetworkSamples& network, const NetworkLayout& layout) {
  // With no sample the reference-impedance entries may hold nothing to read.
  if (layout.terminals == 0 || layout.sampleCount == 0) return;
  if (!hasEntries(network, 0, layout.gainBase)) return;
  try {
    ImpedanceConversion conversion(network, layout);
    conversion.prepareReferenceImpedances();
    for (size_t i = 0; i < layout.sampleCount; ++i) conversion.convertSample(i);
  } catch (const std::bad_alloc&) {
    storeNoImpedanceOrAdmittance(network, layout);
  }
}

}  // namespace

int calculateNetworkParameters(const NetworkSamples& network) {
  NonTrappingArithmetic arithmetic;
  const double fourKT = kFourBoltzmann * network.noiseTemperature;
  const NetworkLayout layout(network);
  if (network.hasNoise == 1) calculateNoiseParameters(network, layout, fourKT);
  convertToImpedanceAndAdmittance(network, layout);
  if (network.portCount == 2) calculateGainAndStability(network, layout);
  return 0;
}

}  // namespace korvel
