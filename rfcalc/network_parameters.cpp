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
// These hold for real references only: a sample at which some terminal's
// reference has a reactance (the imaginary part of its Zo entry) gets no Z
// and no Y, rather than values formed with the wrong reference.
//
// Z and Y are formed on several paths, kept equal bit for bit on purpose:
// a change to the formula, its operand order or its handling of a singular
// matrix or an unusual reference changes every one of them, and the test
// that runs them all on the same networks (ImpedancePathTest) must pass.
//  1. General: convertSample with impedance(), admittance() and
//     prepareReferences() here, on the fixed-size kernels of
//     matrix_kernels.h (through complex_matrix.cpp) for 1 and 4 terminals.
//  2. Planar: the same driver steps for 3 and for 5 or more terminals, on
//     multiplyPlanar and invertPlanar (planar_matrix.cpp) and
//     multiplyFiniteByDiagonal (complex_matrix.cpp): the samples of more
//     than 32 terminals, and those that path 6 leaves.
//  3. Two terminals, scalar: convertTwoTerminalScalar, the samples that the
//     paired arithmetic leaves, with the messages of singular matrices.
//  4. Two terminals, paired: convertTwoTerminalPaired with the kernels of
//     paired_two_by_two.h, and convertQuad with the same kernels on two
//     samples at once in four lanes; the samples they leave take path 3.
//  5. Four terminals, paired: convertFourTerminalPaired with the kernels
//     of paired_four_by_four.h, and convertQuad with the same kernels on
//     two samples at once in four lanes; the samples they leave take
//     path 1.
//  6. Blocks of points, 3 and 5 to 32 terminals: convertInBlocks,
//     convertBlock, loadBlock and finishBlock here, on loadIdentitySums,
//     invertBlock, multiplyBlock, multiplyBlockByDiagonal, scaleBlock and
//     storeBlockResults (point_block.cpp), eight samples (four from 12
//     terminals) with the same references side by side; a change to the
//     formula is made to finishBlock's weighting (both its own and
//     storeBlockResults'), to loadIdentitySums' sums and to blocksApply()'s
//     conditions as well. Samples with a singular matrix, a value that is
//     not finite in a product, or a pivot the block search cannot find
//     exactly take path 2, which prints their messages in sample order.
// The tests' own conversion, AnySizeConversion in
// tests/rfcalc/network_fixture.h, is the formula all of them are held to.
// Four lanes of doubles pass only between functions inlined into one
// flattened function here, so the note that passing them by value differs
// between processors' ABIs concerns nothing in this file.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "rfcalc/network_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "parallel/non_trapping_arithmetic.h"
#include "parallel/worker_threads.h"
#include "rfcalc/complex_matrix.h"
#include "rfcalc/gain_stability.h"
#include "rfcalc/matrix_kernels.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/noise_parameters.h"
#include "rfcalc/paired_four_by_four.h"
#include "rfcalc/paired_two_by_two.h"
#include "rfcalc/point_block.h"
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

// The blocks of the conversion of several samples at once: I + S and
// I - S, the inverse of one of them and the product, each of
// kernels::blockPoints(n) samples.
struct ConversionBlocks {
  explicit ConversionBlocks(size_t n)
      : plus(kernels::blockDoubles(n)),
        minus(kernels::blockDoubles(n)),
        inverse(kernels::blockDoubles(n)),
        product(kernels::blockDoubles(n)),
        inversion(n) {}

  std::vector<double> plus;
  std::vector<double> minus;
  std::vector<double> inverse;
  std::vector<double> product;
  kernels::BlockInversion inversion;
  // The diagonals of Z0 and Z0^-1, real and imaginary parts.
  std::vector<double> z0Re, z0Im, z0InverseRe, z0InverseIm;
};

// Whether networks of n terminals are converted in blocks: those of the
// planar kernels' sizes whose blocks stay in the processor's cache.
bool convertsInBlocks(size_t n) { return (n == 3 || n >= 5) && n <= kernels::kBlockMaxTerminals; }

// Whether every reference equals the first (values that are not numbers
// count as equal when their bits are the same): the networks whose Z and
// Y keep the computation with Z0 = r I.
bool areEqual(const std::vector<double>& references) {
  for (double r : references) {
    if (!(r == references[0]) && std::memcmp(&r, &references[0], sizeof r) != 0) return false;
  }
  return true;
}

// `scaled` = the `count` elements of `m`, each multiplied by its real weight.
void scaleElements(const DComplex* m, const double* weights, size_t count, DComplex* scaled) {
  for (size_t e = 0; e < count; ++e) scaled[e] = DComplex(m[e].real() * weights[e], m[e].imag() * weights[e]);
}

void scaleElements(const DComplexGenMat& m, const std::vector<double>& weights, DComplexGenMat* scaled) {
  scaleElements(m.data(), weights.data(), weights.size(), scaled->data());
}

// The singular-matrix messages of a calculation, in the order they arise.
// On the calling thread of a serial calculation they go straight to
// standard output; a part run on a worker keeps them, for the calling
// thread to print once every part has ended.
class SingularMatrixLog {
 public:
  enum Matrix : unsigned char { kReference, kIdentityMinusS, kIdentityPlusS };

  explicit SingularMatrixLog(bool keep) : keep_(keep) {}

  // Throws std::bad_alloc when a kept message finds no memory.
  void report(Matrix matrix) {
    if (keep_) {
      kept_.push_back(matrix);
    } else {
      reportSingularMatrix(textOf(matrix));
    }
  }

  // Prints the kept messages. The reference message is printed only while
  // *referenceReported is false, as a network reports it once.
  void printKept(bool* referenceReported) const {
    for (Matrix matrix : kept_) {
      if (matrix == kReference && *referenceReported) continue;
      if (matrix == kReference) *referenceReported = true;
      reportSingularMatrix(textOf(matrix));
    }
  }

