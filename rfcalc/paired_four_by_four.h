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
// lies, so the lanes run the steps without moving rows: the pivot stays at
// its place (r_s, c_s), and the inverse is read off at the end,
// inverse(c_s, r_t) = reached(r_s, c_t). With the rows never moved, the
// order of the pivot search no longer matters as long as one candidate
// alone holds the largest modulus; ties (and near ties), moduli that are
// not square roots, extreme pivots and results that are not finite leave
// the lane invalid, and the caller runs the scalar kernels on the sample
// instead. Internal to rfcalc.
#ifndef KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H
#define KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H

#include <cstddef>
#include <cstdint>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/lanes.h"
#include "rfcalc/paired_two_by_two.h"

namespace korvel::kernels {

// Element e of two row-major 4 x 4 matrices.
using PairedFourMatrix = PairedComplex[16];

// Where each lane's pivots of one inversion lie, by step.
struct PairedPivots {
  unsigned row[2][4];
  unsigned column[2][4];
};

inline LaneMask laneFlags(bool first, bool second) {
  return LaneMask{first ? std::int64_t{-1} : 0, second ? std::int64_t{-1} : 0};
}

// The lanes' parts of two different elements side by side.
inline PairedComplex gatherPair(const PairedComplex* m, size_t first, size_t second) {
  return {Lanes{m[first].re[0], m[second].re[1]}, Lanes{m[first].im[0], m[second].im[1]}};
}

// The step's pivot of each lane among the elements of rows and columns not
// used yet (the bits of `candidates`, by place 4 r + c), as findPivot
// chooses it where one candidate alone holds the largest modulus: that
// candidate then comes first in any order of search. Square roots are
// correctly rounded, hence monotonic, so where every candidate's modulus is
// the square root of its squared parts, only squared parts within a few
// ulps of the largest can share its modulus. Lanes where that does not
// decide the pivot lose `valid`; their places are still within 0 .. 15.
inline void pairedPivotPlaces(const PairedFourMatrix m, const unsigned candidates[2], unsigned places[2],
                              LaneMask* valid) {
  Lanes squared[16];
  LaneMask isCandidate[16];
  LaneMask ordinary = {-1, -1};
  Lanes largest = {0.0, 0.0};
  for (unsigned e = 0; e < 16; ++e) {
    squared[e] = m[e].re * m[e].re + m[e].im * m[e].im;
    isCandidate[e] = laneFlags(((candidates[0] >> e) & 1) != 0, ((candidates[1] >> e) & 1) != 0);
    ordinary &= ~isCandidate[e] | (squared[e] == 0.0) | laneModulusSquareRoots(squared[e]);
    largest = laneSelect(isCandidate[e] & (squared[e] > largest), squared[e], largest);
  }
  *valid &= ordinary & (largest > 0.0);
  const Lanes nearest = largest * (1.0 - 0x1p-48);
  unsigned holders[2] = {0, 0};
  for (unsigned e = 0; e < 16; ++e) {
    const LaneMask holds = isCandidate[e] & (squared[e] >= nearest);
    holders[0] |= static_cast<unsigned>(holds[0] & 1) << e;
    holders[1] |= static_cast<unsigned>(holds[1] & 1) << e;
  }
  for (int lane = 0; lane < 2; ++lane) {
    const bool alone = holders[lane] != 0 && (holders[lane] & (holders[lane] - 1)) == 0;
    if (!alone) (*valid)[lane] = 0;
    places[lane] = static_cast<unsigned>(__builtin_ctz(holders[lane] | 0x10000u)) & 15u;
  }
}

// One exchange step at each lane's pivot (row[lane], column[lane]):
// normalisePivotRow then eliminatePivotColumn of the scalar kernels.
inline void pairedExchangeStep(PairedFourMatrix m, const unsigned row[2], const unsigned column[2],
                               LaneMask* valid) {
  const PairedComplex inverse =
      pairedReciprocal(gatherPair(m, row[0] * 4 + column[0], row[1] * 4 + column[1]), valid);
  const PairedComplex one = {Lanes{1.0, 1.0}, Lanes{0.0, 0.0}};
  const Lanes zero = {0.0, 0.0};
  PairedComplex pivotRow[4];
  PairedComplex pivotColumn[4];
  LaneMask inPivotColumn[4];
  LaneMask inPivotRow[4];
  for (unsigned l = 0; l < 4; ++l) {
    inPivotColumn[l] = laneFlags(column[0] == l, column[1] == l);
    inPivotRow[l] = laneFlags(row[0] == l, row[1] == l);
    const PairedComplex own = gatherPair(m, row[0] * 4 + l, row[1] * 4 + l);
    const PairedComplex scaled = {laneSelect(inPivotColumn[l], one.re, own.re),
                                  laneSelect(inPivotColumn[l], one.im, own.im)};
    pivotRow[l] = pairedProduct(scaled, inverse);
    pivotColumn[l] = gatherPair(m, l * 4 + column[0], l * 4 + column[1]);
  }
  for (unsigned r = 0; r < 4; ++r) {
    for (unsigned l = 0; l < 4; ++l) {
      PairedComplex& element = m[r * 4 + l];
      // The pivot column's element is set to 0 before its row is reduced.
      const Lanes re = laneSelect(inPivotColumn[l], zero, element.re);
      const Lanes im = laneSelect(inPivotColumn[l], zero, element.im);
      const PairedComplex term = pairedProduct(pivotRow[l], pivotColumn[r]);
      element = {laneSelect(inPivotRow[r], pivotRow[l].re, re - term.re),
                 laneSelect(inPivotRow[r], pivotRow[l].im, im - term.im)};
    }
  }
}

// Inverts the two matrices of `m` (one per lane) as the 4 x 4 inversion of
// invertMatrix does, bit for bit, into `inverse`, in the lanes where
// `valid` comes back all ones; what the others hold is of no use.
inline void invertPairOfFourByFour(PairedFourMatrix m, PairedFourMatrix inverse, LaneMask* valid) {
  PairedPivots pivots{};
  unsigned candidates[2] = {0xffffu, 0xffffu};
  for (unsigned step = 0; step < 4; ++step) {
    unsigned places[2];
    pairedPivotPlaces(m, candidates, places, valid);
    unsigned row[2];
    unsigned column[2];
    for (int lane = 0; lane < 2; ++lane) {
      row[lane] = places[lane] >> 2;
      column[lane] = places[lane] & 3u;
      pivots.row[lane][step] = row[lane];
      pivots.column[lane][step] = column[lane];
      candidates[lane] &= ~(0xfu << (4 * row[lane])) & ~(0x1111u << column[lane]);
    }
    pairedExchangeStep(m, row, column, valid);
  }
  // inverse(c_s, r_t) = reached(r_s, c_t): row c_s of the inverse is row r_s
  // of the matrix reached, column r_t its column c_t.
  unsigned fromRow[2][4] = {};
  unsigned fromColumn[2][4] = {};
  for (int lane = 0; lane < 2; ++lane) {
    for (unsigned s = 0; s < 4; ++s) {
      fromRow[lane][pivots.column[lane][s]] = pivots.row[lane][s];
      fromColumn[lane][pivots.row[lane][s]] = pivots.column[lane][s];
    }
  }
  for (unsigned i = 0; i < 4; ++i) {
    for (unsigned j = 0; j < 4; ++j) {
      inverse[i * 4 + j] =
          gatherPair(m, fromRow[0][i] * 4 + fromColumn[0][j], fromRow[1][i] * 4 + fromColumn[1][j]);
    }
  }
  *valid &= pairedFinite(inverse, 16);
}

// multiplyElements(a, b, four, product) in each lane.
inline void pairedMultiplyFour(const PairedFourMatrix a, const PairedFourMatrix b, PairedFourMatrix product) {
  for (size_t i = 0; i < 4; ++i) {
    for (size_t j = 0; j < 4; ++j) {
      PairedComplex sum = {Lanes{0.0, 0.0}, Lanes{0.0, 0.0}};
      for (size_t k = 0; k < 4; ++k) {
        const PairedComplex term = pairedProduct(a[i * 4 + k], b[k * 4 + j]);
        sum = {sum.re + term.re, sum.im + term.im};
      }
      product[i * 4 + j] = sum;
    }
  }
}

// multiplyElementsByDiagonal(a, d, four, product) in each lane, valid where
// a and the diagonal of d are finite (its shortcut).
inline void pairedMultiplyFourByDiagonal(const PairedFourMatrix a, const PairedComplex diagonal[4],
                                         PairedFourMatrix product, LaneMask* valid) {
  *valid &= pairedFinite(a, 16) & pairedFinite(diagonal, 4);
  for (size_t i = 0; i < 4; ++i) {
    for (size_t j = 0; j < 4; ++j) {
      const PairedComplex term = pairedProduct(a[i * 4 + j], diagonal[j]);
      product[i * 4 + j] = {0.0 + term.re, 0.0 + term.im};
    }
  }
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_PAIRED_FOUR_BY_FOUR_H
