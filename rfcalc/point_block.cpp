// Block inversion and product. The inversion is invertPlanar's
// Gauss-Jordan elimination with full pivoting (rows renamed, columns left
// in place and put back by a renaming at the end), run on every point of
// the block at once. A step's pivot differs from point to point; what the
// points share is the arithmetic, and that is made to line up: each
// point's pivot row is moved into the same physical row (row `step`, the
// rows of earlier pivots lying above it), so that normalising it and
// eliminating every other physical row are the same vector operations for
// all points. Only the pivot column differs, which is read and cleared
// point by point before each row's elimination.
#include "rfcalc/point_block.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "rfcalc/complex_matrix.h"

namespace korvel::kernels {
namespace {

// The points' values of one part of an element go through registers of
// kLanes doubles: the whole block at once with GCC (one 512-bit register,
// two 256-bit or four 128-bit ones, as the loader's choice of build has
// them), two at a time with clang, which refuses wider values in the
// baseline build. The same operations on each lane either way; no FMA is
// enabled, so nothing is contracted.
#pragma GCC diagnostic ignored "-Wpsabi"
#if defined(__clang__)
constexpr size_t kLanes = 2;
using Wide = double __attribute__((vector_size(16)));
using WideMask = std::int64_t __attribute__((vector_size(16)));
#else
constexpr size_t kLanes = kBlockPoints;
using Wide = double __attribute__((vector_size(kBlockPoints * sizeof(double))));
using WideMask = std::int64_t __attribute__((vector_size(kBlockPoints * sizeof(double))));
#endif
constexpr size_t kP = kBlockPoints;
constexpr size_t kElement = 2 * kP;  // doubles per element

[[gnu::always_inline]] inline Wide loadLanes(const double* from) {
  Wide value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

[[gnu::always_inline]] inline void storeLanes(double* to, Wide value) {
  std::memcpy(to, &value, sizeof value);
}

[[gnu::always_inline]] inline WideMask loadMask(const std::int64_t* from) {
  WideMask value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

[[gnu::always_inline]] inline void storeMask(std::int64_t* to, WideMask value) {
  std::memcpy(to, &value, sizeof value);
}

[[gnu::always_inline]] inline Wide maskedLanes(Wide value, WideMask keep) {
  return reinterpret_cast<Wide>(reinterpret_cast<WideMask>(value) & keep);
}

// The bits of the lanes of a mask, lane `first` at bit `first`.
[[gnu::always_inline]] inline PointMask lanesSet(WideMask mask, size_t first) {
  PointMask bits = 0;
  for (size_t lane = 0; lane < kLanes; ++lane)
    bits |= static_cast<PointMask>(mask[lane] != 0) << (first + lane);
  return bits;
}

// Element (row, column) of a block of n x n matrices.
[[gnu::always_inline]] inline double* element(double* block, size_t n, size_t row, size_t column) {
  return block + (row * n + column) * kElement;
}

// What the pivot search needs to know of every point's candidates of a
// step: the largest of their squared parts, and the points some of whose
// candidates have a modulus that is not the square root of their squared
// parts (not a number, or tiny but not zero; too large ones show in the
// largest), for which the search would not be exact.
struct BlockSummary {
  double largest[kP] = {};
  std::int64_t irregular[kP] = {};
};

// Folds the squared parts of a row's candidates into the row's largest
// and the summary, kLanes points from `q`.
[[gnu::always_inline]] inline Wide addCandidates(Wide largest, Wide re, Wide im, WideMask candidate,
                                                 WideMask* irregular) {
  const Wide squared = maskedLanes(re * re + im * im, candidate);
  *irregular |= (squared != squared) | ((squared < 0x1p-900) & (squared > 0.0));
  // squared > largest ? squared : largest, so a value that is not a
  // number never becomes the largest.
  return squared > largest ? squared : largest;
}

[[gnu::always_inline]] inline void finishRow(BlockSummary* summary, double* rowLargest, size_t q,
                                             Wide largest, WideMask irregular) {
  storeLanes(rowLargest + q, largest);
  Wide total = loadLanes(summary->largest + q);
  total = largest > total ? largest : total;
  storeLanes(summary->largest + q, total);
  storeMask(summary->irregular + q, loadMask(summary->irregular + q) | irregular);
}

// The summary of the first step: every element a candidate.
[[gnu::always_inline]] inline void summariseAll(double* w, size_t n, const std::int64_t* candidateColumns,
                                                double* rowLargest, BlockSummary* summary) {
  for (size_t r = 0; r < n; ++r) {
    for (size_t q = 0; q < kP; q += kLanes) {
      Wide largest = {};
      WideMask irregular = {};
      for (size_t l = 0; l < n; ++l) {
        const double* x = element(w, n, r, l) + q;
        largest = addCandidates(largest, loadLanes(x), loadLanes(x + kP),
                                loadMask(candidateColumns + l * kP + q), &irregular);
      }
      finishRow(summary, rowLargest + r * kP, q, largest, irregular);
    }
  }
}

// findFirstLargest for point p: the first candidate, unused rows in order
// and unused columns in order, whose modulus is the square root of
// `largest`. Rows whose largest squared parts are too small to share that
// root are passed over whole. Returns false if there is none.
bool findPointPivot(double* w, size_t n, size_t p, const int* slot, const int* unused, size_t count,
                    const double* rowLargest, double largest, size_t* pivotRow, size_t* pivotColumn) {
  const double best = std::sqrt(largest);
  const double nearest = largest * (1.0 - 0x1p-48);
  for (size_t jj = 0; jj < count; ++jj) {
    const size_t j = static_cast<size_t>(unused[jj]);
    const size_t physical = static_cast<size_t>(slot[j]);
    if (!(rowLargest[physical * kP + p] >= nearest)) continue;
    for (size_t kk = 0; kk < count; ++kk) {
      const size_t k = static_cast<size_t>(unused[kk]);
      const double* x = element(w, n, physical, k) + p;
      const double squared = squaredParts(DComplex(x[0], x[kP]));
      if (squared >= nearest && std::sqrt(squared) == best) {
        *pivotRow = j;
        *pivotColumn = k;
        return true;
      }
    }
  }
  return false;
}

// Takes `index` out of the first `count` entries of the ascending list.
void removeIndex(int* list, size_t count, size_t index) {
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (static_cast<size_t>(list[i]) != index) list[kept++] = list[i];
  }
}

// Exchanges point p's values of physical rows a and b.
void exchangeRows(double* w, size_t n, size_t p, size_t a, size_t b) {
  for (size_t l = 0; l < n; ++l) {
    double* x = element(w, n, a, l) + p;
    double* y = element(w, n, b, l) + p;
    std::swap(x[0], y[0]);
    std::swap(x[kP], y[kP]);
  }
}

// Point p's choice of the step's pivot and the bookkeeping that follows
// it: the rows renamed as invertPlanar renames them, then the pivot row
// moved to physical row `step`. Returns the pivot column; clears p's bit
// of `*valid` when the pivot cannot be chosen exactly (the point then goes
// on with the first unused column, its values meaning nothing).
size_t choosePointPivot(BlockInversion& work, size_t step, size_t p, const BlockSummary& summary,
                        PointMask* valid) {
  const size_t n = work.n;
  int* slot = work.slot.data() + p * n;
  int* owner = work.owner.data() + p * n;
  int* unused = work.unused.data() + p * n;
  const size_t count = n - step;
  size_t row = static_cast<size_t>(unused[0]);
  size_t column = row;
  const bool searchable = ((*valid >> p) & 1) != 0 && summary.irregular[p] == 0 && summary.largest[p] > 0.0 &&
                          summary.largest[p] <= 0x1p1000;
  if (!searchable || !findPointPivot(work.working.data(), n, p, slot, unused, count, work.rowLargest.data(),
                                     summary.largest[p], &row, &column)) {
    *valid &= ~(1u << p);
    row = column = static_cast<size_t>(unused[0]);
  }
  removeIndex(unused, count, column);
  work.candidateColumns[column * kP + p] = 0;
  work.pivotRows[p * n + step] = static_cast<int>(row);
  work.pivotColumns[p * n + step] = static_cast<int>(column);
  std::swap(slot[row], slot[column]);
  owner[slot[row]] = static_cast<int>(row);
  owner[slot[column]] = static_cast<int>(column);
  const size_t physical = static_cast<size_t>(slot[column]);
  if (physical != step) {
    exchangeRows(work.working.data(), n, p, physical, step);
    const int moved = owner[step];
    owner[step] = static_cast<int>(column);
    owner[physical] = moved;
    slot[column] = static_cast<int>(step);
    slot[moved] = static_cast<int>(physical);
  }
  return column;
}

// normalisePivotRow on physical row `step`, each point's pivot in its own
// column.
[[gnu::always_inline]] inline void normaliseBlockRow(double* w, size_t n, size_t step, const size_t* column) {
  alignas(64) double inverseRe[kP];
  alignas(64) double inverseIm[kP];
  for (size_t p = 0; p < kP; ++p) {
    double* x = element(w, n, step, column[p]) + p;
    const DComplex inverse = reciprocal(DComplex(x[0], x[kP]));
    inverseRe[p] = inverse.real();
    inverseIm[p] = inverse.imag();
    x[0] = 1.0;
    x[kP] = 0.0;
  }
  for (size_t l = 0; l < n; ++l) {
    double* x = element(w, n, step, l);
    for (size_t q = 0; q < kP; q += kLanes) {
      const Wide iRe = loadLanes(inverseRe + q);
      const Wide iIm = loadLanes(inverseIm + q);
      const Wide xRe = loadLanes(x + q);
      const Wide xIm = loadLanes(x + kP + q);
      storeLanes(x + q, xRe * iRe - xIm * iIm);
      storeLanes(x + kP + q, xRe * iIm + xIm * iRe);
    }
  }
}

// eliminatePivotColumn's work on physical row r: each point's element of
// its pivot column taken as the factor and cleared, then the pivot row
// times the factor subtracted. With a summary, the row's new candidates
// are summarised for the next step.
template <bool kSummarise>
[[gnu::always_inline]] inline void eliminateBlockRow(double* w, size_t n, size_t r, size_t step,
                                                     const size_t* column,
                                                     const std::int64_t* candidateColumns, double* rowLargest,
                                                     BlockSummary* summary) {
  alignas(64) double factorRe[kP];
  alignas(64) double factorIm[kP];
  for (size_t p = 0; p < kP; ++p) {
    double* x = element(w, n, r, column[p]) + p;
    factorRe[p] = x[0];
    factorIm[p] = x[kP];
    x[0] = 0.0;
    x[kP] = 0.0;
  }
  for (size_t q = 0; q < kP; q += kLanes) {
    const Wide dRe = loadLanes(factorRe + q);
    const Wide dIm = loadLanes(factorIm + q);
    Wide largest = {};
    WideMask irregular = {};
    for (size_t l = 0; l < n; ++l) {
      double* x = element(w, n, r, l) + q;
      const double* pivot = element(w, n, step, l) + q;
      const Wide pRe = loadLanes(pivot);
      const Wide pIm = loadLanes(pivot + kP);
      const Wide xRe = loadLanes(x) - (pRe * dRe - pIm * dIm);
      const Wide xIm = loadLanes(x + kP) - (pRe * dIm + pIm * dRe);
      storeLanes(x, xRe);
      storeLanes(x + kP, xIm);
      if constexpr (kSummarise) {
        largest = addCandidates(largest, xRe, xIm, loadMask(candidateColumns + l * kP + q), &irregular);
      }
    }
    if constexpr (kSummarise) finishRow(summary, rowLargest + r * kP, q, largest, irregular);
  }
}

// The inverse of point p put in place: element (i, j) is element
// (slot[i], column[j]) of the working copy, the columns put back by the
// pivots' exchanges undone in reverse order.
void storePoint(const BlockInversion& work, size_t p, double* inverse) {
  const size_t n = work.n;
  const int* slot = work.slot.data() + p * n;
  const int* rows = work.pivotRows.data() + p * n;
  const int* columns = work.pivotColumns.data() + p * n;
  int order[kBlockMaxTerminals];
  for (size_t j = 0; j < n; ++j) order[j] = static_cast<int>(j);
  for (size_t step = n; step-- > 0;) std::swap(order[rows[step]], order[columns[step]]);
  double* w = const_cast<double*>(work.working.data());
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const double* from = element(w, n, static_cast<size_t>(slot[i]), static_cast<size_t>(order[j])) + p;
      double* to = element(inverse, n, i, j) + p;
      to[0] = from[0];
      to[kP] = from[kP];
    }
  }
}

// The product's columns [j, j + kColumns) of row i, accumulated term by
// term from zero as multiplyElements adds them.
template <size_t kColumns>
[[gnu::always_inline]] inline void multiplyColumns(const double* a, const double* b, size_t n, size_t i,
                                                   size_t j, double* product) {
  for (size_t q = 0; q < kP; q += kLanes) {
    Wide sumRe[kColumns] = {};
    Wide sumIm[kColumns] = {};
    for (size_t k = 0; k < n; ++k) {
      const double* left = a + (i * n + k) * kElement + q;
      const Wide aRe = loadLanes(left);
      const Wide aIm = loadLanes(left + kP);
      for (size_t c = 0; c < kColumns; ++c) {
        const double* right = b + (k * n + j + c) * kElement + q;
        const Wide bRe = loadLanes(right);
        const Wide bIm = loadLanes(right + kP);
        sumRe[c] = sumRe[c] + (aRe * bRe - aIm * bIm);
        sumIm[c] = sumIm[c] + (aRe * bIm + aIm * bRe);
      }
    }
    for (size_t c = 0; c < kColumns; ++c) {
      double* to = product + (i * n + j + c) * kElement + q;
      storeLanes(to, sumRe[c]);
      storeLanes(to + kP, sumIm[c]);
    }
  }
}

// Lanes holding a finite value.
[[gnu::always_inline]] inline WideMask finiteLanes(Wide x) { return (x - x) == 0.0; }

}  // namespace