 private:
  static const char* textOf(Matrix matrix) {
    switch (matrix) {
      case kReference:
        return kReferenceImpedanceSingular;
      case kIdentityMinusS:
        return kIdentityMinusScatteringSingular;
      default:
        return kIdentityPlusScatteringSingular;
    }
  }

  bool keep_;
  std::vector<Matrix> kept_;
};

// What the four-lane conversion of two two- or four-terminal samples
// takes from the references in use.
struct QuadReferences {
  bool equal = true;
  // Equal references: the diagonals of Z0 and Z0^-1, a terminal's each.
  DComplex z0[4];
  DComplex z0Inverse[4];
  // Unequal references: the row-major weights of Z and of Y.
  const double* impedanceWeights = nullptr;
  const double* admittanceWeights = nullptr;
};

using Quad = kernels::LaneComplex<kernels::Lanes4>;

// I - S and I + S of n-terminal samples `first` and `first + 1` (S
// row-major in the network's first n^2 entries) for the four-lane
// conversion: lanes 0 and 2 of `inverted` take I - S, which is inverted
// for Z, 1 and 3 I + S for Y; `left` holds the factors they are then
// multiplied by, I + S and I - S.
template <size_t kN>
[[gnu::always_inline]] inline void loadQuad(const NetworkSamples& network, size_t first, Quad* inverted,
                                            Quad* left) {
  using kernels::Lanes4;
  for (size_t r = 0; r < kN; ++r) {
    for (size_t c = 0; c < kN; ++c) {
      const double* entry = network.waveformData[r * kN + c];
      const DComplex identity = r == c ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
      const DComplex s0 = readSample(entry, first);
      const DComplex s1 = readSample(entry, first + 1);
      const DComplex plus0 = identity + s0;
      const DComplex minus0 = identity - s0;
      const DComplex plus1 = identity + s1;
      const DComplex minus1 = identity - s1;
      inverted[r * kN + c] = {Lanes4{minus0.real(), plus0.real(), minus1.real(), plus1.real()},
                              Lanes4{minus0.imag(), plus0.imag(), minus1.imag(), plus1.imag()}};
      left[r * kN + c] = {Lanes4{plus0.real(), minus0.real(), plus1.real(), minus1.real()},
                          Lanes4{plus0.imag(), minus0.imag(), plus1.imag(), minus1.imag()}};
    }
  }
}

// The products of the four-lane conversion of n-terminal samples made Z
// (lanes 0 and 2) and Y (lanes 1 and 3): times the diagonal of Z0 or of
// Z0^-1 for equal references, as the paired paths multiply them (valid
// only where the product and the diagonal are finite), else times the
// weights of the unequal ones.
template <size_t kN>
[[gnu::always_inline]] inline void weighQuad(const Quad* product, const QuadReferences& references,
                                             Quad* result, kernels::LaneMask4* valid) {
  using kernels::Lanes4;
  if (references.equal) {
    Quad diagonal[kN];
    for (size_t t = 0; t < kN; ++t) {
      const DComplex z = references.z0[t];
      const DComplex inverse = references.z0Inverse[t];
      diagonal[t] = {Lanes4{z.real(), inverse.real(), z.real(), inverse.real()},
                     Lanes4{z.imag(), inverse.imag(), z.imag(), inverse.imag()}};
    }
    kernels::pairedMultiplyByDiagonalOf<kN>(product, diagonal, result, valid);
    return;
  }
  Lanes4 weights[kN * kN];
  for (size_t e = 0; e < kN * kN; ++e) {
    const double z = references.impedanceWeights[e];
    const double y = references.admittanceWeights[e];
    weights[e] = Lanes4{z, y, z, y};
  }
  kernels::pairedScale<kN * kN>(product, weights, result);
}

// Writes Z and Y of samples `first` and `first + 1` from the lanes of
// `result` where both of a sample's lanes are valid; returns bit k set
// when sample first + k was written.
template <size_t kN>
[[gnu::always_inline]] inline unsigned writeQuad(const NetworkSamples& network, const NetworkLayout& layout,
                                                 size_t first, const Quad* result, kernels::LaneMask4 valid) {
  unsigned written = 0;
  for (unsigned k = 0; k < 2; ++k) {
    const int zLane = static_cast<int>(2 * k);
    if ((valid[zLane] & valid[zLane + 1]) == 0) continue;
    for (size_t e = 0; e < kN * kN; ++e) {
      writeSample(network.waveformData[layout.zBase + e], first + k,
                  DComplex(result[e].re[zLane], result[e].im[zLane]));
      writeSample(network.waveformData[layout.yBase + e], first + k,
                  DComplex(result[e].re[zLane + 1], result[e].im[zLane + 1]));
    }
    written |= 1u << k;
  }
  return written;
}

