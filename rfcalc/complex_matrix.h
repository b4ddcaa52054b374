// Square complex matrices and the two routines every network calculation
// rests on: the matrix product and the in-place Gauss-Jordan inversion with
// full pivoting.
//
// Matrices are dense and stored row after row. Arithmetic is plain IEEE
// double precision: infinities and not-a-number values propagate and
// nothing traps. Both routines have fixed-size fast paths for 1, 2 and 4
// terminals and planar vectorised ones (planar_matrix.h) for the other
// sizes, and the network conversion has block ones that work on the
// matrices of eight or four points at once (point_block.h); they run the same
// arithmetic in the same order as the routines for any size and choose the
// same pivots (found by a search of their own), so their results are
// identical bit for bit. The product with a diagonal
// right factor is a shortcut with the full product's exact result.
#ifndef KORVEL_RFCALC_COMPLEX_MATRIX_H
#define KORVEL_RFCALC_COMPLEX_MATRIX_H

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel {

using DComplex = std::complex<double>;

// The complex product written out as (ar br - ai bi, ar bi + ai br), with no
// recovery of infinities, so that the loops built on it stay branch-free.
inline DComplex complexProduct(DComplex a, DComplex b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// |z|, the modulus every calculation uses: the pivot search, the gains and
// the noise figures. Where the squares of the parts can neither overflow nor
// lose digits to underflow it is the square root of x^2 + y^2, within an
// ulp or so of the exact value and several times faster than hypot; outside
// that range, and for values that are not numbers, it is hypot, which
// scales (and gives +infinity when one part is infinite, even if the other
// is not a number).
inline double squaredParts(DComplex z) { return z.real() * z.real() + z.imag() * z.imag(); }
inline bool isModulusSquareRoot(double squared) { return squared >= 0x1p-900 && squared <= 0x1p1000; }
inline double modulus(DComplex z, double squared) {
  return isModulusSquareRoot(squared) ? std::sqrt(squared) : std::hypot(z.real(), z.imag());
}
inline double modulus(DComplex z) { return modulus(z, squaredParts(z)); }

// 1 / p, the reciprocal of an inversion's pivot, equal bit for bit to the
// library's complex division (1 + 0i) / p. The library routine is an
// out-of-line call that weighs on every small inversion. For pivots whose
// parts are each zero or within 2^-500 .. 2^500 in magnitude (not both zero),
// the pivots real networks give, this runs the same operations inline:
// Smith's method, with the library's other formula when the ratio of the
// parts is below the normal range (zero, for a real pivot). The library also
// rescales such operands by powers of two, which change no bit of the result
// as long as no intermediate value falls below the normal range, and none
// can in that range. Every other pivot goes to the library. Always inlined:
// returned from a call, the complex value went back through memory in two
// halves and was read whole, a stall on every pivot.
inline bool isOrdinaryPart(double magnitude) {
  return magnitude == 0.0 || (magnitude >= 0x1p-500 && magnitude <= 0x1p500);
}
[[gnu::always_inline]] inline DComplex reciprocal(DComplex p) {
  const double c = p.real();
  const double d = p.imag();
  const double magnitudeC = std::fabs(c);
  const double magnitudeD = std::fabs(d);
  if (!isOrdinaryPart(magnitudeC) || !isOrdinaryPart(magnitudeD) || (c == 0.0 && d == 0.0)) {
    return DComplex(1.0, 0.0) / p;
  }
  constexpr double kSmallestNormal = 0x1p-1022;
  if (magnitudeC < magnitudeD) {
    const double ratio = c / d;
    const double denominator = c * ratio + d;
    if (std::fabs(ratio) > kSmallestNormal)
      return {(ratio + 0.0) / denominator, (0.0 * ratio - 1.0) / denominator};
    return {(c * (1.0 / d) + 0.0) / denominator, (c * (0.0 / d) - 1.0) / denominator};
  }
  const double ratio = d / c;
  const double denominator = d * ratio + c;
  if (std::fabs(ratio) > kSmallestNormal)
    return {(0.0 * ratio + 1.0) / denominator, (0.0 - ratio) / denominator};
  return {(1.0 + d * (0.0 / c)) / denominator, (0.0 - d * (1.0 / c)) / denominator};
}

// A dense rows x cols matrix of complex numbers.
class DComplexGenMat {
 public:
  // Every element is `fill`. Throws std::bad_alloc when memory runs out.
  DComplexGenMat(unsigned rows, unsigned cols, DComplex fill);

  DComplex& operator()(size_t row, size_t col) { return elements_[row * cols_ + col]; }
  const DComplex& operator()(size_t row, size_t col) const { return elements_[row * cols_ + col]; }
  unsigned rows() const { return rows_; }
  unsigned cols() const { return cols_; }
  // Row-major storage: element (r, c) is data()[r * cols() + c].
  DComplex* data() { return elements_.data(); }
  const DComplex* data() const { return elements_.data(); }

 private:
  unsigned rows_;
  unsigned cols_;
  std::vector<DComplex> elements_;
};

// A vector of n 32-bit integers.
class IntVec {
 public:
  IntVec(unsigned n, int fill) : entries_(n, fill) {}
  int& operator[](size_t index) { return entries_[index]; }
  int operator[](size_t index) const { return entries_[index]; }
  int* data() { return entries_.data(); }

 private:
  std::vector<int> entries_;
};

// The bookkeeping of one inversion of an n x n matrix: how often each
// column served as pivot column, and the pivot row and column of each step.
// Made once and handed to every inversion, so that an inversion allocates
// nothing. After an inversion it tells which pivots were chosen.
struct PivotRecord {
  explicit PivotRecord(int n);
  IntVec pivotCount;
  IntVec pivotRows;
  IntVec pivotColumns;
  IntVec unusedIndices;  // scratch: the rows and columns no pivot has used yet
  // Scratch of the inversion of three or more terminals: a planar copy of
  // the matrix, where each logical row lives, where each result column
  // comes from, which columns are still candidates for a pivot (all ones)
  // and each row's largest squared parts among them.
  std::vector<double> planar;
  IntVec rowSlots;
  IntVec columnOrder;
  std::vector<std::int64_t> candidateColumns;
  std::vector<double> rowLargest;
};

enum InversionResult : int {
  kInverted = 0,  // the matrix now holds its inverse
  kSingular = 1,  // a step found no pivot: the matrix holds the state reached then
};

// `*product` = a x b (a is the left factor); element (i, j) accumulates the
// products a(i, k) x b(k, j) for k in ascending order, starting from (0, 0).
// REQUIRES: all three are n x n and `product` is neither a nor b.
void multiplyMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n, DComplexGenMat* product);

// The same, returning a new matrix.
DComplexGenMat multiplyMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n);

