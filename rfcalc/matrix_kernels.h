// The element-level routines behind the matrix product and the Gauss-Jordan
// inversion, shared by complex_matrix.cpp and the fused two-terminal path of
// the network conversion, so that both run literally the same operations.
//
// Each routine is written once as a template over the matrix size. Given a
// compile-time size (FixedSize<K>) the compiler unrolls the loops; given a
// plain int it serves any size. Internal to rfcalc.
#ifndef KORVEL_RFCALC_MATRIX_KERNELS_H
#define KORVEL_RFCALC_MATRIX_KERNELS_H

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "rfcalc/complex_matrix.h"

namespace korvel::kernels {

template <int K>
using FixedSize = std::integral_constant<int, K>;

// The size as an index type, so that no index product can overflow.
template <typename Size>
constexpr size_t dimension(Size size) {
  return static_cast<size_t>(static_cast<int>(size));
}

// Runs `routine` with the size as a compile-time constant for the sizes
// networks most often have (one-, two- and four-port), else as an int.
template <typename Routine>
auto withSize(int n, Routine&& routine) {
  switch (n) {
    case 1:
      return routine(FixedSize<1>{});
    case 2:
      return routine(FixedSize<2>{});
    case 4:
      return routine(FixedSize<4>{});
    default:
      return routine(n);
  }
}

template <typename Size>
void multiplyElements(const DComplex* a, const DComplex* b, Size size, DComplex* product) {
  const size_t n = dimension(size);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      DComplex sum(0.0, 0.0);
      for (size_t k = 0; k < n; ++k) sum += complexProduct(a[i * n + k], b[k * n + j]);
      product[i * n + j] = sum;
    }
  }
}

// Element (i, j) of the product a x b.
template <typename Size>
DComplex productElement(const DComplex* a, const DComplex* b, Size size, size_t i, size_t j) {
  const size_t n = dimension(size);
  DComplex sum(0.0, 0.0);
  for (size_t k = 0; k < n; ++k) sum += complexProduct(a[i * n + k], b[k * n + j]);
  return sum;
}

inline bool isFinite(DComplex z) {
  return (static_cast<unsigned>(std::isfinite(z.real())) & static_cast<unsigned>(std::isfinite(z.imag()))) !=
         0;
}

template <typename Size>
bool isRowFinite(const DComplex* a, Size size, size_t i) {
  const size_t n = dimension(size);
  bool finite = true;
  for (size_t k = 0; k < n; ++k) finite &= isFinite(a[i * n + k]);
  return finite;
}

// A diagonal element that is not finite goes the full way too: with two
// values that are not numbers meeting in one term, which one the result
// carries (its sign) would depend on how the compiler ordered the operands.
template <typename Size>
void multiplyElementsByDiagonal(const DComplex* a, const DComplex* d, Size size, DComplex* product) {
  const size_t n = dimension(size);
  for (size_t i = 0; i < n; ++i) {
    const bool rowFinite = isRowFinite(a, size, i);
    for (size_t j = 0; j < n; ++j) {
      const DComplex diagonal = d[j * n + j];
      if (!rowFinite || !isFinite(diagonal)) {
        product[i * n + j] = productElement(a, d, size, i, j);
        continue;
      }
      // The + 0.0 is the running sum's start: it turns a -0 part into +0.
      const DComplex term = complexProduct(a[i * n + j], diagonal);
      product[i * n + j] = DComplex(0.0 + term.real(), 0.0 + term.imag());
    }
  }
}

// The step's pivot: the first element, scanning unused rows row by row, whose
// modulus is strictly larger than every one met before it. Rows are skipped
// by the pivot count of the column with the same number: after its exchange a
// pivot sits on the diagonal, so pivot column c has also used up row c.
// Returns false when no element has a non-zero numeric modulus: the matrix is
// singular. A column is thus never chosen twice, so the counts stay 0 or 1,
// and a chosen pivot is never zero. `element(j, k)` gives element (j, k).
template <typename Size, typename Element>
bool findPivotOf(Size size, const int* pivotCount, Element element, size_t* pivotRow, size_t* pivotColumn) {
  const size_t n = dimension(size);
  double best = 0.0;
  // While the best modulus is the square root of bestSquared, a candidate
  // whose squared parts are no larger cannot have a larger modulus (the
  // square root is correctly rounded, hence monotonic), and is passed over
  // without taking its root.
  double bestSquared = 0.0;
  bool bestIsRoot = false;
  bool found = false;
  for (size_t j = 0; j < n; ++j) {
    if (pivotCount[j] == 1) continue;
    for (size_t k = 0; k < n; ++k) {
      if (pivotCount[k] != 0) continue;
      const DComplex candidate = element(j, k);
      const double squared = squaredParts(candidate);
      const bool isRoot = isModulusSquareRoot(squared);
      if (isRoot && bestIsRoot && squared <= bestSquared) continue;
      const double candidateModulus = modulus(candidate, squared);
      if (candidateModulus > best) {
        best = candidateModulus;
        bestSquared = squared;
        bestIsRoot = isRoot;
        *pivotRow = j;
        *pivotColumn = k;
        found = true;
      }
    }
  }
  return found;
}

// The same over a row-major matrix.
template <typename Size>
bool findPivot(const DComplex* m, Size size, const int* pivotCount, size_t* pivotRow, size_t* pivotColumn) {
  // The size is captured rather than its dimension: for the fixed sizes the
  // dimension is a constant, and a captured constant goes unused.
  return findPivotOf(
      size, pivotCount, [m, size](size_t j, size_t k) { return m[j * dimension(size) + k]; }, pivotRow,
      pivotColumn);
}