// Z and Y of n-terminal samples `first` and `first + 1` (two or four
// terminals), as convertTwoTerminalPaired and convertFourTerminalPaired
// form them, the two samples side by side: lanes 0 and 1 the first
// sample's Z and Y, lanes 2 and 3 the second's. Returns bit k set when
// sample first + k was written, clear when it needs the scalar kernels
// (and nothing of it was written). Flattened, so that every kernel is
// inlined and the four lanes stay in registers.
template <size_t kN>
[[gnu::flatten, gnu::always_inline]] inline unsigned quadConversion(const NetworkSamples& network,
                                                                    const NetworkLayout& layout, size_t first,
                                                                    const QuadReferences& references) {
  using kernels::LaneMask4;
  Quad toInvert[kN * kN];
  Quad left[kN * kN];
  loadQuad<kN>(network, first, toInvert, left);
  LaneMask4 valid = kernels::allLanesSet<LaneMask4>();
  // The 2 x 2 inversion works in place, the 4 x 4 one into another matrix.
  Quad inverses[kN * kN];
  const Quad* inverse = inverses;
  if constexpr (kN == 2) {
    kernels::invertPairOfTwoByTwo(toInvert, &valid);
    inverse = toInvert;
  } else {
    kernels::invertPairOfFourByFour(toInvert, inverses, &valid);
  }
  Quad product[kN * kN];
  kernels::pairedMultiplyOf<kN>(left, inverse, product);
  Quad result[kN * kN];
  weighQuad<kN>(product, references, result, &valid);
  // Four-terminal results that are not finite may carry a not-a-number
  // whose sign the scalar path's operand order decides: that path forms
  // them. The two-terminal paired path writes them as it finds them.
  if constexpr (kN == 4) valid &= kernels::pairedFinite(result, kN * kN);
  return writeQuad<kN>(network, layout, first, result, valid);
}

// The flattened body above, built for AVX2 and for the baseline, for two
// and for four terminals. GCC flattens the clones themselves as well;
// Clang refuses flatten beside target_clones, and inlines the flattened
// body into each clone instead.
#if defined(__clang__)
[[gnu::target_clones("avx2", "default")]]
#else
[[gnu::flatten, gnu::target_clones("avx2", "default")]]
#endif
unsigned
convertQuad(const NetworkSamples& network, const NetworkLayout& layout, size_t first,
            const QuadReferences& references) {
  if (layout.terminals == 2) return quadConversion<2>(network, layout, first, references);
  return quadConversion<4>(network, layout, first, references);
}

// One network's conversion: its samples, layout and working matrices.
class ImpedanceConversion {
 public:
  // Throws std::bad_alloc when the working matrices find no memory.
  ImpedanceConversion(const NetworkSamples& network, const NetworkLayout& layout, SingularMatrixLog& log)
      : network_(network), layout_(layout), n_(network.terminalCount), matrices_(n_), log_(log) {
    if (convertsInBlocks(layout_.terminals)) blocks_ = std::make_unique<ConversionBlocks>(layout_.terminals);
  }

  void convertSample(size_t sample);
  // Z and Y of samples begin .. end - 1, in blocks of consecutive samples
  // with the same references where the block kernels apply, each sample
  // the blocks leave by convertSample. The results and messages are
  // convertSample's, sample by sample.
  void convertInBlocks(size_t begin, size_t end);
  // The same for a two-terminal network, the matrices held in registers;
  // with `gains`, the sample's gain figures follow in the same pass.
  void convertTwoTerminalSample(size_t sample, const GainCalculation* gains);
  // The same for samples begin .. end - 1, two at a time where both have
  // the references in use and the paired path applies.
  void convertTwoTerminalRange(size_t begin, size_t end, const GainCalculation* gains);
  // The same for a four-terminal network: the paired path where it
  // applies, else convertSample.
  void convertFourTerminalSample(size_t sample);
  // The same for samples begin .. end - 1, two at a time where both have
  // the references in use and the paired path applies.
  void convertFourTerminalRange(size_t begin, size_t end);

 private:
  // Z and Y of a four-terminal sample, the two calculations side by side
  // in the lanes of paired arithmetic, with the scalar kernels' results
  // bit for bit; false, with nothing written, for a sample that needs the
  // scalar kernels (see convertTwoTerminalPaired).
  bool convertFourTerminalPaired(size_t sample);
  // Whether the references in use let the paired paths reproduce
  // impedance() and admittance().
  bool pairedApplies() const { return z0Invertible_ && !(equalReferences_ && !z0InverseDiagonal_); }
  // What the four-lane conversions take of the references in use.
  QuadReferences quadReferences() const;
  // The gain figures of a two-terminal sample from its S.
  static void storeGains(size_t sample, const DComplex* s, const GainCalculation& gains);
  // Z and Y of a two-terminal sample from I + S and I - S, the two
  // calculations side by side in the lanes of paired arithmetic, with the
  // scalar kernels' results bit for bit; false, with nothing written, for
  // a sample that needs the scalar kernels (a rare pivot, a singular
  // matrix, a value that is not finite, or references that make no
  // admittance or a full product).
  bool convertTwoTerminalPaired(const DComplex* plus, const DComplex* minus, DComplex* z, DComplex* y) const;
  // Makes the reference matrices of the sample's references unless the
  // sample before had the same ones, as the samples of a network usually
  // do.
  // Returns false when a reference of the sample has a reactance.
  bool useReferencesOf(size_t sample);
  // Whether the sample's references are real and the ones in use.
  bool hasReferencesInUse(size_t sample) const;
  // Whether the references in use let the block kernels reproduce
  // impedance() and admittance(): an invertible Z0, and for equal
  // references Z0 and Z0^-1 diagonal with finite diagonals, so that the
  // products with them are the single terms multiplyByDiagonal takes.
  bool blocksApply() const;
  // Z and Y of the `count` samples from `first` (1 .. blockPoints(n)), all
  // with the references in use; the samples the block kernels leave go
  // through convertSample.
  // `end` ends the range being converted, whose next samples are
  // fetched ahead.
  void convertBlock(size_t first, size_t count, size_t end);
  void prefetchSamples(size_t firstEntry, size_t entries, size_t first, size_t count, bool forWriting) const;
  // Samples a cache line holds.
  static constexpr size_t kLineSamples = 64 / (2 * sizeof(double));
  // Asks for S, Z, Y and the references of the sample two lines after
  // `sample`, if there is one before `end`: a four-terminal sample reads
  // 20 arrays and writes 32, more streams than the processor's prefetcher
  // follows (a two-terminal sample's it follows: asking for them gained
  // nothing). Called once or twice for each line of samples.
  void prefetchAhead(size_t sample, size_t end) const;
  // I + S and I - S of the block's samples; lanes beyond `count` repeat
  // the last sample.
  void loadBlock(size_t first, size_t count);
  // The block's product turned into Z or Y and written for the samples
  // of `points`; returns the samples whose product was finite.
  kernels::PointMask finishBlock(size_t firstEntry, size_t first, size_t count, bool impedance);
  // Sets up Z0 and Z0^-1, or the weights of unequal references, from
  // matrices_.references; reports a singular Z0, once per network.
  void prepareReferences();
  // I + S and I - S of the sample, each also as the matrix to invert.
  void loadScattering(size_t sample);
  // Z of the sample, or false when I - S has no inverse.
  bool impedance();
  // Y of the sample, or false when I + S has no inverse.
  bool admittance();
  // Z and Y of a two-terminal sample by the scalar kernels, written with
  // the messages of singular matrices: the path of the samples that the
  // paired arithmetic leaves.
  void convertTwoTerminalScalar(size_t sample, bool realReferences, const DComplex* plus,
                                const DComplex* minus);
  void store(size_t firstEntry, size_t sample, const DComplexGenMat* result);

