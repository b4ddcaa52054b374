// Square complex matrices and the two routines every network calculation
// rests on: the matrix product and the in-place Gauss-Jordan inversion with
// full pivoting.
//
// Matrices are dense and stored row after row. Arithmetic is plain IEEE
// double precision: infinities and not-a-number values propagate and
// nothing traps. Both routines have fixed-size fast paths for 1, 2 and 4
// terminals; they run the same steps in the same order as the routines for
// any size, so their results are identical bit for bit.
#ifndef KORVEL_RFCALC_COMPLEX_MATRIX_H
#define KORVEL_RFCALC_COMPLEX_MATRIX_H

#include <cmath>
#include <complex>
#include <cstddef>
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

// `*sum` = a + b and `*difference` = a - b, element by element.
// REQUIRES: all three are n x n; the result may be one of the operands.
void addMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n, DComplexGenMat* sum);
void subtractMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n, DComplexGenMat* difference);

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

// The routines above without their fixed-size fast paths: the reference the
// fast paths must reproduce exactly.
void multiplyMatricesAnySize(const DComplexGenMat& a, const DComplexGenMat& b, int n,
                             DComplexGenMat* product);
int invertMatrixAnySize(DComplexGenMat& m, int n, PivotRecord& record);

}  // namespace korvel

#endif  // KORVEL_RFCALC_COMPLEX_MATRIX_H
