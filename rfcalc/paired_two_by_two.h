// Two 2 x 2 conversions run side by side, one in each lane of a pair of
// doubles: the two inversions of a two-terminal sample (I - S for Z, I + S
// for Y), then the two products that follow them. Every lane performs, in
// the same order, the very operations the scalar kernels of
// matrix_kernels.h perform on its matrix, so each lane's result is theirs
// bit for bit; packing them only halves the instructions.
//
// The relabelling of invertTwoByTwo makes the two inversions identical in
// shape whatever their pivots: both pivot at (0, 0) and then at (1, 1) of
// their relabelled matrices. What the lanes cannot share, the rare cases
// (a pivot search that needs findPivot, a singular or extreme pivot, a
// value that is not finite where a shortcut needs one), is not handled
// here: the routines say so and the caller runs the scalar kernels on the
// sample instead. Internal to rfcalc.
#ifndef KORVEL_RFCALC_PAIRED_TWO_BY_TWO_H
#define KORVEL_RFCALC_PAIRED_TWO_BY_TWO_H

#include <cstddef>
#include <cstdint>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/lanes.h"
#include "rfcalc/matrix_kernels.h"

namespace korvel::kernels {

// The same complex element of the matrices of each lane.
template <typename V>
struct LaneComplex {
  V re;
  V im;
};
using PairedComplex = LaneComplex<Lanes>;

// Element e of two row-major 2 x 2 matrices.
using PairedMatrix = PairedComplex[4];

inline PairedComplex pairOf(DComplex first, DComplex second) {
  return {Lanes{first.real(), second.real()}, Lanes{first.imag(), second.imag()}};
}

inline DComplex laneOf(const PairedComplex& z, int lane) { return {z.re[lane], z.im[lane]}; }

// complexProduct in each lane.
template <typename V>
inline LaneComplex<V> pairedProduct(const LaneComplex<V>& a, const LaneComplex<V>& b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// reciprocal in each lane, valid in the lanes whose pivots take its inline
// Smith's method with a normal ratio; `valid` loses the others.
template <typename V>
inline LaneComplex<V> pairedReciprocal(const LaneComplex<V>& p, MaskOf<V>* valid) {
  using Mask = MaskOf<V>;
  const V c = p.re;
  const V d = p.im;
  const V magnitudeC = laneMagnitudes(c);
  const V magnitudeD = laneMagnitudes(d);
  const Mask ordinaryC = (magnitudeC == 0.0) | ((magnitudeC >= 0x1p-500) & (magnitudeC <= 0x1p500));
  const Mask ordinaryD = (magnitudeD == 0.0) | ((magnitudeD >= 0x1p-500) & (magnitudeD <= 0x1p500));
  const Mask nonZero = (c != 0.0) | (d != 0.0);
  const Mask imaginaryLarger = magnitudeC < magnitudeD;
  const V larger = laneSelect(imaginaryLarger, d, c);
  const V smaller = laneSelect(imaginaryLarger, c, d);
  const V ratio = smaller / larger;
  const V denominator = smaller * ratio + larger;
  *valid &= ordinaryC & ordinaryD & nonZero & (laneMagnitudes(ratio) > 0x1p-1022);
  const V zero = everyLane<V>(0.0);
  const V real = laneSelect(imaginaryLarger, ratio + 0.0, zero * ratio + 1.0);
  const V imaginary = laneSelect(imaginaryLarger, zero * ratio - 1.0, 0.0 - ratio);
  return {real / denominator, imaginary / denominator};
}

// normalisePivotRow(m, two, c) in each lane.
template <typename V>
inline void pairedNormalise(LaneComplex<V>* m, size_t c, MaskOf<V>* valid) {
  const LaneComplex<V> inverse = pairedReciprocal(m[c * 2 + c], valid);
  m[c * 2 + c] = {everyLane<V>(1.0), everyLane<V>(0.0)};
  for (size_t l = 0; l < 2; ++l) m[c * 2 + l] = pairedProduct(m[c * 2 + l], inverse);
}

// eliminatePivotColumn(m, two, c) in each lane.
template <typename V>
inline void pairedEliminate(LaneComplex<V>* m, size_t c) {
  const size_t r = 1 - c;
  const LaneComplex<V> d = m[r * 2 + c];
  m[r * 2 + c] = {everyLane<V>(0.0), everyLane<V>(0.0)};
  for (size_t l = 0; l < 2; ++l) {
    const LaneComplex<V> term = pairedProduct(m[c * 2 + l], d);
    m[r * 2 + l] = {m[r * 2 + l].re - term.re, m[r * 2 + l].im - term.im};
  }
}

// The first pivots of two 2 x 2 inversions, the searches side by side, as
// findPivot chooses them, in the lanes where `valid` comes back all ones:
// at (r, c) with r set where `exchangeRows`, c where `exchangeColumns`.
// Square roots are correctly rounded, hence monotonic: where every
// candidate's modulus is the square root of its squared parts and only one
// candidate's squared parts come within a few ulps of the largest, that
// candidate has the largest modulus and is the pivot, found without taking
// a root. Ties (and near ties), no candidate above zero and moduli that
// are not square roots leave the lane invalid; its place is then still
// one of the four.
template <typename V>
inline void pairedFirstPivots(const LaneComplex<V>* candidates, MaskOf<V>* exchangeRows,
                              MaskOf<V>* exchangeColumns, MaskOf<V>* valid) {
  using Mask = MaskOf<V>;
  V squared[4];
  Mask ordinary = allLanesSet<Mask>();
  V largest = everyLane<V>(0.0);
  for (size_t k = 0; k < 4; ++k) {
    squared[k] = candidates[k].re * candidates[k].re + candidates[k].im * candidates[k].im;
    ordinary &= (squared[k] == 0.0) | laneModulusSquareRoots(squared[k]);
    largest = squared[k] > largest ? squared[k] : largest;
  }
  const V nearest = largest * (1.0 - 0x1p-48);
  Mask holds[4];
  for (size_t k = 0; k < 4; ++k) holds[k] = squared[k] >= nearest;
  Mask shared = {};
  for (size_t k = 0; k < 4; ++k) {
    for (size_t l = k + 1; l < 4; ++l) shared |= holds[k] & holds[l];
  }
  *valid &= ordinary & (largest > 0.0) & ~shared;
  // The one holder's place p = 2 r + c.
  *exchangeRows = ~(holds[0] | holds[1]);
  *exchangeColumns = holds[1] | holds[3];
}

// Exchanges a and b in the lanes where `where` holds.
template <typename V>
inline void exchangeWhere(LaneComplex<V>& a, LaneComplex<V>& b, MaskOf<V> where) {
  const LaneComplex<V> first = a;
  a = {laneSelect(where, b.re, a.re), laneSelect(where, b.im, a.im)};
  b = {laneSelect(where, first.re, b.re), laneSelect(where, first.im, b.im)};
}

// Relabels `m` so that the element at place p moves to (0, 0), lane by
// lane: y(i, j) = m(i ^ r, j ^ c) with r = p >> 1 and c = p & 1. The same
// call with row and column flags exchanged undoes a relabelling of the
// inverse: m^-1(i, j) = y^-1(i ^ c, j ^ r).
template <typename V>
inline void pairedRelabel(LaneComplex<V>* m, MaskOf<V> exchangeRows, MaskOf<V> exchangeColumns) {
  exchangeWhere(m[0], m[2], exchangeRows);
  exchangeWhere(m[1], m[3], exchangeRows);
  exchangeWhere(m[0], m[1], exchangeColumns);
  exchangeWhere(m[2], m[3], exchangeColumns);
}

// Inverts the two matrices of `m` (one per lane) as invertTwoByTwo does,
// bit for bit, in the lanes where `valid` comes back all ones; what the
// others hold is of no use. Nothing branches on the values.
template <typename V>
inline void invertPairOfTwoByTwo(LaneComplex<V>* m, MaskOf<V>* valid) {
  MaskOf<V> rowFlag;
  MaskOf<V> columnFlag;
  pairedFirstPivots(m, &rowFlag, &columnFlag, valid);
  pairedRelabel(m, rowFlag, columnFlag);
  pairedNormalise(m, 0, valid);
  pairedEliminate(m, 0);
  // The second step's only candidate is the element of the row and column
  // left; it is the pivot when its modulus is non-zero and a number.
  *valid &= laneModulusSquareRoots(m[3].re * m[3].re + m[3].im * m[3].im);
  pairedNormalise(m, 1, valid);
  pairedEliminate(m, 1);
  pairedRelabel(m, columnFlag, rowFlag);
}

// multiplyElements(a, b, size, product) in each lane, for n x n matrices.
template <size_t n, typename V>
void pairedMultiplyOf(const LaneComplex<V>* a, const LaneComplex<V>* b, LaneComplex<V>* product) {
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      LaneComplex<V> sum = {everyLane<V>(0.0), everyLane<V>(0.0)};
      for (size_t k = 0; k < n; ++k) {
        const LaneComplex<V> term = pairedProduct(a[i * n + k], b[k * n + j]);
        sum = {sum.re + term.re, sum.im + term.im};
      }
      product[i * n + j] = sum;
    }
  }
}