  const NetworkSamples& network_;
  const NetworkLayout& layout_;
  const int n_;
  ConversionMatrices matrices_;
  std::unique_ptr<ConversionBlocks> blocks_;
  SingularMatrixLog& log_;
  bool prepared_ = false;
  bool singularReferenceReported_ = false;
  bool equalReferences_ = true;
  bool z0Invertible_ = true;
  // Whether Z0^-1 came out diagonal, as the inverse of a diagonal matrix
  // does unless an infinite reciprocal spread not-a-number values.
  bool z0InverseDiagonal_ = true;
};

bool ImpedanceConversion::useReferencesOf(size_t sample) {
  bool same = prepared_;
  for (size_t t = 0; t < layout_.terminals; ++t) {
    const DComplex reference = readSample(network_.waveformData[layout_.zo(t)], sample);
    if (!(reference.imag() == 0.0)) {
      // The references are now partly this sample's: the next sample's
      // must not be taken for the ones the matrices were made from.
      prepared_ = false;
      return false;
    }
    const double r = reference.real();
    same = same && std::memcmp(&r, &matrices_.references[t], sizeof r) == 0;
    matrices_.references[t] = r;
  }
  if (same) return true;
  prepareReferences();
  prepared_ = true;
  return true;
}

bool ImpedanceConversion::hasReferencesInUse(size_t sample) const {
  for (size_t t = 0; t < layout_.terminals; ++t) {
    const DComplex reference = readSample(network_.waveformData[layout_.zo(t)], sample);
    const double r = reference.real();
    if (!(reference.imag() == 0.0) || std::memcmp(&r, &matrices_.references[t], sizeof r) != 0) return false;
  }
  return true;
}

bool ImpedanceConversion::blocksApply() const {
  if (!z0Invertible_) return false;
  if (!equalReferences_) return true;
  if (!z0InverseDiagonal_) return false;
  for (size_t t = 0; t < layout_.terminals; ++t) {
    if (!kernels::isFinite(matrices_.z0Matrix(t, t)) || !kernels::isFinite(matrices_.z0Inverse(t, t)))
      return false;
  }
  return true;
}

void ImpedanceConversion::prepareReferences() {
  ConversionMatrices& m = matrices_;
  const size_t n = layout_.terminals;
  for (size_t e = 0; e < n * n; ++e) m.z0Inverse.data()[e] = m.z0Matrix.data()[e] = DComplex();
  for (size_t t = 0; t < n; ++t) m.z0Matrix(t, t) = m.z0Inverse(t, t) = DComplex(m.references[t], 0.0);
  z0Invertible_ = invertMatrix(m.z0Inverse, n_, m.pivots) == kInverted;
  if (!z0Invertible_ && !singularReferenceReported_) {
    log_.report(SingularMatrixLog::kReference);
    singularReferenceReported_ = true;
  }
  z0InverseDiagonal_ = hasZeroOffDiagonal(m.z0Inverse, n_);
  equalReferences_ = areEqual(m.references);
  if (blocks_ != nullptr) {
    ConversionBlocks& b = *blocks_;
    b.z0Re.resize(n);
    b.z0Im.resize(n);
    b.z0InverseRe.resize(n);
    b.z0InverseIm.resize(n);
    for (size_t t = 0; t < n; ++t) {
      b.z0Re[t] = m.z0Matrix(t, t).real();
      b.z0Im[t] = m.z0Matrix(t, t).imag();
      b.z0InverseRe[t] = m.z0Inverse(t, t).real();
      b.z0InverseIm[t] = m.z0Inverse(t, t).imag();
    }
  }
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
    log_.report(SingularMatrixLog::kIdentityMinusS);
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
    log_.report(SingularMatrixLog::kIdentityPlusS);
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
  if (!useReferencesOf(sample)) {
    store(layout_.zBase, sample, nullptr);
    store(layout_.yBase, sample, nullptr);
    return;
  }
  loadScattering(sample);
  const bool hasImpedance = impedance();
  const bool hasAdmittance = admittance();
  store(layout_.zBase, sample, hasImpedance ? &matrices_.zResult : nullptr);
  store(layout_.yBase, sample, hasAdmittance ? &matrices_.yResult : nullptr);
}

void ImpedanceConversion::convertInBlocks(size_t begin, size_t end) {
  for (size_t i = begin; i < end;) {
    if (!useReferencesOf(i) || !blocksApply()) {
      convertSample(i);
      ++i;
      continue;
    }
    const size_t points = kernels::blockPoints(layout_.terminals);
    size_t count = 1;
    while (count < points && i + count < end && hasReferencesInUse(i + count)) ++count;
    convertBlock(i, count, end);
    i += count;
  }
}

