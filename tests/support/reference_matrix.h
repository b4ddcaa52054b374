// A plain rendering of the network calculation's matrix product and
// Gauss-Jordan inversion with full pivoting, written as directly as the
// arithmetic reads: rows and columns really exchanged, every element
// visited in order, the pivot's reciprocal by the library's complex
// division. Kept apart from the library's code, so that its fast paths are
// compared with an independent statement of the same operations.
#ifndef KORVEL_TESTS_SUPPORT_REFERENCE_MATRIX_H
#define KORVEL_TESTS_SUPPORT_REFERENCE_MATRIX_H

#include <cstddef>
#include <utility>
#include <vector>

#include "rfcalc/complex_matrix.h"

namespace korvel::testing {

// (ar br - ai bi, ar bi + ai br), with no recovery of infinities.
inline DComplex referenceProduct(DComplex a, DComplex b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// Element (i, j) sums a(i, k) b(k, j) for k = 0, 1, ... from (0, 0).
inline std::vector<DComplex> referenceMultiply(const std::vector<DComplex>& a, const std::vector<DComplex>& b,
                                               size_t n) {
  std::vector<DComplex> product(n * n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      DComplex sum(0.0, 0.0);
      for (size_t k = 0; k < n; ++k) sum += referenceProduct(a[i * n + k], b[k * n + j]);
      product[i * n + j] = sum;
    }
  }
  return product;
}

struct ReferenceInversion {
  int result = kInverted;
  std::vector<int> pivotRows;
  std::vector<int> pivotColumns;
};

// Inverts row-major `m` in place. Each step's pivot is the first element,
// unused rows and columns scanned row by row, whose modulus is strictly
// larger than all before it; none above zero leaves the matrix singular,
// in the state reached. The pivot row is exchanged into the pivot column's
// row, scaled by the pivot's reciprocal, and cleared from every other row;
// at the end the columns are exchanged back in reverse order.
inline ReferenceInversion referenceInvert(std::vector<DComplex>& m, size_t n) {
  ReferenceInversion outcome;
  std::vector<bool> used(n, false);
  for (size_t step = 0; step < n; ++step) {
    double best = 0.0;
    size_t row = n;
    size_t column = n;
    for (size_t j = 0; j < n; ++j) {
      for (size_t k = 0; k < n; ++k) {
        if (used[j] || used[k]) continue;
        const double size = modulus(m[j * n + k]);
        if (size > best) {
          best = size;
          row = j;
          column = k;
        }
      }
    }
    if (row == n) {
      outcome.result = kSingular;
      return outcome;
    }
    used[column] = true;
    for (size_t l = 0; l < n; ++l) std::swap(m[row * n + l], m[column * n + l]);
    outcome.pivotRows.push_back(static_cast<int>(row));
    outcome.pivotColumns.push_back(static_cast<int>(column));
    const size_t c = column;
    const DComplex inverse = DComplex(1.0, 0.0) / m[c * n + c];
    m[c * n + c] = DComplex(1.0, 0.0);
    for (size_t l = 0; l < n; ++l) m[c * n + l] = referenceProduct(m[c * n + l], inverse);
    for (size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const DComplex d = m[r * n + c];
      m[r * n + c] = DComplex(0.0, 0.0);
      for (size_t l = 0; l < n; ++l) m[r * n + l] -= referenceProduct(m[c * n + l], d);
    }
  }
  for (size_t step = n; step-- > 0;) {
    const auto first = static_cast<size_t>(outcome.pivotRows[step]);
    const auto second = static_cast<size_t>(outcome.pivotColumns[step]);
    for (size_t r = 0; r < n; ++r) std::swap(m[r * n + first], m[r * n + second]);
  }
  return outcome;
}

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_SUPPORT_REFERENCE_MATRIX_H
