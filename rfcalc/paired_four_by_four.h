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

// Element e of two row-major 4 x 4 matrices.
using PairedFourMatrix = PairedComplex[16];

// The step's pivot of each lane among the elements of rows and columns
// `step` .. 3 (those not used yet), as findPivot chooses it where one
// candidate alone holds the largest modulus: that candidate then comes
// first in any order of search. Square roots are correctly rounded, hence
// monotonic, so where every candidate's modulus is the square root of its
// squared parts, only squared parts within a few ulps of the largest can
// share its modulus. Returns the pivot's row and column in each lane as
// doubles; lanes where this does not decide the pivot lose `valid`, and
// their row and column may be anything.
inline void pairedPivotOf(const PairedFourMatrix m, unsigned step, Lanes* row, Lanes* column,
                          LaneMask* valid) {
  Lanes squared[16];
  LaneMask ordinary = {-1, -1};
  Lanes largest = {0.0, 0.0};
  for (unsigned r = step; r < 4; ++r) {
    for (unsigned c = step; c < 4; ++c) {
      const PairedComplex& z = m[r * 4 + c];
      const Lanes s = z.re * z.re + z.im * z.im;
      squared[r * 4 + c] = s;
      ordinary &= (s == 0.0) | laneModulusSquareRoots(s);
      largest = s > largest ? s : largest;
    }
  }
  const Lanes nearest = largest * (1.0 - 0x1p-48);
  const Lanes zero = {0.0, 0.0};
  const Lanes ones = {1.0, 1.0};
  Lanes holders = zero;
  *row = zero;
  *column = zero;
  for (unsigned r = step; r < 4; ++r) {
    for (unsigned c = step; c < 4; ++c) {
      const LaneMask holds = squared[r * 4 + c] >= nearest;
      holders += laneSelect(holds, ones, zero);
      *row += laneSelect(holds, ones * static_cast<double>(r), zero);
      *column += laneSelect(holds, ones * static_cast<double>(c), zero);
    }
  }
  *valid &= ordinary & (largest > 0.0) & (holders == 1.0);
}

// Brings each lane's pivot at (row, column) to (step, step), exchanging
// rows and columns of that lane only.
inline void pairedBringPivot(PairedFourMatrix m, unsigned step, Lanes row, Lanes column) {
  for (unsigned k = step + 1; k < 4; ++k) {
    const LaneMask rowHere = row == static_cast<double>(k);
    for (unsigned l = 0; l < 4; ++l) exchangeWhere(m[step * 4 + l], m[k * 4 + l], rowHere);
  }
  for (unsigned k = step + 1; k < 4; ++k) {
    const LaneMask columnHere = column == static_cast<double>(k);
    for (unsigned r = 0; r < 4; ++r) exchangeWhere(m[r * 4 + step], m[r * 4 + k], columnHere);
  }
}

// normalisePivotRow then eliminatePivotColumn at (c, c) in each lane.
inline void pairedExchangeStep(PairedFourMatrix m, unsigned c, LaneMask* valid) {
  const PairedComplex inverse = pairedReciprocal(m[c * 4 + c], valid);
  m[c * 4 + c] = {Lanes{1.0, 1.0}, Lanes{0.0, 0.0}};
  for (unsigned l = 0; l < 4; ++l) m[c * 4 + l] = pairedProduct(m[c * 4 + l], inverse);
  for (unsigned r = 0; r < 4; ++r) {
    if (r == c) continue;
    const PairedComplex d = m[r * 4 + c];
    m[r * 4 + c] = {Lanes{0.0, 0.0}, Lanes{0.0, 0.0}};
    for (unsigned l = 0; l < 4; ++l) {
      const PairedComplex term = pairedProduct(m[c * 4 + l], d);
      m[r * 4 + l] = {m[r * 4 + l].re - term.re, m[r * 4 + l].im - term.im};
    }
  }
}

// A lane's index `step` .. 3; a lane left invalid may hold any value, which
// comes out within that range too.
inline unsigned laneIndex(Lanes index, int lane, unsigned step) {
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
inline void invertPairOfFourByFour(PairedFourMatrix m, PairedFourMatrix inverse, LaneMask* valid) {
  unsigned rowOf[2][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}};
  unsigned columnOf[2][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}};
  for (unsigned step = 0; step < 4; ++step) {
    Lanes row;
    Lanes column;
    pairedPivotOf(m, step, &row, &column, valid);
    pairedBringPivot(m, step, row, column);
    for (int lane = 0; lane < 2; ++lane) {
      std::swap(rowOf[lane][step], rowOf[lane][laneIndex(row, lane, step)]);
      std::swap(columnOf[lane][step], columnOf[lane][laneIndex(column, lane, step)]);
    }
    pairedExchangeStep(m, step, valid);
  }
  for (int lane = 0; lane < 2; ++lane) {
    for (unsigned j = 0; j < 4; ++j) {
      for (unsigned i = 0; i < 4; ++i) {
        PairedComplex& target = inverse[columnOf[lane][j] * 4 + rowOf[lane][i]];
        target.re[lane] = m[j * 4 + i].re[lane];
        target.im[lane] = m[j * 4 + i].im[lane];
      }
    }
  }
  *valid &= pairedFinite(inverse, 16);
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H