// A block element's values from the samples' (real, imaginary) pairs,
// lanes beyond `count` repeating the last sample, and back for the
// samples of `points`: a block short of points, or with points left out
// (a whole block is moved by loadIdentitySums and storeBlockResults).
void deinterleave(const double* samples, size_t points, size_t count, double* element) {
  for (size_t p = 0; p < points; ++p) {
    const size_t from = 2 * (p < count ? p : count - 1);
    element[p] = samples[from];
    element[points + p] = samples[from + 1];
  }
}

void interleave(const double* element, size_t points, size_t count, kernels::PointMask written,
                double* samples) {
  for (size_t p = 0; p < count; ++p) {
    if (((written >> p) & 1) == 0) continue;
    samples[2 * p] = element[p];
    samples[2 * p + 1] = element[points + p];
  }
}

// I + S and I - S of a block of kPoints points from the S entries, the
// count of points known when the code is made, so that each element's
// sums run in whole vector registers.
template <size_t kPoints>
void loadPoints(const NetworkSamples& network, const NetworkLayout& layout, size_t first, size_t count,
                double* plusBlock, double* minusBlock) {
  const size_t n = layout.terminals;
  alignas(64) double s[2 * kPoints];
  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      deinterleave(network.waveformData[layout.scatteringEntry(r, c)] + 2 * first, kPoints, count, s);
      const DComplex identity = r == c ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
      double* plus = plusBlock + (r * n + c) * 2 * kPoints;
      double* minus = minusBlock + (r * n + c) * 2 * kPoints;
      for (size_t p = 0; p < kPoints; ++p) {
        plus[p] = identity.real() + s[p];
        plus[kPoints + p] = identity.imag() + s[kPoints + p];
        minus[p] = identity.real() - s[p];
        minus[kPoints + p] = identity.imag() - s[kPoints + p];
      }
    }
  }
}

void ImpedanceConversion::loadBlock(size_t first, size_t count) {
  ConversionBlocks& b = *blocks_;
  constexpr size_t kMost = kernels::kBlockMaxPoints;
  if (count == kernels::blockPoints(layout_.terminals)) {
    kernels::loadIdentitySums(network_.waveformData, layout_.terminals, first, b.plus.data(), b.minus.data());
    return;
  }
  if (kernels::blockPoints(layout_.terminals) == kMost) {
    loadPoints<kMost>(network_, layout_, first, count, b.plus.data(), b.minus.data());
  } else {
    loadPoints<kMost / 2>(network_, layout_, first, count, b.plus.data(), b.minus.data());
  }
}

kernels::PointMask ImpedanceConversion::finishBlock(size_t firstEntry, size_t first, size_t count,
                                                    bool impedance) {
  ConversionBlocks& b = *blocks_;
  const size_t n = layout_.terminals;
  const size_t points = kernels::blockPoints(n);
  kernels::PointMask finite = kernels::finitePoints(b.product.data(), n);
  if (count == points && finite == kernels::everyPoint(points)) {
    // Every point written: weighted and written in one pass.
    const bool weighted = !equalReferences_;
    kernels::storeBlockResults(
        b.product.data(), n, impedance ? b.z0Re.data() : b.z0InverseRe.data(),
        impedance ? b.z0Im.data() : b.z0InverseIm.data(),
        weighted ? (impedance ? matrices_.impedanceWeights.data() : matrices_.admittanceWeights.data())
                 : nullptr,
        network_.waveformData + firstEntry, first);
    return finite;
  }
  if (!equalReferences_) {
    kernels::scaleBlock(b.product.data(), n,
                        impedance ? matrices_.impedanceWeights.data() : matrices_.admittanceWeights.data());
  } else if (impedance) {
    kernels::multiplyBlockByDiagonal(b.product.data(), n, b.z0Re.data(), b.z0Im.data());
  } else {
    kernels::multiplyBlockByDiagonal(b.product.data(), n, b.z0InverseRe.data(), b.z0InverseIm.data());
  }
  for (size_t e = 0; e < n * n; ++e) {
    interleave(b.product.data() + e * 2 * points, points, count, finite,
               network_.waveformData[firstEntry + e] + 2 * first);
  }
  return finite;
}

// Asks the processor to fetch the `count` samples from `first` of the
// `entries` entries from `firstEntry` on ahead of their use: the
// calculation reads or writes a short run of each of hundreds of arrays,
// more streams than its prefetcher follows. Into the second-level cache
// (locality 2): a block's runs are more lines than the first-level cache
// holds beside the block's working copy. Always inlined: a function of its
// own changes no value the compiler can see, and GCC took it for a pure
// function whose calls it could drop, so that no prefetch was made at all.
// The instructions' presence in the built object is what to check after a
// change here.
[[gnu::always_inline]] inline void ImpedanceConversion::prefetchSamples(size_t firstEntry, size_t entries,
                                                                        size_t first, size_t count,
                                                                        bool forWriting) const {
  constexpr size_t kLine = 64 / sizeof(double);
  for (size_t e = firstEntry; e < firstEntry + entries; ++e) {
    const double* run = network_.waveformData[e] + 2 * first;
    const double* last = run + 2 * count - 1;
    if (forWriting) {
      for (const double* line = run; line < last; line += kLine) __builtin_prefetch(line, 1, 2);
      __builtin_prefetch(last, 1, 2);
    } else {
      for (const double* line = run; line < last; line += kLine) __builtin_prefetch(line, 0, 2);
      __builtin_prefetch(last, 0, 2);
    }
  }
}