BlockInversion::BlockInversion(size_t terminals)
    : n(terminals),
      working(blockDoubles(terminals)),
      slot(terminals * kP),
      owner(terminals * kP),
      pivotRows(terminals * kP),
      pivotColumns(terminals * kP),
      unused(terminals * kP),
      candidateColumns(terminals * kP),
      rowLargest(terminals * kP) {}

[[gnu::target_clones("avx512f", "avx2", "default")]] PointMask invertBlock(const double* block,
                                                                           double* inverse,
                                                                           BlockInversion& work) {
  const size_t n = work.n;
  double* w = work.working.data();
  std::memcpy(w, block, blockDoubles(n) * sizeof(double));
  for (size_t p = 0; p < kP; ++p) {
    for (size_t i = 0; i < n; ++i) {
      work.slot[p * n + i] = work.owner[p * n + i] = work.unused[p * n + i] = static_cast<int>(i);
    }
  }
  for (std::int64_t& lane : work.candidateColumns) lane = -1;
  PointMask valid = kEveryPoint;
  BlockSummary summary;
  summariseAll(w, n, work.candidateColumns.data(), work.rowLargest.data(), &summary);
  size_t column[kP];
  for (size_t step = 0; step < n; ++step) {
    for (size_t p = 0; p < kP; ++p) column[p] = choosePointPivot(work, step, p, summary, &valid);
    normaliseBlockRow(w, n, step, column);
    summary = BlockSummary{};
    // The rows above `step` hold earlier pivots and are no candidates.
    for (size_t r = 0; r < step; ++r) {
      eliminateBlockRow<false>(w, n, r, step, column, nullptr, nullptr, nullptr);
    }
    for (size_t r = step + 1; r < n; ++r) {
      eliminateBlockRow<true>(w, n, r, step, column, work.candidateColumns.data(), work.rowLargest.data(),
                              &summary);
    }
  }
  for (size_t p = 0; p < kP; ++p) {
    if (((valid >> p) & 1) != 0) storePoint(work, p, inverse);
  }
  return valid;
}