// True when every element off the diagonal is a zero of either sign, so that
// a product with `m` on the right can go through multiplyByDiagonal.
// REQUIRES: m is n x n.
bool hasZeroOffDiagonal(const DComplexGenMat& m, int n);

// `*product` = a x d for a diagonal d, equal bit for bit to
// multiplyMatrices(a, d, n, product) in N^2 instead of N^3 operations. In
// the full product every term off the diagonal of d is a signed zero as long
// as the factor it multiplies is finite, and adding signed zeros to the
// running sum, which starts at (+0, +0), changes nothing but the sign of a
// zero; so element (i, j) is +0 + a(i, j) x d(j, j), component by component.
// A row of a holding an infinity or a value that is not a number is
// multiplied in full, since there a zero factor gives not-a-number terms.
// REQUIRES: all three are n x n, hasZeroOffDiagonal(d, n), and `product` is
// neither a nor d.
void multiplyByDiagonal(const DComplexGenMat& a, const DComplexGenMat& d, int n, DComplexGenMat* product);

// Inverts the n x n matrix `m` in place by Gauss-Jordan elimination with full
// pivoting. Each step takes as pivot the element of largest modulus among
// the rows and columns not yet used, scanning row by row; only a strictly
// larger modulus displaces the best so far, so among equal moduli the first
// met wins and a modulus that is not a number never wins. When no remaining
// element has a non-zero numeric modulus the matrix is singular: the routine
// returns kSingular at once and `m` holds the state reached. Prints nothing
// and allocates nothing. REQUIRES: m is n x n and `record` was made for n.
int invertMatrix(DComplexGenMat& m, int n, PivotRecord& record);

// The same with a pivot record of its own.
int invertMatrix(DComplexGenMat& m, int n);

// The routines above without their fast paths, element by element in
// row-major storage.
void multiplyMatricesAnySize(const DComplexGenMat& a, const DComplexGenMat& b, int n,
                             DComplexGenMat* product);
int invertMatrixAnySize(DComplexGenMat& m, int n, PivotRecord& record);

}  // namespace korvel

#endif  // KORVEL_RFCALC_COMPLEX_MATRIX_H