// Always inlined, as prefetchSamples is, so that its calls are kept.
[[gnu::always_inline]] inline void ImpedanceConversion::prefetchAhead(size_t sample, size_t end) const {
  constexpr size_t kAhead = 2 * kLineSamples;
  if (sample + kAhead >= end) return;
  const size_t entries = layout_.terminals * layout_.terminals;
  prefetchSamples(0, entries, sample + kAhead, 1, false);
  prefetchSamples(layout_.zBase, entries, sample + kAhead, 1, true);
  prefetchSamples(layout_.yBase, entries, sample + kAhead, 1, true);
  for (size_t t = 0; t < layout_.terminals; ++t) prefetchSamples(layout_.zo(t), 1, sample + kAhead, 1, false);
}

void ImpedanceConversion::convertBlock(size_t first, size_t count, size_t end) {
  ConversionBlocks& b = *blocks_;
  const size_t n = layout_.terminals;
  loadBlock(first, count);
  const size_t entries = n * n;
  prefetchSamples(layout_.zBase, entries, first, count, true);
  prefetchSamples(layout_.yBase, entries, first, count, true);
  const size_t next = first + count;
  if (next < end) prefetchSamples(0, entries, next, std::min(end - next, kernels::blockPoints(n)), false);
  // Z = (I + S)(I - S)^-1 .., then Y = (I - S)(I + S)^-1 ..; a product
  // that is not finite is one whose inverse may not be either, and the
  // block kernels do not promise the not-a-number values the usual path
  // gives: those samples take that path.
  kernels::PointMask done = kernels::invertBlock(b.minus.data(), b.inverse.data(), b.inversion);
  kernels::multiplyBlock(b.plus.data(), b.inverse.data(), n, b.product.data());
  done &= finishBlock(layout_.zBase, first, count, true);
  done &= kernels::invertBlock(b.plus.data(), b.inverse.data(), b.inversion);
  kernels::multiplyBlock(b.minus.data(), b.inverse.data(), n, b.product.data());
  done &= finishBlock(layout_.yBase, first, count, false);
  for (size_t p = 0; p < count; ++p) {
    if (((done >> p) & 1) == 0) convertSample(first + p);
  }
}

// Flattened: every kernel inlined, so that the small matrices stay in
// registers instead of going through memory between the steps.
[[gnu::flatten]] void ImpedanceConversion::convertTwoTerminalSample(size_t sample,
                                                                    const GainCalculation* gains) {
  const bool realReferences = useReferencesOf(sample);
  DComplex s[4];
  DComplex plus[4];
  DComplex minus[4];
  for (size_t e = 0; e < 4; ++e) {
    s[e] = readSample(network_.waveformData[e], sample);
    const DComplex identity = e == 0 || e == 3 ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
    plus[e] = identity + s[e];
    minus[e] = identity - s[e];
  }
  DComplex z[4];
  DComplex y[4];
  if (realReferences && convertTwoTerminalPaired(plus, minus, z, y)) {
    for (size_t e = 0; e < 4; ++e) {
      writeSample(network_.waveformData[layout_.zBase + e], sample, z[e]);
      writeSample(network_.waveformData[layout_.yBase + e], sample, y[e]);
    }
  } else {
    convertTwoTerminalScalar(sample, realReferences, plus, minus);
  }
  if (gains != nullptr) storeGains(sample, s, *gains);
}

void ImpedanceConversion::storeGains(size_t sample, const DComplex* s, const GainCalculation& gains) {
  const size_t p1 = gains.port1();
  const size_t p2 = gains.port2();
  gains.storeSample(sample,
                    TwoPortScattering{s[p1 * 2 + p1], s[p2 * 2 + p1], s[p1 * 2 + p2], s[p2 * 2 + p2]});
}

bool ImpedanceConversion::convertTwoTerminalPaired(const DComplex* plus, const DComplex* minus, DComplex* z,
                                                   DComplex* y) const {
  using kernels::Lanes;
  using kernels::PairedComplex;
  const ConversionMatrices& m = matrices_;
  if (!z0Invertible_ || (equalReferences_ && !z0InverseDiagonal_)) return false;
  // Lane 0 inverts I - S for Z, lane 1 I + S for Y.
  kernels::PairedMatrix inverses;
  for (size_t e = 0; e < 4; ++e) inverses[e] = kernels::pairOf(minus[e], plus[e]);
  kernels::LaneMask valid = {-1, -1};
  kernels::invertPairOfTwoByTwo(inverses, &valid);
  // Z = (I + S)(I - S)^-1 .. in lane 0, Y = (I - S)(I + S)^-1 .. in lane 1.
  kernels::PairedMatrix left;
  for (size_t e = 0; e < 4; ++e) left[e] = kernels::pairOf(plus[e], minus[e]);
  kernels::PairedMatrix product;
  kernels::pairedMultiply(left, inverses, product);
  kernels::PairedMatrix result;
  if (equalReferences_) {
    const PairedComplex diagonal[2] = {kernels::pairOf(m.z0Matrix(0, 0), m.z0Inverse(0, 0)),
                                       kernels::pairOf(m.z0Matrix(1, 1), m.z0Inverse(1, 1))};
    kernels::pairedMultiplyByDiagonal(product, diagonal, result, &valid);
  } else {
    Lanes weights[4];
    for (size_t e = 0; e < 4; ++e) weights[e] = Lanes{m.impedanceWeights[e], m.admittanceWeights[e]};
    kernels::pairedScale(product, weights, result);
  }
  if (!kernels::bothLanes(valid)) return false;
  for (size_t e = 0; e < 4; ++e) {
    z[e] = kernels::laneOf(result[e], 0);
    y[e] = kernels::laneOf(result[e], 1);
  }
  return true;
}

void ImpedanceConversion::convertFourTerminalSample(size_t sample) {
  if (useReferencesOf(sample) && convertFourTerminalPaired(sample)) return;
  convertSample(sample);
}

