// Matrix product and Gauss-Jordan inversion over row-major complex storage.
//
// The fixed-size and any-size instantiations of the kernels run the same
// arithmetic in the same order, which is what makes the fast paths exact;
// only the pivot search differs, each finding the same pivot in the way that
// is faster for its size.
#include "rfcalc/complex_matrix.h"

#include <cassert>
#include <type_traits>
#include <utility>

#include "rfcalc/matrix_kernels.h"
#include "rfcalc/planar_matrix.h"

namespace korvel {
namespace {

using namespace kernels;

// The rows and columns not yet used by a pivot, in ascending order: the same
// numbers for both, since a pivot column's row is used up with it.
struct UnusedIndices {
  const int* index;
  size_t count;
};

// The largest squared parts among the candidates for the step's pivot, or
// -1 when some candidate's modulus may not be the square root of its squared
// parts: those not a number, beyond the square root's range, or too small
// for it but not zero (a zero's modulus can never be the largest).
template <typename Size>
double largestSquaredParts(const DComplex* m, Size size, UnusedIndices unused) {
  const size_t n = dimension(size);
  double largest = 0.0;
  bool squareRoots = true;
  for (size_t jj = 0; jj < unused.count; ++jj) {
    const DComplex* row = m + static_cast<size_t>(unused.index[jj]) * n;
    for (size_t kk = 0; kk < unused.count; ++kk) {
      const double squared = squaredParts(row[unused.index[kk]]);
      largest = squared > largest ? squared : largest;
      squareRoots &= squared == 0.0 || isModulusSquareRoot(squared);
    }
  }
  return squareRoots ? largest : -1.0;
}

// The first candidate, in the pivot search's order, whose modulus is the
// square root of `largest`: the pivot findPivot would choose, found without
// the branches that follow the best so far. Only squared parts within a few
// ulps of the largest can have the same square root.
// REQUIRES: largest = largestSquaredParts(...) > 0.
template <typename Size>
void findFirstLargest(const DComplex* m, Size size, UnusedIndices unused, double largest, size_t* pivotRow,
                      size_t* pivotColumn) {
  const size_t n = dimension(size);
  const double best = std::sqrt(largest);
  const double nearest = largest * (1.0 - 0x1p-48);
  for (size_t jj = 0; jj < unused.count; ++jj) {
    const size_t j = static_cast<size_t>(unused.index[jj]);
    for (size_t kk = 0; kk < unused.count; ++kk) {
      const size_t k = static_cast<size_t>(unused.index[kk]);
      const double squared = squaredParts(m[j * n + k]);
      if (squared >= nearest && std::sqrt(squared) == best) {
        *pivotRow = j;
        *pivotColumn = k;
        return;
      }
    }
  }
}

// The pivot of the step, as findPivot defines it. For any size, in two
// passes when every candidate's modulus is a square root, the common case;
// the unrolled searches of the fixed sizes are as fast as they are.
template <typename Size>
bool choosePivot(const DComplex* m, Size size, const int* pivotCount, UnusedIndices unused, size_t* pivotRow,
                 size_t* pivotColumn) {
  if constexpr (!std::is_same_v<Size, int>) return findPivot(m, size, pivotCount, pivotRow, pivotColumn);
  const double largest = largestSquaredParts(m, size, unused);
  if (largest <= 0.0) return findPivot(m, size, pivotCount, pivotRow, pivotColumn);
  findFirstLargest(m, size, unused, largest, pivotRow, pivotColumn);
  return true;
}

template <typename Size>
void swapRows(DComplex* m, Size size, size_t first, size_t second) {
  const size_t n = dimension(size);
  for (size_t l = 0; l < n; ++l) std::swap(m[first * n + l], m[second * n + l]);
}

template <typename Size>
void swapColumns(DComplex* m, Size size, size_t first, size_t second) {
  const size_t n = dimension(size);
  for (size_t r = 0; r < n; ++r) std::swap(m[r * n + first], m[r * n + second]);
}

// Takes `index` out of the first `count` entries of the ascending list.
void removeIndex(int* list, size_t count, size_t index) {
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (static_cast<size_t>(list[i]) != index) list[kept++] = list[i];
  }
}

template <typename Size>
int invertElements(DComplex* m, Size size, int* pivotCount, int* pivotRows, int* pivotColumns, int* unused) {
  const size_t n = dimension(size);
  for (size_t i = 0; i < n; ++i) pivotCount[i] = 0;
  for (size_t i = 0; i < n; ++i) unused[i] = static_cast<int>(i);
  for (size_t step = 0; step < n; ++step) {
    size_t row = 0;
    size_t column = 0;
    if (!choosePivot(m, size, pivotCount, UnusedIndices{unused, n - step}, &row, &column)) return kSingular;
    ++pivotCount[column];
    removeIndex(unused, n - step, column);
    if (row != column) swapRows(m, size, row, column);
    pivotRows[step] = static_cast<int>(row);
    pivotColumns[step] = static_cast<int>(column);
    normalisePivotRow(m, size, column);
    eliminatePivotColumn(m, size, column);
  }
  // The row exchanges permuted the unknowns; exchanging the same columns in
  // reverse order puts the inverse's columns back in place.
  for (size_t step = n; step-- > 0;) {
    if (pivotRows[step] != pivotColumns[step]) {
      swapColumns(m, size, static_cast<size_t>(pivotRows[step]), static_cast<size_t>(pivotColumns[step]));
    }
  }
  return kInverted;
}

// The planar product, its scratch on the stack up to 32 terminals.
void multiplyLarge(const DComplex* a, const DComplex* b, size_t n, DComplex* product) {
  constexpr size_t kStackTerminals = 32;
  if (n == 0) return;
  const size_t doubles = planarDoubles(n) + 2 * planarRowStride(n);
  if (n <= kStackTerminals) {
    alignas(16) double scratch[2 * kStackTerminals * kStackTerminals + 2 * kStackTerminals];
    multiplyPlanar(a, b, n, product, scratch);
    return;
  }
  std::vector<double> scratch(doubles);
  multiplyPlanar(a, b, n, product, scratch.data());
}

// Whether every element of a row-major n x n matrix is finite; with
// `diagonalOnly`, every element of its diagonal.
bool isMatrixFinite(const DComplex* m, size_t n, bool diagonalOnly) {
  bool finite = true;
  const size_t step = diagonalOnly ? n + 1 : 1;
  for (size_t e = 0; e < n * n; e += step) finite &= isFinite(m[e]);
  return finite;
}

// a x d for a diagonal d, where a and d's diagonal are finite: each
// element is the single term multiplyElementsByDiagonal takes for it then.
void multiplyFiniteByDiagonal(const DComplex* a, const DComplex* d, size_t n, DComplex* product) {
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      // The + 0.0 is the running sum's start: it turns a -0 part into +0.
      const DComplex term = complexProduct(a[i * n + j], d[j * n + j]);
      product[i * n + j] = DComplex(0.0 + term.real(), 0.0 + term.imag());
    }
  }
}

