// Two 4 x 4 conversions run side by side, one in each lane of a pair of
// doubles: the two inversions of a four-terminal sample (I - S for Z, I + S
// for Y), then the products that follow them. Every lane performs, in the
// same order, the very operations the scalar kernels of matrix_kernels.h
// perform on its matrix, so each lane's result is theirs bit for bit.
//
// The inversion's steps are the Gauss-Jordan exchange steps of
// invertElements: at a pivot (r, c) the pivot row is divided by the pivot
// (its own element replaced by 1 first) and column c is cleared from every
// other row. Each element undergoes the same operations wherever its row
// and column lie, so each lane brings its pivot of step s to (s, s) by
// exchanging rows and columns of its own matrix, and both lanes then run
// the same step at the same places; the inverse is read off at the end
// through the exchanges made. With rows moved otherwise than in the scalar
// inversion, the pivot search's order must not matter, so a lane accepts
// a pivot only where one candidate alone holds the largest modulus: ties
// (and near ties), moduli that are not square roots, extreme pivots and
// results that are not finite leave the lane invalid, and the caller runs
// the scalar kernels on the sample instead. Internal to rfcalc.
#ifndef KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H
#define KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/lanes.h"
#include "rfcalc/paired_two_by_two.h"

namespace korvel::kernels {

// Element e of two row-major 4 x 4 matrices; of one per lane of V.
using PairedFourMatrix = PairedComplex[16];
template <typename V>
using FourMatrixOf = LaneComplex<V>[16];

// The step's pivot of each lane among the elements of rows and columns
// `step` .. 3 (those not used yet), as findPivot chooses it where one
// candidate alone holds the largest modulus: that candidate then comes
// first in any order of search. Square roots are correctly rounded, hence
// monotonic, so where every candidate's modulus is the square root of its
// squared parts, only squared parts within a few ulps of the largest can
// share its modulus. Returns the pivot's row and column in each lane as
// doubles; lanes where this does not decide the pivot lose `valid`, and
// their row and column may be anything.
template <typename V>
inline void pairedPivotOf(const LaneComplex<V>* m, unsigned step, V* row, V* column, MaskOf<V>* valid) {
  V squared[16];
  MaskOf<V> ordinary = allLanesSet<MaskOf<V>>();
  V largest = everyLane<V>(0.0);
  for (unsigned r = step; r < 4; ++r) {
    for (unsigned c = step; c < 4; ++c) {
      const LaneComplex<V>& z = m[r * 4 + c];
      const V s = z.re * z.re + z.im * z.im;
      squared[r * 4 + c] = s;
      ordinary &= (s == 0.0) | laneModulusSquareRoots(s);
      largest = s > largest ? s : largest;
    }
  }
  const V nearest = largest * (1.0 - 0x1p-48);
  const V zero = everyLane<V>(0.0);
  const V ones = everyLane<V>(1.0);
  V holders = zero;
  *row = zero;
  *column = zero;
  for (unsigned r = step; r < 4; ++r) {
    for (unsigned c = step; c < 4; ++c) {
      const MaskOf<V> holds = squared[r * 4 + c] >= nearest;
      holders += laneSelect(holds, ones, zero);
      *row += laneSelect(holds, ones * static_cast<double>(r), zero);
      *column += laneSelect(holds, ones * static_cast<double>(c), zero);
    }
  }
  *valid &= ordinary & (largest > 0.0) & (holders == 1.0);
}

// Brings each lane's pivot at (row, column) to (step, step), exchanging
// rows and columns of that lane only.
template <typename V>
inline void pairedBringPivot(LaneComplex<V>* m, unsigned step, V row, V column) {
  for (unsigned k = step + 1; k < 4; ++k) {
    const MaskOf<V> rowHere = row == static_cast<double>(k);
    for (unsigned l = 0; l < 4; ++l) exchangeWhere(m[step * 4 + l], m[k * 4 + l], rowHere);
  }
  for (unsigned k = step + 1; k < 4; ++k) {
    const MaskOf<V> columnHere = column == static_cast<double>(k);
    for (unsigned r = 0; r < 4; ++r) exchangeWhere(m[r * 4 + step], m[r * 4 + k], columnHere);
  }
}

// normalisePivotRow then eliminatePivotColumn at (c, c) in each lane.
template <typename V>
inline void pairedExchangeStep(LaneComplex<V>* m, unsigned c, MaskOf<V>* valid) {
  const LaneComplex<V> inverse = pairedReciprocal(m[c * 4 + c], valid);
  m[c * 4 + c] = {everyLane<V>(1.0), everyLane<V>(0.0)};
  for (unsigned l = 0; l < 4; ++l) m[c * 4 + l] = pairedProduct(m[c * 4 + l], inverse);
  for (unsigned r = 0; r < 4; ++r) {
    if (r == c) continue;
    const LaneComplex<V> d = m[r * 4 + c];
    m[r * 4 + c] = {everyLane<V>(0.0), everyLane<V>(0.0)};
    for (unsigned l = 0; l < 4; ++l) {
      const LaneComplex<V> term = pairedProduct(m[c * 4 + l], d);
      m[r * 4 + l] = {m[r * 4 + l].re - term.re, m[r * 4 + l].im - term.im};
    }
  }
}

// A lane's index `step` .. 3; a lane left invalid may hold any value, which
// comes out within that range too.
template <typename V>
inline unsigned laneIndex(V index, int lane, unsigned step) {
  const double value = index[lane];
  return value >= static_cast<double>(step) && value <= 3.0 ? static_cast<unsigned>(value) : step;
}

// Inverts the two matrices of `m` (one per lane) as the 4 x 4 inversion of
// invertMatrix does, bit for bit, into `inverse`, in the lanes where
// `valid` comes back all ones; what the others hold is of no use. Each
// step brings its pivot to the diagonal by exchanging rows and columns, so
// that both lanes run the same steps at the same places. With the matrix
// reached being y = m(rowOf(i), columnOf(j)) inverted, the inverse is
// m^-1(columnOf(j), rowOf(i)) = y^-1(j, i).
template <typename V>
inline void invertPairOfFourByFour(LaneComplex<V>* m, LaneComplex<V>* inverse, MaskOf<V>* valid) {
  constexpr int kLanes = LaneWidth<V>::kCount;
  constexpr size_t kLaneRows = static_cast<size_t>(kLanes);
  unsigned rowOf[kLaneRows][4];
  unsigned columnOf[kLaneRows][4];
  for (int lane = 0; lane < kLanes; ++lane) {
    for (unsigned k = 0; k < 4; ++k) rowOf[lane][k] = columnOf[lane][k] = k;
  }
  for (unsigned step = 0; step < 4; ++step) {
    V row;
    V column;
    pairedPivotOf(m, step, &row, &column, valid);
    pairedBringPivot(m, step, row, column);
    for (int lane = 0; lane < kLanes; ++lane) {
      std::swap(rowOf[lane][step], rowOf[lane][laneIndex(row, lane, step)]);
      std::swap(columnOf[lane][step], columnOf[lane][laneIndex(column, lane, step)]);
    }
    pairedExchangeStep(m, step, valid);
  }
  for (int lane = 0; lane < kLanes; ++lane) {
    for (unsigned j = 0; j < 4; ++j) {
      for (unsigned i = 0; i < 4; ++i) {
        LaneComplex<V>& target = inverse[columnOf[lane][j] * 4 + rowOf[lane][i]];
        target.re[lane] = m[j * 4 + i].re[lane];
        target.im[lane] = m[j * 4 + i].im[lane];
      }
    }
  }
  *valid &= pairedFinite(inverse, 16);
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H