QuadReferences ImpedanceConversion::quadReferences() const {
  const ConversionMatrices& m = matrices_;
  QuadReferences references;
  references.equal = equalReferences_;
  for (size_t t = 0; t < layout_.terminals; ++t) {
    references.z0[t] = m.z0Matrix(t, t);
    references.z0Inverse[t] = m.z0Inverse(t, t);
  }
  references.impedanceWeights = m.impedanceWeights.data();
  references.admittanceWeights = m.admittanceWeights.data();
  return references;
}

void ImpedanceConversion::convertTwoTerminalRange(size_t begin, size_t end, const GainCalculation* gains) {
  for (size_t i = begin; i < end;) {
    if (i + 1 < end && useReferencesOf(i) && pairedApplies() && hasReferencesInUse(i + 1)) {
      const unsigned written = convertQuad(network_, layout_, i, quadReferences());
      // A sample left takes the one-sample path, which leaves it the same
      // way and goes on with the scalar kernels, in order.
      for (size_t k = 0; k < 2; ++k) {
        if (((written >> k) & 1) == 0) {
          convertTwoTerminalSample(i + k, gains);
        } else if (gains != nullptr) {
          DComplex s[4];
          for (size_t e = 0; e < 4; ++e) s[e] = readSample(network_.waveformData[e], i + k);
          storeGains(i + k, s, *gains);
        }
      }
      i += 2;
      continue;
    }
    convertTwoTerminalSample(i, gains);
    ++i;
  }
}

void ImpedanceConversion::convertFourTerminalRange(size_t begin, size_t end) {
  for (size_t i = begin; i < end;) {
    if (i % kLineSamples < 2) prefetchAhead(i, end);
    if (i + 1 < end && useReferencesOf(i) && pairedApplies() && hasReferencesInUse(i + 1)) {
      const unsigned written = convertQuad(network_, layout_, i, quadReferences());
      // The samples left, in order, with their messages.
      if ((written & 1) == 0) convertSample(i);
      if ((written & 2) == 0) convertSample(i + 1);
      i += 2;
      continue;
    }
    convertFourTerminalSample(i);
    ++i;
  }
}

// Flattened: every kernel inlined, so that the lanes stay in registers
// where they can.
[[gnu::flatten]] bool ImpedanceConversion::convertFourTerminalPaired(size_t sample) {
  using kernels::Lanes;
  using kernels::PairedComplex;
  const ConversionMatrices& m = matrices_;
  if (!pairedApplies()) return false;
  // Lane 0 inverts I - S for Z, lane 1 I + S for Y; `left` holds the
  // factors they are multiplied by.
  kernels::PairedFourMatrix reduced;
  kernels::PairedFourMatrix left;
  for (size_t r = 0; r < 4; ++r) {
    for (size_t c = 0; c < 4; ++c) {
      const DComplex s = readSample(network_.waveformData[layout_.scatteringEntry(r, c)], sample);
      const DComplex identity = r == c ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
      const DComplex plus = identity + s;
      const DComplex minus = identity - s;
      reduced[r * 4 + c] = kernels::pairOf(minus, plus);
      left[r * 4 + c] = kernels::pairOf(plus, minus);
    }
  }
  kernels::LaneMask valid = {-1, -1};
  kernels::PairedFourMatrix inverses;
  kernels::invertPairOfFourByFour(reduced, inverses, &valid);
  kernels::PairedFourMatrix product;
  kernels::pairedMultiplyOf<4>(left, inverses, product);
  kernels::PairedFourMatrix result;
  if (equalReferences_) {
    PairedComplex diagonal[4];
    for (size_t t = 0; t < 4; ++t) diagonal[t] = kernels::pairOf(m.z0Matrix(t, t), m.z0Inverse(t, t));
    kernels::pairedMultiplyByDiagonalOf<4>(product, diagonal, result, &valid);
  } else {
    for (size_t e = 0; e < 16; ++e) {
      const Lanes weight = {m.impedanceWeights[e], m.admittanceWeights[e]};
      result[e] = {product[e].re * weight, product[e].im * weight};
    }
  }
  // Results that are not finite may carry a not-a-number whose sign the
  // scalar path's operand order decides: that path forms them.
  valid &= kernels::pairedFinite(result, 16);
  if (!kernels::bothLanes(valid)) return false;
  for (size_t e = 0; e < 16; ++e) {
    writeSample(network_.waveformData[layout_.zBase + e], sample, kernels::laneOf(result[e], 0));
    writeSample(network_.waveformData[layout_.yBase + e], sample, kernels::laneOf(result[e], 1));
  }
  return true;
}

void ImpedanceConversion::convertTwoTerminalScalar(size_t sample, bool realReferences, const DComplex* plus,
                                                   const DComplex* minus) {
  constexpr kernels::FixedSize<2> two{};
  const ConversionMatrices& m = matrices_;
  DComplex product[4];
  DComplex z[4] = {minus[0], minus[1], minus[2], minus[3]};
  // No Z or Y at a complex reference; the gains need only S.
  const bool hasImpedance = realReferences && kernels::invertTwoByTwo(z) == kInverted;
  if (hasImpedance) {
    kernels::multiplyElements(plus, z, two, product);
    if (equalReferences_) {
      kernels::multiplyElementsByDiagonal(product, m.z0Matrix.data(), two, z);
    } else {
      scaleElements(product, m.impedanceWeights.data(), 4, z);
    }
  } else if (realReferences) {
    log_.report(SingularMatrixLog::kIdentityMinusS);
  }
  DComplex y[4] = {plus[0], plus[1], plus[2], plus[3]};
  const bool plusInverted = realReferences && kernels::invertTwoByTwo(y) == kInverted;
  if (realReferences && !plusInverted) log_.report(SingularMatrixLog::kIdentityPlusS);
  // Still inverted for its message when Z0 is singular, but with no Z0^-1
  // there is no admittance to form.
  const bool hasAdmittance = plusInverted && z0Invertible_;
  if (hasAdmittance) {
    kernels::multiplyElements(minus, y, two, product);
    if (!equalReferences_) {
      scaleElements(product, m.admittanceWeights.data(), 4, y);
    } else if (z0InverseDiagonal_) {
      kernels::multiplyElementsByDiagonal(product, m.z0Inverse.data(), two, y);
    } else {
      kernels::multiplyElements(product, m.z0Inverse.data(), two, y);
    }
  }
  for (size_t e = 0; e < 4; ++e) {
    writeSample(network_.waveformData[layout_.zBase + e], sample, hasImpedance ? z[e] : kNoValue);
    writeSample(network_.waveformData[layout_.yBase + e], sample, hasAdmittance ? y[e] : kNoValue);
  }
}