[[maybe_unused]] bool isSquare(const DComplexGenMat& m, int n) {
  return n >= 0 && m.rows() == static_cast<unsigned>(n) && m.cols() == static_cast<unsigned>(n);
}

}  // namespace

DComplexGenMat::DComplexGenMat(unsigned rows, unsigned cols, DComplex fill)
    : rows_(rows), cols_(cols), elements_(static_cast<size_t>(rows) * cols, fill) {}

PivotRecord::PivotRecord(int n)
    : pivotCount(static_cast<unsigned>(n), 0),
      pivotRows(static_cast<unsigned>(n), 0),
      pivotColumns(static_cast<unsigned>(n), 0),
      unusedIndices(static_cast<unsigned>(n), 0),
      planar(planarDoubles(static_cast<size_t>(n))),
      rowSlots(static_cast<unsigned>(n), 0),
      columnOrder(static_cast<unsigned>(n), 0),
      candidateColumns(planarRowStride(static_cast<size_t>(n))),
      rowLargest(static_cast<size_t>(n)) {}

void multiplyMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n, DComplexGenMat* product) {
  assert(isSquare(a, n) && isSquare(b, n) && isSquare(*product, n));
  assert(product != &a && product != &b);
  withSize(n, [&](auto size) {
    if constexpr (std::is_same_v<decltype(size), int>) {
      multiplyLarge(a.data(), b.data(), static_cast<size_t>(n), product->data());
    } else {
      multiplyElements(a.data(), b.data(), size, product->data());
    }
  });
}

DComplexGenMat multiplyMatrices(const DComplexGenMat& a, const DComplexGenMat& b, int n) {
  DComplexGenMat product(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex(0.0, 0.0));
  multiplyMatrices(a, b, n, &product);
  return product;
}

void multiplyMatricesAnySize(const DComplexGenMat& a, const DComplexGenMat& b, int n,
                             DComplexGenMat* product) {
  assert(isSquare(a, n) && isSquare(b, n) && isSquare(*product, n));
  multiplyElements(a.data(), b.data(), n, product->data());
}

bool hasZeroOffDiagonal(const DComplexGenMat& m, int n) {
  assert(isSquare(m, n));
  const size_t size = static_cast<size_t>(n);
  for (size_t r = 0; r < size; ++r) {
    for (size_t c = 0; c < size; ++c) {
      if (r != c && (m(r, c).real() != 0.0 || m(r, c).imag() != 0.0)) return false;
    }
  }
  return true;
}

void multiplyByDiagonal(const DComplexGenMat& a, const DComplexGenMat& d, int n, DComplexGenMat* product) {
  assert(isSquare(a, n) && isSquare(d, n) && isSquare(*product, n));
  assert(product != &a && product != &d);
  withSize(n, [&](auto size) {
    if constexpr (std::is_same_v<decltype(size), int>) {
      const size_t terminals = static_cast<size_t>(n);
      if (isMatrixFinite(a.data(), terminals, false) && isMatrixFinite(d.data(), terminals, true)) {
        multiplyFiniteByDiagonal(a.data(), d.data(), terminals, product->data());
        return;
      }
    }
    multiplyElementsByDiagonal(a.data(), d.data(), size, product->data());
  });
}

int invertMatrix(DComplexGenMat& m, int n, PivotRecord& record) {
  assert(isSquare(m, n));
  return withSize(n, [&](auto size) {
    if constexpr (std::is_same_v<decltype(size), int>) {
      return n == 0 ? kInverted : invertPlanar(m.data(), static_cast<size_t>(n), record);
    } else {
      return invertElements(m.data(), size, record.pivotCount.data(), record.pivotRows.data(),
                            record.pivotColumns.data(), record.unusedIndices.data());
    }
  });
}

int invertMatrix(DComplexGenMat& m, int n) {
  PivotRecord record(n);
  return invertMatrix(m, n, record);
}

int invertMatrixAnySize(DComplexGenMat& m, int n, PivotRecord& record) {
  assert(isSquare(m, n));
  return invertElements(m.data(), n, record.pivotCount.data(), record.pivotRows.data(),
                        record.pivotColumns.data(), record.unusedIndices.data());
}

}  // namespace korvel
