// Block inversion and product. The inversion is invertPlanar's
// Gauss-Jordan elimination with full pivoting, run on every point of the
// block at once. A step's pivot differs from point to point; what the
// points share is the arithmetic, and that is made to line up: each
// point's pivot is moved, by exchanging that point's rows and columns,
// onto the diagonal at (step, step), the rows and columns of earlier
// pivots lying above and to the left of it. Normalising the pivot row and
// eliminating the pivot column from every other row are then the same
// vector operations for all points, and a step's candidates for the next
// pivot are the rows and columns beyond `step`. Element by element, every
// point's matrix undergoes the arithmetic of the inversion for any size;
// only where its elements lie differs, and the inverse is read back
// through each point's record of where its rows and columns went.
#include "rfcalc/point_block.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/wide_lanes.h"

namespace korvel::kernels {
namespace {

// The points' values of one part of an element go through wide_lanes.h's
// lanes. Every routine is written for blocks of kP points, eight or four
// (see blockPoints), and each entry point runs the one its size takes.
#pragma GCC diagnostic ignored "-Wpsabi"

// The bits of the lanes of a mask, lane `first` at bit `first`.
[[gnu::always_inline]] inline PointMask lanesSet(WideMask mask, size_t first) {
  PointMask bits = 0;
  for (size_t lane = 0; lane < kLanes; ++lane)
    bits |= static_cast<PointMask>(mask[lane] != 0) << (first + lane);
  return bits;
}

// Element (row, column) of a block of n x n matrices of kP points, each
// element 2 kP doubles.
template <size_t kP>
[[gnu::always_inline]] inline double* element(double* block, size_t n, size_t row, size_t column) {
  return block + (row * n + column) * 2 * kP;
}

// The working copy's rows are one element longer than the matrix's, so
// that the elements of a column, a row apart, do not all fall into the
// same few sets of the processor's cache.
template <size_t kP>
[[gnu::always_inline]] inline size_t rowDoubles(size_t n) {
  return (n + 1) * 2 * kP;
}

// Element (row, column) of the working copy.
template <size_t kP>
[[gnu::always_inline]] inline double* cell(double* w, size_t n, size_t row, size_t column) {
  return w + row * rowDoubles<kP>(n) + column * 2 * kP;
}

// What the pivot search needs to know of every point's candidates of a
// step: the largest of their squared parts (a value that is not a number
// never becomes the largest). The search is exact for a point when the
// largest lies within [2^-899, 2^1000] and no candidate is not a number:
// every candidate that can share the largest's square root then has the
// square root of its squared parts as its modulus, and every other one
// (too small for that, its modulus found by hypot) has a modulus below it.
// A candidate that is not a number is not looked for at each step: such a
// value stays in the working copy to the end (each later step subtracts
// from it, scales it or takes it as a factor of its whole row), so the
// inverse is checked for it once, at the end.
template <size_t kP>
struct BlockSummary {
  double largest[kP] = {};
};

// Folds the squared parts of a row's candidates into the row's largest,
// kLanes points from `q`.
[[gnu::always_inline]] inline Wide addCandidates(Wide largest, Wide re, Wide im) {
  const Wide squared = re * re + im * im;
  // squared > largest ? squared : largest, so a value that is not a
  // number never becomes the largest.
  return squared > largest ? squared : largest;
}

template <size_t kP>
[[gnu::always_inline]] inline void finishRow(BlockSummary<kP>* summary, double* rowLargest, size_t q,
                                             Wide largest) {
  storeLanes(rowLargest + q, largest);
  Wide total = loadLanes(summary->largest + q);
  total = largest > total ? largest : total;
  storeLanes(summary->largest + q, total);
}

// Whether point p's pivot can be found by its largest squared parts.
template <size_t kP>
bool isSearchable(const BlockSummary<kP>& summary, size_t p) {
  const double largest = summary.largest[p];
  return largest >= 0x1p-899 && largest <= 0x1p1000;
}

// The summary of the first step: every element a candidate.
template <size_t kP>
[[gnu::always_inline]] inline void summariseAll(double* w, size_t n, double* rowLargest,
                                                BlockSummary<kP>* summary) {
  for (size_t r = 0; r < n; ++r) {
    for (size_t q = 0; q < kP; q += kLanes) {
      Wide largest = {};
      for (size_t l = 0; l < n; ++l) {
        const double* x = cell<kP>(w, n, r, l) + q;
        largest = addCandidates(largest, loadLanes(x), loadLanes(x + kP));
      }
      finishRow(summary, rowLargest + r * kP, q, largest);
    }
  }
}

// findFirstLargest for point p: the first candidate, unused rows in order
// and unused columns in order, whose modulus is the square root of
// `largest`. Rows whose largest squared parts are too small to share that
// root are passed over whole. Returns false if there is none.
template <size_t kP>
bool findPointPivot(const double* w, size_t n, size_t p, const int* rowSlot, const int* columnSlot,
                    const int* unused, size_t count, const double* rowLargest, double largest,
                    size_t* pivotRow, size_t* pivotColumn) {
  const double best = std::sqrt(largest);
  const double nearest = largest * (1.0 - 0x1p-48);
  for (size_t jj = 0; jj < count; ++jj) {
    const size_t j = static_cast<size_t>(unused[jj]);
    const size_t physical = static_cast<size_t>(rowSlot[j]);
    if (!(rowLargest[physical * kP + p] >= nearest)) continue;
    const double* row = w + physical * rowDoubles<kP>(n) + p;
    for (size_t kk = 0; kk < count; ++kk) {
      const size_t k = static_cast<size_t>(unused[kk]);
      const double* x = row + static_cast<size_t>(columnSlot[k]) * 2 * kP;
      const double squared = squaredParts(DComplex(x[0], x[kP]));
      // The largest itself shares its root without the root being taken.
      if (squared == largest || (squared >= nearest && std::sqrt(squared) == best)) {
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
template <size_t kP>
void exchangeRows(double* w, size_t n, size_t p, size_t a, size_t b) {
  constexpr size_t kElement = 2 * kP;
  double* x = w + a * rowDoubles<kP>(n) + p;
  double* y = w + b * rowDoubles<kP>(n) + p;
  for (size_t l = 0; l < n; ++l) {
    std::swap(x[l * kElement], y[l * kElement]);
    std::swap(x[l * kElement + kP], y[l * kElement + kP]);
  }
}

// Exchanges point p's values of physical columns a and b.
template <size_t kP>
void exchangeColumns(double* w, size_t n, size_t p, size_t a, size_t b) {
  const size_t stride = rowDoubles<kP>(n);
  double* x = w + a * 2 * kP + p;
  double* y = w + b * 2 * kP + p;
  for (size_t r = 0; r < n; ++r) {
    std::swap(x[r * stride], y[r * stride]);
    std::swap(x[r * stride + kP], y[r * stride + kP]);
  }
}

// Moves what logical index `index` names to physical place `step`, in the
// maps between the two; returns the physical place it had.
size_t moveToStep(int* slot, int* owner, size_t index, size_t step) {
  const size_t physical = static_cast<size_t>(slot[index]);
  const int displaced = owner[step];
  owner[step] = static_cast<int>(index);
  owner[physical] = displaced;
  slot[index] = static_cast<int>(step);
  slot[displaced] = static_cast<int>(physical);
  return physical;
}

// Point p's choice of the step's pivot and the bookkeeping that follows
// it: the rows renamed as invertPlanar renames them, then the pivot moved
// to (step, step). Clears p's bit of `*valid` when the pivot cannot be
// chosen exactly (the point then goes on with the first unused column,
// its values meaning nothing).
template <size_t kP>
void choosePointPivot(BlockInversion& work, size_t step, size_t p, const BlockSummary<kP>& summary,
                      PointMask* valid) {
  const size_t n = work.n;
  int* rowSlot = work.rowSlot.data() + p * n;
  int* rowOwner = work.rowOwner.data() + p * n;
  int* columnSlot = work.columnSlot.data() + p * n;
  int* columnOwner = work.columnOwner.data() + p * n;
  int* unused = work.unused.data() + p * n;
  const size_t count = n - step;
  size_t row = static_cast<size_t>(unused[0]);
  size_t column = row;
  const bool searchable = ((*valid >> p) & 1) != 0 && isSearchable(summary, p);
  if (!searchable || !findPointPivot<kP>(work.working.data(), n, p, rowSlot, columnSlot, unused, count,
                                         work.rowLargest.data(), summary.largest[p], &row, &column)) {
    *valid &= ~(1u << p);
    row = column = static_cast<size_t>(unused[0]);
  }
  removeIndex(unused, count, column);
  work.pivotRows[p * n + step] = static_cast<int>(row);
  work.pivotColumns[p * n + step] = static_cast<int>(column);
  std::swap(rowSlot[row], rowSlot[column]);
  rowOwner[rowSlot[row]] = static_cast<int>(row);
  rowOwner[rowSlot[column]] = static_cast<int>(column);
  double* w = work.working.data();
  const size_t physicalRow = moveToStep(rowSlot, rowOwner, column, step);
  if (physicalRow != step) exchangeRows<kP>(w, n, p, physicalRow, step);
  const size_t physicalColumn = moveToStep(columnSlot, columnOwner, column, step);
  if (physicalColumn != step) exchangeColumns<kP>(w, n, p, physicalColumn, step);
}

// normalisePivotRow on physical row `step`, whose pivot is at (step, step).
template <size_t kP>
[[gnu::always_inline]] inline void normaliseBlockRow(double* w, size_t n, size_t step) {
  alignas(64) double inverseRe[kP];
  alignas(64) double inverseIm[kP];
  double* pivot = cell<kP>(w, n, step, step);
  for (size_t p = 0; p < kP; ++p) {
    const DComplex inverse = reciprocal(DComplex(pivot[p], pivot[kP + p]));
    inverseRe[p] = inverse.real();
    inverseIm[p] = inverse.imag();
    pivot[p] = 1.0;
    pivot[kP + p] = 0.0;
  }
  for (size_t l = 0; l < n; ++l) {
    double* x = cell<kP>(w, n, step, l);
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

// eliminatePivotColumn's work on physical row r: the element of the pivot
// column taken as the factor and cleared, then the pivot row times the
// factor subtracted. With a summary, the row's candidates for the next
// step (the columns beyond `step`) are summarised.
template <size_t kP, bool kSummarise>
[[gnu::always_inline]] inline void eliminateBlockRow(double* w, size_t n, size_t r, size_t step,
                                                     double* rowLargest, BlockSummary<kP>* summary) {
  double* factor = cell<kP>(w, n, r, step);
  for (size_t q = 0; q < kP; q += kLanes) {
    const Wide dRe = loadLanes(factor + q);
    const Wide dIm = loadLanes(factor + kP + q);
    storeLanes(factor + q, Wide{});
    storeLanes(factor + kP + q, Wide{});
    // Without a summary the row is one run of the same operations.
    const size_t plain = kSummarise ? step + 1 : n;
    for (size_t l = 0; l < plain; ++l) {
      double* x = cell<kP>(w, n, r, l) + q;
      const double* pivot = cell<kP>(w, n, step, l) + q;
      const Wide pRe = loadLanes(pivot);
      const Wide pIm = loadLanes(pivot + kP);
      storeLanes(x, loadLanes(x) - (pRe * dRe - pIm * dIm));
      storeLanes(x + kP, loadLanes(x + kP) - (pRe * dIm + pIm * dRe));
    }
    Wide largest = {};
    for (size_t l = plain; l < n; ++l) {
      double* x = cell<kP>(w, n, r, l) + q;
      const double* pivot = cell<kP>(w, n, step, l) + q;
      const Wide pRe = loadLanes(pivot);
      const Wide pIm = loadLanes(pivot + kP);
      const Wide xRe = loadLanes(x) - (pRe * dRe - pIm * dIm);
      const Wide xIm = loadLanes(x + kP) - (pRe * dIm + pIm * dRe);
      storeLanes(x, xRe);
      storeLanes(x + kP, xIm);
      if constexpr (kSummarise) largest = addCandidates(largest, xRe, xIm);
    }
    if constexpr (kSummarise) finishRow(summary, rowLargest + r * kP, q, largest);
  }
}

// The inverse of point p put in place: element (i, j) is the element of
// the working copy where logical row i and logical column order[j] went,
// the columns put back by the pivots' exchanges undone in reverse order.
template <size_t kP>
void storePoint(const BlockInversion& work, size_t p, double* inverse) {
  constexpr size_t kElement = 2 * kP;
  const size_t n = work.n;
  const int* rowSlot = work.rowSlot.data() + p * n;
  const int* columnSlot = work.columnSlot.data() + p * n;
  const int* rows = work.pivotRows.data() + p * n;
  const int* columns = work.pivotColumns.data() + p * n;
  int order[kBlockMaxTerminals];
  for (size_t j = 0; j < n; ++j) order[j] = static_cast<int>(j);
  for (size_t step = n; step-- > 0;) std::swap(order[rows[step]], order[columns[step]]);
  size_t physicalColumn[kBlockMaxTerminals];
  for (size_t j = 0; j < n; ++j) physicalColumn[j] = static_cast<size_t>(columnSlot[order[j]]) * kElement;
  size_t physicalRow[kBlockMaxTerminals];
  for (size_t i = 0; i < n; ++i) physicalRow[i] = static_cast<size_t>(rowSlot[i]) * rowDoubles<kP>(n);
  const double* w = work.working.data() + p;
  double* to = inverse + p;
  for (size_t j = 0; j < n; ++j) {
    const double* from = w + physicalColumn[j];
    for (size_t i = 0; i < n; ++i, to += kElement) {
      to[0] = from[physicalRow[i]];
      to[kP] = from[physicalRow[i] + kP];
    }
  }
}

// The product's columns [j, j + kColumns) of row i, accumulated term by
// term from zero as multiplyElements adds them.
template <size_t kP, size_t kColumns>
[[gnu::always_inline]] inline void multiplyColumns(const double* a, const double* b, size_t n, size_t i,
                                                   size_t j, double* product) {
  constexpr size_t kElement = 2 * kP;
  for (size_t q = 0; q < kP; q += kLanes) {
    Wide sumRe[kColumns] = {};
    Wide sumIm[kColumns] = {};
    for (size_t k = 0; k < n; ++k) {
      const double* left = a + (i * n + k) * kElement + q;
      const Wide aRe = loadLanes(left);
      const Wide aIm = loadLanes(left + kP);
      for (size_t c = 0; c < kColumns; ++c) {
        const double* right = b + ((j + c) * n + k) * kElement + q;
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

// The points of the working copy none of whose values is not a number.
template <size_t kP>
[[gnu::always_inline]] inline PointMask pointsWithoutNaN(double* w, size_t n) {
  PointMask points = 0;
  for (size_t q = 0; q < kP; q += kLanes) {
    WideMask numbers = ~WideMask{};
    for (size_t r = 0; r < n; ++r) {
      for (size_t l = 0; l < n; ++l) {
        const double* x = cell<kP>(w, n, r, l) + q;
        const Wide re = loadLanes(x);
        const Wide im = loadLanes(x + kP);
        numbers &= (re == re) & (im == im);
      }
    }
    points |= lanesSet(numbers, q);
  }
  return points;
}

// Lanes holding a finite value.
[[gnu::always_inline]] inline WideMask finiteLanes(Wide x) { return (x - x) == 0.0; }

// The terminal count a block inversion is made for, refused beyond the
// largest blocks, whose bookkeeping the routines keep in fixed arrays.
size_t checkedTerminals(size_t n) {
  if (n < 1 || n > kBlockMaxTerminals) throw std::length_error("no block inversion of that size");
  return n;
}

template <size_t kP>
[[gnu::always_inline]] inline PointMask invertPoints(const double* block, double* inverse,
                                                     BlockInversion& work) {
  constexpr size_t kElement = 2 * kP;
  const size_t n = work.n;
  double* w = work.working.data();
  for (size_t r = 0; r < n; ++r) {
    std::memcpy(w + r * rowDoubles<kP>(n), block + r * n * kElement, n * kElement * sizeof(double));
  }
  for (size_t i = 0; i < n * kP; ++i) {
    const int index = static_cast<int>(i % n);
    work.rowSlot[i] = work.rowOwner[i] = work.columnSlot[i] = work.columnOwner[i] = work.unused[i] = index;
  }
  PointMask valid = everyPoint(kP);
  BlockSummary<kP> summary;
  summariseAll(w, n, work.rowLargest.data(), &summary);
  for (size_t step = 0; step < n; ++step) {
    for (size_t p = 0; p < kP; ++p) choosePointPivot(work, step, p, summary, &valid);
    normaliseBlockRow<kP>(w, n, step);
    summary = BlockSummary<kP>{};
    // The rows above `step` hold earlier pivots and are no candidates.
    for (size_t r = 0; r < step; ++r) eliminateBlockRow<kP, false>(w, n, r, step, nullptr, nullptr);
    for (size_t r = step + 1; r < n; ++r)
      eliminateBlockRow<kP, true>(w, n, r, step, work.rowLargest.data(), &summary);
  }
  valid &= pointsWithoutNaN<kP>(w, n);
  for (size_t p = 0; p < kP; ++p) {
    if (((valid >> p) & 1) != 0) storePoint<kP>(work, p, inverse);
  }
  return valid;
}

template <size_t kP>
[[gnu::always_inline]] inline void multiplyPoints(const double* a, const double* b, size_t n,
                                                  double* product) {
  for (size_t i = 0; i < n; ++i) {
    size_t j = 0;
    for (; j + 2 <= n; j += 2) multiplyColumns<kP, 2>(a, b, n, i, j, product);
    if (j < n) multiplyColumns<kP, 1>(a, b, n, i, j, product);
  }
}

template <size_t kP>
[[gnu::always_inline]] inline void multiplyPointsByDiagonal(double* product, size_t n,
                                                            const double* diagonalRe,
                                                            const double* diagonalIm) {
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      double* x = element<kP>(product, n, i, j);
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
}

template <size_t kP>
[[gnu::always_inline]] inline void scalePoints(double* product, size_t n, const double* weights) {
  for (size_t e = 0; e < n * n; ++e) {
    double* x = product + e * 2 * kP;
    for (size_t q = 0; q < kP; q += kLanes) {
      storeLanes(x + q, loadLanes(x + q) * weights[e]);
      storeLanes(x + kP + q, loadLanes(x + kP + q) * weights[e]);
    }
  }
}

template <size_t kP>
[[gnu::always_inline]] inline PointMask finitePointsOf(const double* block, size_t n) {
  PointMask finite = 0;
  for (size_t q = 0; q < kP; q += kLanes) {
    WideMask lanes = ~WideMask{};
    for (size_t e = 0; e < n * n; ++e) {
      const double* x = block + e * 2 * kP + q;
      lanes &= finiteLanes(loadLanes(x)) & finiteLanes(loadLanes(x + kP));
    }
    finite |= lanesSet(lanes, q);
  }
  return finite;
}

}  // namespace

BlockInversion::BlockInversion(size_t terminals)
    : n(checkedTerminals(terminals)),
      points(blockPoints(terminals)),
      working((terminals + 1) * terminals * 2 * points),
      rowSlot(terminals * points),
      rowOwner(terminals * points),
      columnSlot(terminals * points),
      columnOwner(terminals * points),
      pivotRows(terminals * points),
      pivotColumns(terminals * points),
      unused(terminals * points),
      rowLargest(terminals * points) {}

[[gnu::target_clones("avx2", "default")]] PointMask invertBlock(const double* block, double* inverse,
                                                                BlockInversion& work) {
  if (work.points == kBlockMaxPoints) return invertPoints<kBlockMaxPoints>(block, inverse, work);
  return invertPoints<kBlockMaxPoints / 2>(block, inverse, work);
}

[[gnu::target_clones("avx2", "default")]] void multiplyBlock(const double* a, const double* b, size_t n,
                                                             double* product) {
  if (blockPoints(n) == kBlockMaxPoints) return multiplyPoints<kBlockMaxPoints>(a, b, n, product);
  multiplyPoints<kBlockMaxPoints / 2>(a, b, n, product);
}

[[gnu::target_clones("avx2", "default")]] void multiplyBlockByDiagonal(double* product, size_t n,
                                                                       const double* diagonalRe,
                                                                       const double* diagonalIm) {
  if (blockPoints(n) == kBlockMaxPoints)
    return multiplyPointsByDiagonal<kBlockMaxPoints>(product, n, diagonalRe, diagonalIm);
  multiplyPointsByDiagonal<kBlockMaxPoints / 2>(product, n, diagonalRe, diagonalIm);
}

[[gnu::target_clones("avx2", "default")]] void scaleBlock(double* product, size_t n, const double* weights) {
  if (blockPoints(n) == kBlockMaxPoints) return scalePoints<kBlockMaxPoints>(product, n, weights);
  scalePoints<kBlockMaxPoints / 2>(product, n, weights);
}

namespace {

// The lanes of `a` and `b` side by side (a's first) that `lane` picks for
// each lane of the result: written once for the four lanes of GCC's build
// and the two of Clang's.
template <size_t (*kLane)(size_t), size_t... kK>
[[gnu::always_inline]] inline Wide pickLanes(Wide a, Wide b, std::index_sequence<kK...>) {
  return __builtin_shufflevector(a, b, kLane(kK)...);
}

constexpr size_t evenLane(size_t k) { return 2 * k; }
constexpr size_t oddLane(size_t k) { return 2 * k + 1; }
constexpr size_t lowPairLane(size_t k) { return k % 2 == 0 ? k / 2 : kLanes + k / 2; }
constexpr size_t highPairLane(size_t k) { return kLanes / 2 + lowPairLane(k); }

// The real parts of the points of two runs of (real, imaginary) pairs,
// and their imaginary parts; and back.
[[gnu::always_inline]] inline Wide evenLanes(Wide a, Wide b) {
  return pickLanes<evenLane>(a, b, std::make_index_sequence<kLanes>{});
}

[[gnu::always_inline]] inline Wide oddLanes(Wide a, Wide b) {
  return pickLanes<oddLane>(a, b, std::make_index_sequence<kLanes>{});
}

[[gnu::always_inline]] inline Wide lowPairs(Wide re, Wide im) {
  return pickLanes<lowPairLane>(re, im, std::make_index_sequence<kLanes>{});
}

[[gnu::always_inline]] inline Wide highPairs(Wide re, Wide im) {
  return pickLanes<highPairLane>(re, im, std::make_index_sequence<kLanes>{});
}

template <size_t kP>
[[gnu::always_inline]] inline void loadSumsOf(const double* const* entries, size_t n, size_t first,
                                              double* plus, double* minus) {
  constexpr size_t kElement = 2 * kP;
  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      const size_t e = r * n + c;
      const double* s = entries[e] + 2 * first;
      const double identityRe = r == c ? 1.0 : 0.0;
      const double identityIm = 0.0;
      for (size_t q = 0; q < kP; q += kLanes) {
        const Wide a = loadLanes(s + 2 * q);
        const Wide b = loadLanes(s + 2 * q + kLanes);
        const Wide re = evenLanes(a, b);
        const Wide im = oddLanes(a, b);
        storeLanes(plus + e * kElement + q, identityRe + re);
        storeLanes(plus + e * kElement + kP + q, identityIm + im);
        storeLanes(minus + e * kElement + q, identityRe - re);
        storeLanes(minus + e * kElement + kP + q, identityIm - im);
      }
    }
  }
}

// One element's run of pairs written from its real and imaginary parts.
[[gnu::always_inline]] inline void storePairs(double* to, Wide re, Wide im) {
  storeLanes(to, lowPairs(re, im));
  storeLanes(to + kLanes, highPairs(re, im));
}

template <size_t kP>
[[gnu::always_inline]] inline void storeResultsOf(const double* product, size_t n, const double* diagonalRe,
                                                  const double* diagonalIm, const double* weights,
                                                  double* const* entries, size_t first) {
  constexpr size_t kElement = 2 * kP;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const size_t e = i * n + j;
      const double* x = product + e * kElement;
      double* to = entries[e] + 2 * first;
      for (size_t q = 0; q < kP; q += kLanes) {
        const Wide xRe = loadLanes(x + q);
        const Wide xIm = loadLanes(x + kP + q);
        if (weights != nullptr) {
          storePairs(to + 2 * q, xRe * weights[e], xIm * weights[e]);
        } else {
          const double dRe = diagonalRe[j];
          const double dIm = diagonalIm[j];
          // The + 0.0 is the running sum's start: it turns a -0 part into +0.
          storePairs(to + 2 * q, 0.0 + (xRe * dRe - xIm * dIm), 0.0 + (xRe * dIm + xIm * dRe));
        }
      }
    }
  }
}

}  // namespace

[[gnu::target_clones("avx2", "default")]] void loadIdentitySums(const double* const* entries, size_t n,
                                                                size_t first, double* plus, double* minus) {
  if (blockPoints(n) == kBlockMaxPoints) return loadSumsOf<kBlockMaxPoints>(entries, n, first, plus, minus);
  loadSumsOf<kBlockMaxPoints / 2>(entries, n, first, plus, minus);
}

[[gnu::target_clones("avx2", "default")]] void storeBlockResults(const double* product, size_t n,
                                                                 const double* diagonalRe,
                                                                 const double* diagonalIm,
                                                                 const double* weights,
                                                                 double* const* entries, size_t first) {
  if (blockPoints(n) == kBlockMaxPoints)
    return storeResultsOf<kBlockMaxPoints>(product, n, diagonalRe, diagonalIm, weights, entries, first);
  storeResultsOf<kBlockMaxPoints / 2>(product, n, diagonalRe, diagonalIm, weights, entries, first);
}

[[gnu::target_clones("avx2", "default")]] PointMask finitePoints(const double* block, size_t n) {
  if (blockPoints(n) == kBlockMaxPoints) return finitePointsOf<kBlockMaxPoints>(block, n);
  return finitePointsOf<kBlockMaxPoints / 2>(block, n);
}

}  // namespace korvel::kernels