// One network's calculation, which steps apply decided once, run over any
// range of its samples. Ranges are independent: each sample's results
// depend on that sample's data alone, so the samples may be calculated in
// parts, in any order, with the same results bit for bit.
class NetworkCalculation {
 public:
  explicit NetworkCalculation(const NetworkSamples& network)
      : network_(network),
        layout_(network),
        gains_(network, layout_),
        withNoise_(network.hasNoise == 1),
        withImpedance_(layout_.terminals != 0 && layout_.sampleCount != 0 &&
                       hasEntries(network, 0, layout_.gainBase)),
        withGains_(network.portCount == 2 && gains_.applies()) {}

  size_t sampleCount() const { return layout_.sampleCount; }
  size_t terminals() const { return layout_.terminals; }

  // The steps in their order for samples begin .. end - 1: noise, Z and Y,
  // gains (in the pass of Z and Y for a two-terminal network). Throws
  // std::bad_alloc when memory runs out.
  void calculateRange(size_t begin, size_t end, SingularMatrixLog& log) const;

 private:
  // Z and Y, and the gains when `fusedGains` is set. Throws std::bad_alloc
  // when the working matrices cannot be made.
  void convertRange(size_t begin, size_t end, SingularMatrixLog& log,
                    const GainCalculation* fusedGains) const;

  const NetworkSamples& network_;
  const NetworkLayout layout_;
  const GainCalculation gains_;
  const bool withNoise_;
  const bool withImpedance_;
  const bool withGains_;
};

void NetworkCalculation::calculateRange(size_t begin, size_t end, SingularMatrixLog& log) const {
  if (withNoise_)
    calculateNoiseParameters(network_, layout_, kFourBoltzmann * network_.noiseTemperature, begin, end);
  const GainCalculation* fusedGains = withGains_ && layout_.terminals == 2 ? &gains_ : nullptr;
  bool gainsDone = false;
  if (withImpedance_) {
    convertRange(begin, end, log, fusedGains);
    gainsDone = fusedGains != nullptr;
  }
  if (withGains_ && !gainsDone) gains_.calculateRange(begin, end);
}

void NetworkCalculation::convertRange(size_t begin, size_t end, SingularMatrixLog& log,
                                      const GainCalculation* fusedGains) const {
  ImpedanceConversion conversion(network_, layout_, log);
  if (layout_.terminals == 2) {
    conversion.convertTwoTerminalRange(begin, end, fusedGains);
  } else if (layout_.terminals == 4) {
    conversion.convertFourTerminalRange(begin, end);
  } else if (convertsInBlocks(layout_.terminals)) {
    conversion.convertInBlocks(begin, end);
  } else {
    for (size_t i = begin; i < end; ++i) conversion.convertSample(i);
  }
}

// The work of a network's samples in units of about a nanosecond of one
// processor's time; see kCalculationParallelWork.
double estimatedWork(size_t samples, size_t terminals) {
  const double n = static_cast<double>(terminals);
  return static_cast<double>(samples) * (kWorkPerSample + kWorkPerCubedTerminal * n * n * n);
}

unsigned partCountFor(const NetworkCalculation& calculation, const ParallelSettings& settings) {
  // No part shorter than a sample.
  return settings.partsFor(estimatedWork(calculation.sampleCount(), calculation.terminals()),
                           calculation.sampleCount());
}

// Runs the parts on worker threads, each keeping its messages, and prints
// the messages in sample order once all have ended: the output of a
// serial calculation, line for line.
void calculateInParts(const NetworkCalculation& calculation, unsigned parts,
                      const ParallelSettings& settings) {
  std::vector<SingularMatrixLog> logs(parts, SingularMatrixLog(true));
  runInParts(parts, [&](unsigned index) {
    if (settings.partStartHook != nullptr) settings.partStartHook(index);
    const SampleRange range = rangeOf(calculation.sampleCount(), parts, index);
    calculation.calculateRange(range.begin, range.end, logs[index]);
  });
  bool referenceReported = false;
  for (const SingularMatrixLog& log : logs) log.printKept(&referenceReported);
}

}  // namespace

int calculateNetworkParameters(const NetworkSamples& network) {
  return calculateNetworkParameters(network, parallelPolicy().calculation);
}

int calculateNetworkParameters(const NetworkSamples& network, const ParallelSettings& settings) {
  NonTrappingArithmetic arithmetic;
  const NetworkCalculation calculation(network);
  const unsigned parts = partCountFor(calculation, settings);
  if (parts > 1) {
    calculateInParts(calculation, parts, settings);
    return 0;
  }
  SingularMatrixLog log(false);
  calculation.calculateRange(0, calculation.sampleCount(), log);
  return 0;
}

}  // namespace korvel