// Divides the pivot row by the pivot. The inverse is built in place, so the
// pivot's own element is set to 1 first and ends up holding the reciprocal.
template <typename Size>
void normalisePivotRow(DComplex* m, Size size, size_t c) {
  const size_t n = dimension(size);
  const DComplex inverse = reciprocal(m[c * n + c]);
  m[c * n + c] = DComplex(1.0, 0.0);
  for (size_t l = 0; l < n; ++l) m[c * n + l] = complexProduct(m[c * n + l], inverse);
}

// Clears column c from every other row, building that column of the inverse.
template <typename Size>
void eliminatePivotColumn(DComplex* m, Size size, size_t c) {
  const size_t n = dimension(size);
  for (size_t r = 0; r < n; ++r) {
    if (r == c) continue;
    const DComplex d = m[r * n + c];
    m[r * n + c] = DComplex(0.0, 0.0);
    for (size_t l = 0; l < n; ++l) m[r * n + l] -= complexProduct(m[c * n + l], d);
  }
}

// The place among `count` candidates of the first one whose modulus is
// strictly larger than every one before it, as findPivot would choose it,
// without a branch on the values: every modulus is taken, the largest found
// with max, and the first place holding it read off a mask of the places
// that do. Returns -1 when that cannot be decided so: some candidate's
// modulus may not be the square root of its squared parts (not a number,
// infinite, huge, or tiny but not zero), or none is above zero (the
// candidates may still hold tiny non-zero values, whose moduli only hypot
// finds). The caller then asks findPivot, which gives the same answer in
// every case. REQUIRES: count <= kMaxCount <= 32.
template <size_t kMaxCount>
[[gnu::always_inline]] inline int firstLargestModulus(const DComplex* candidates, size_t count) {
  double moduli[kMaxCount];
  bool ordinary = true;
  for (size_t k = 0; k < count; ++k) {
    const double squared = squaredParts(candidates[k]);
    ordinary &= (squared == 0.0) | isModulusSquareRoot(squared);
    moduli[k] = std::sqrt(squared);
  }
  if (!ordinary) return -1;
  double best = 0.0;
  for (size_t k = 0; k < count; ++k) best = moduli[k] > best ? moduli[k] : best;
  unsigned holders = 0;
  for (size_t k = 0; k < count; ++k) holders |= static_cast<unsigned>(moduli[k] == best) << k;
  return best > 0.0 ? __builtin_ctz(holders) : -1;
}

// The first pivot of a 2 x 2 inversion, as findPivot chooses it.
[[gnu::always_inline]] inline bool chooseTwoByTwoPivot(const DComplex* m, size_t* row, size_t* column) {
  const int place = firstLargestModulus<4>(m, 4);
  if (place >= 0) {
    *row = static_cast<size_t>(place) >> 1;
    *column = static_cast<size_t>(place) & 1;
    return true;
  }
  const int unused[2] = {0, 0};
  return findPivot(m, FixedSize<2>{}, unused, row, column);
}

// Inverts the 2 x 2 row-major matrix `m` in place, equal bit for bit to
// invertMatrix(m, 2): the same pivots, and the same normalisation and
// elimination on the same elements in the same order. Exchanges move no
// element. With the first pivot at (R, C), the steps run on the matrix y
// relabelled so that this pivot is at (0, 0), y(i, j) = m(i ^ R, j ^ C): the
// row exchange and the renumbering that brings pivot column C to 0 are one
// relabelling. Each element of y then undergoes exactly the operations its
// counterpart undergoes in the inversion for any size, since normalisation
// and elimination treat every element of a row alike. The inverse of m is
// y's with rows and columns relabelled back the other way,
// m^-1(i, j) = y^-1(i ^ C, j ^ R). Elements are picked by computed place,
// so no branch depends on where the pivot lies.
[[gnu::always_inline]] inline int invertTwoByTwo(DComplex* m) {
  constexpr FixedSize<2> two{};
  size_t r = 0;
  size_t c = 0;
  if (!chooseTwoByTwoPivot(m, &r, &c)) return kSingular;
  DComplex y[4] = {m[r * 2 + c], m[r * 2 + (c ^ 1)], m[(r ^ 1) * 2 + c], m[(r ^ 1) * 2 + (c ^ 1)]};
  normalisePivotRow(y, two, 0);
  eliminatePivotColumn(y, two, 0);
  // The second step's only candidate is the element of the row and column
  // left; it is the pivot when its modulus is non-zero and a number.
  if (!(modulus(y[3]) > 0.0)) {
    // The state reached: the row exchange made, no column exchanged back.
    const DComplex reached[4] = {y[c * 2 + c], y[c * 2 + (c ^ 1)], y[(c ^ 1) * 2 + c],
                                 y[(c ^ 1) * 2 + (c ^ 1)]};
    for (size_t e = 0; e < 4; ++e) m[e] = reached[e];
    return kSingular;
  }
  normalisePivotRow(y, two, 1);
  eliminatePivotColumn(y, two, 1);
  const DComplex inverse[4] = {y[c * 2 + r], y[c * 2 + (r ^ 1)], y[(c ^ 1) * 2 + r],
                               y[(c ^ 1) * 2 + (r ^ 1)]};
  for (size_t e = 0; e < 4; ++e) m[e] = inverse[e];
  return kInverted;
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_MATRIX_KERNELS_H
