// The calculation driver and the conversion of S-parameters into Z- and
// Y-parameters, sample by sample, with R the diagonal of the terminals'
// reference impedances:
//   Z = R^1/2 (I + S)(I - S)^-1 R^1/2  and  Y = R^-1/2 (I - S)(I + S)^-1 R^-1/2.
// When every terminal of a sample has the same reference r these are
// Z = (I + S)(I - S)^-1 Z0 and Y = (I - S)(I + S)^-1 Z0^-1 with Z0 = r I,
// and that is how they are then computed, the factors multiplied in exactly
// this order, so that such networks keep their results bit for bit. With
// unequal references the outer factors scale the elements: Zij by
// sqrt(ri) sqrt(rj) (ri on the diagonal), Yij by the reciprocal of that.
#include "rfcalc/network_parameters.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/gain_stability.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/noise_parameters.h"
#include "rfcalc/non_trapping_arithmetic.h"
#include "rfcalc/singular_matrix_report.h"

namespace korvel {
namespace {

const DComplex kNoValue(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());

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
        pivots(n),
        references(size(n)),
        impedanceWeights(size(n) * size(n)),
        admittanceWeights(size(n) * size(n)) {}
  static unsigned size(int n) { return static_cast<unsigned>(n); }

  DComplexGenMat z0Matrix;
  DComplexGenMat z0Inverse;
  DComplexGenMat identityPlusS;
  DComplexGenMat identityMinusS;
  DComplexGenMat zResult;  // I - S, then its inverse, then Z
  DComplexGenMat yResult;  // I + S, then its inverse, then Y
  DComplexGenMat product;  // the inner product, before the reference factors
  PivotRecord pivots;
  // The reference of each terminal that the matrices and weights below
  // were made from.
  std::vector<double> references;
  // Row-major factors of unequal references: sqrt(ri) sqrt(rj) for Z (ri
  // itself on the diagonal), their reciprocals for Y.
  std::vector<double> impedanceWeights;
  std::vector<double> admittanceWeights;
};

// Whether every reference equals the first (values that are not numbers
// count as equal when their bits are the same): the networks whose Z and
// Y keep the computation with Z0 = r I.
bool areEqual(const std::vector<double>& references) {
  for (double r : references) {
    if (!(r == references[0]) && std::memcmp(&r, &references[0], sizeof r) != 0) return false;
  }
  return true;
}

// `*scaled` = the elements of `m`, each multiplied by its real weight.
void scaleElements(const DComplexGenMat& m, const std::vector<double>& weights, DComplexGenMat* scaled) {
  for (size_t e = 0; e < weights.size(); ++e) {
    const DComplex value = m.data()[e];
    scaled->data()[e] = DComplex(value.real() * weights[e], value.imag() * weights[e]);
  }
}

// One network's conversion: its samples, layout and working matrices.
class ImpedanceConversion {
 public:
  ImpedanceConversion(const NetworkSamples& network, const NetworkLayout& layout)
      : network_(network), layout_(layout), n_(network.terminalCount), matrices_(n_) {}

  void convertSample(size_t sample);

 private:
  // Makes the reference matrices of the sample's references unless the
  // sample before had the same ones, as the samples of a network usually
  // do.
  void useReferencesOf(size_t sample);
  // Sets up Z0 and Z0^-1, or the weights of unequal references, from
  // matrices_.references; reports a singular Z0, once per network.
  void prepareReferences();
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
  bool prepared_ = false;
  bool singularReferenceReported_ = false;
  bool equalReferences_ = true;
  bool z0Invertible_ = true;
  // Whether Z0^-1 came out diagonal, as the inverse of a diagonal matrix
  // does unless an infinite reciprocal spread not-a-number values.
  bool z0InverseDiagonal_ = true;
};

void ImpedanceConversion::useReferencesOf(size_t sample) {
  bool same = prepared_;
  for (size_t t = 0; t < layout_.terminals; ++t) {
    const double r = readReal(network_.waveformData[layout_.zo(t)], sample);
    same = same && std::memcmp(&r, &matrices_.references[t], sizeof r) == 0;
    matrices_.references[t] = r;
  }
  if (same) return;
  prepareReferences();
  prepared_ = true;
}

void ImpedanceConversion::prepareReferences() {
  ConversionMatrices& m = matrices_;
  const size_t n = layout_.terminals;
  for (size_t e = 0; e < n * n; ++e) m.z0Inverse.data()[e] = m.z0Matrix.data()[e] = DComplex();
  for (size_t t = 0; t < n; ++t) m.z0Matrix(t, t) = m.z0Inverse(t, t) = DComplex(m.references[t], 0.0);
  z0Invertible_ = invertMatrix(m.z0Inverse, n_, m.pivots) == kInverted;
  if (!z0Invertible_ && !singularReferenceReported_) {
    reportSingularMatrix(kReferenceImpedanceSingular);
    singularReferenceReported_ = true;
  }
  z0InverseDiagonal_ = hasZeroOffDiagonal(m.z0Inverse, n_);
  equalReferences_ = areEqual(m.references);
  if (equalReferences_) return;
  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      const double weight =
          r == c ? m.references[r] : std::sqrt(m.references[r]) * std::sqrt(m.references[c]);
      m.impedanceWeights[r * n + c] = weight;
      m.admittanceWeights[r * n + c] = 1.0 / weight;
    }
  }
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
  if (equalReferences_) {
    multiplyByDiagonal(m.product, m.z0Matrix, n_, &m.zResult);
  } else {
    scaleElements(m.product, m.impedanceWeights, &m.zResult);
  }
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
  if (!equalReferences_) {
    scaleElements(m.product, m.admittanceWeights, &m.yResult);
  } else if (z0InverseDiagonal_) {
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
  useReferencesOf(sample);
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