inline void pairedMultiply(const PairedMatrix a, const PairedMatrix b, PairedMatrix product) {
  pairedMultiplyOf<2>(a, b, product);
}

// All ones in the lanes where every part of the elements is finite.
template <typename V>
inline MaskOf<V> pairedFinite(const LaneComplex<V>* elements, size_t count) {
  V zeros = everyLane<V>(0.0);
  // x * 0 is 0 for a finite x and not a number otherwise, and a sum with a
  // value that is not a number is not one either.
  for (size_t e = 0; e < count; ++e) zeros = zeros + elements[e].re * 0.0 + elements[e].im * 0.0;
  return zeros == 0.0;
}

// multiplyElementsByDiagonal(a, d, size, product) in each lane, for n x n
// matrices, valid where a and the diagonal of d are finite (its shortcut).
template <size_t n, typename V>
void pairedMultiplyByDiagonalOf(const LaneComplex<V>* a, const LaneComplex<V>* diagonal,
                                LaneComplex<V>* product, MaskOf<V>* valid) {
  *valid &= pairedFinite(a, n * n) & pairedFinite(diagonal, n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const LaneComplex<V> term = pairedProduct(a[i * n + j], diagonal[j]);
      product[i * n + j] = {0.0 + term.re, 0.0 + term.im};
    }
  }
}

inline void pairedMultiplyByDiagonal(const PairedMatrix a, const PairedComplex diagonal[2],
                                     PairedMatrix product, LaneMask* valid) {
  pairedMultiplyByDiagonalOf<2>(a, diagonal, product, valid);
}

// The `count` elements times their real weights, lane by lane, as
// scaleElements.
template <size_t count = 4, typename V>
inline void pairedScale(const LaneComplex<V>* m, const V* weights, LaneComplex<V>* scaled) {
  for (size_t e = 0; e < count; ++e) scaled[e] = {m[e].re * weights[e], m[e].im * weights[e]};
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_PAIRED_TWO_BY_TWO_H