[[gnu::target_clones("avx512f", "avx2", "default")]] void multiplyBlock(const double* a, const double* b,
                                                                        size_t n, double* product) {
  for (size_t i = 0; i < n; ++i) {
    size_t j = 0;
    for (; j + 2 <= n; j += 2) multiplyColumns<2>(a, b, n, i, j, product);
    if (j < n) multiplyColumns<1>(a, b, n, i, j, product);
  }
}

PointMask multiplyBlockByDiagonal(double* product, size_t n, const double* diagonalRe,
                                  const double* diagonalIm) {
  PointMask finite = finitePoints(product, n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      double* x = element(product, n, i, j);
      const double dRe = diagonalRe[j];
      const double dIm = diagonalIm[j];
      for (size_t q = 0; q < kP; q += kLanes) {
        const Wide xRe = loadLanes(x + q);
        const Wide xIm = loadLanes(x + kP + q);
        // The + 0.0 is the running sum's start: it turns a -0 part into +0.
        storeLanes(x + q, 0.0 + (xRe * dRe - xIm * dIm));
        storeLanes(x + kP + q, 0.0 + (xRe * dIm + xIm * dRe));
      }
    }
  }
  return finite;
}

void scaleBlock(double* product, size_t n, const double* weights) {
  for (size_t e = 0; e < n * n; ++e) {
    double* x = product + e * kElement;
    for (size_t q = 0; q < kP; q += kLanes) {
      storeLanes(x + q, loadLanes(x + q) * weights[e]);
      storeLanes(x + kP + q, loadLanes(x + kP + q) * weights[e]);
    }
  }
}

PointMask finitePoints(const double* block, size_t n) {
  PointMask finite = 0;
  for (size_t q = 0; q < kP; q += kLanes) {
    WideMask lanes = ~WideMask{};
    for (size_t e = 0; e < n * n; ++e) {
      const double* x = block + e * kElement + q;
      lanes &= finiteLanes(loadLanes(x)) & finiteLanes(loadLanes(x + kP));
    }
    finite |= lanesSet(lanes, q);
  }
  return finite;
}

}  // namespace korvel::kernels
