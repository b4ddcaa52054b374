// Planar product and inversion. A row of the working copy holds its real
// parts at [0, stride) and its imaginary parts at [stride, 2 stride); the
// columns beyond n are padding, computed along and never read back, so
// that every loop runs over whole groups of lanes.
#include "rfcalc/planar_matrix.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "rfcalc/matrix_kernels.h"
#include "rfcalc/wide_lanes.h"

namespace korvel::kernels {
namespace {

// The lanes and their helpers are wide_lanes.h's; the helpers taking and
// returning lanes here are always inlined as well.
#pragma GCC diagnostic ignored "-Wpsabi"

[[gnu::always_inline]] inline Wide maskedLanes(Wide value, WideMask keep) {
  return reinterpret_cast<Wide>(reinterpret_cast<WideMask>(value) & keep);
}

// The working copy of a matrix: row p's real parts at re(p), its imaginary
// parts at im(p).
struct PlanarRows {
  double* base;
  size_t stride;
  double* re(size_t p) const { return base + p * 2 * stride; }
  double* im(size_t p) const { return base + p * 2 * stride + stride; }
};

// What the pivot search needs to know of the candidates of a step, the
// elements of the rows and columns no pivot has used: the largest of their
// squared parts, and whether each one's modulus is the square root of its
// squared parts (zero, or within isModulusSquareRoot's range), which is
// what lets the largest squared parts stand for the largest modulus.
struct CandidateSummary {
  double largest = 0.0;
  bool squareRoots = true;
};

// Accumulates, lane by lane, the summary of a row's candidates.
struct LaneSummary {
  Wide largest = {};
  WideMask irregular = {};

  [[gnu::always_inline]] void add(Wide re, Wide im, WideMask candidate) {
    const Wide squared = maskedLanes(re * re + im * im, candidate);
    // squared > largest ? squared : largest, so a value that is not a
    // number never becomes the largest.
    largest = squared > largest ? squared : largest;
    // Not a number, or tiny but not zero; too large ones show in the largest.
    irregular |= (squared != squared) | ((squared < 0x1p-900) & (squared > 0.0));
  }

  // The row's largest squared parts, folded into `summary`.
  [[gnu::always_inline]] double finish(CandidateSummary* summary) const {
    double row = 0.0;
    std::int64_t odd = 0;
    for (size_t lane = 0; lane < kLanes; ++lane) {
      row = largest[lane] > row ? largest[lane] : row;
      odd |= irregular[lane];
    }
    summary->largest = row > summary->largest ? row : summary->largest;
    summary->squareRoots &= odd == 0 && row <= 0x1p1000;
    return row;
  }
};

[[gnu::always_inline]] inline void loadRows(const DComplex* m, size_t n, PlanarRows w) {
  for (size_t p = 0; p < n; ++p) {
    double* __restrict re = w.re(p);
    double* __restrict im = w.im(p);
    for (size_t l = 0; l < n; ++l) {
      re[l] = m[p * n + l].real();
      im[l] = m[p * n + l].imag();
    }
    for (size_t l = n; l < w.stride; ++l) re[l] = im[l] = 0.0;
  }
}

// Element (i, j) of the result is element (slot[i], column[j]) of the
// working copy.
[[gnu::always_inline]] inline void storeRows(PlanarRows w, size_t n, const int* slot, const int* column,
                                             DComplex* m) {
  for (size_t i = 0; i < n; ++i) {
    const double* re = w.re(static_cast<size_t>(slot[i]));
    const double* im = w.im(static_cast<size_t>(slot[i]));
    for (size_t j = 0; j < n; ++j) {
      const size_t c = static_cast<size_t>(column[j]);
      m[i * n + j] = DComplex(re[c], im[c]);
    }
  }
}

// Groups of lanes whose partial sums a product keeps in registers, real
// and imaginary parts: 16 columns with four lanes, 8 with two.
constexpr size_t kBlockVectors = 4;

// Columns [first, first + kVectors lanes) of row `aRow` x b into sumRe and
// sumIm. Each element accumulates the terms k = 0, 1, ... in turn, from
// zero, as multiplyElements adds them; the sums stay in registers while k
// runs, and the columns are independent and go side by side.
template <size_t kVectors>
[[gnu::always_inline]] inline void multiplyRowBlock(const DComplex* aRow, PlanarRows b, size_t n,
                                                    size_t first, double* __restrict sumRe,
                                                    double* __restrict sumIm) {
  Wide accumulatedRe[kVectors] = {};
  Wide accumulatedIm[kVectors] = {};
  for (size_t k = 0; k < n; ++k) {
    const double aRe = aRow[k].real();
    const double aIm = aRow[k].imag();
    const double* __restrict bRe = b.re(k) + first;
    const double* __restrict bIm = b.im(k) + first;
    for (size_t v = 0; v < kVectors; ++v) {
      const Wide re = loadLanes(bRe + v * kLanes);
      const Wide im = loadLanes(bIm + v * kLanes);
      accumulatedRe[v] = accumulatedRe[v] + (aRe * re - aIm * im);
      accumulatedIm[v] = accumulatedIm[v] + (aRe * im + aIm * re);
    }
  }
  for (size_t v = 0; v < kVectors; ++v) {
    storeLanes(sumRe + first + v * kLanes, accumulatedRe[v]);
    storeLanes(sumIm + first + v * kLanes, accumulatedIm[v]);
  }
}

// The first pivot's summary, and each row's largest squared parts.
[[gnu::always_inline]] inline CandidateSummary summariseRows(PlanarRows w, size_t n,
                                                             const std::int64_t* candidateColumns,
                                                             double* rowLargest) {
  CandidateSummary summary;
  for (size_t p = 0; p < n; ++p) {
    LaneSummary lanes;
    for (size_t l = 0; l < w.stride; l += kLanes) {
      lanes.add(loadLanes(w.re(p) + l), loadLanes(w.im(p) + l), loadVector<WideMask>(candidateColumns + l));
    }
    rowLargest[p] = lanes.finish(&summary);
  }
  return summary;
}

// normalisePivotRow on the working copy's row p, whose pivot is in column c.
[[gnu::always_inline]] inline void normaliseRow(PlanarRows w, size_t p, size_t c) {
  double* __restrict re = w.re(p);
  double* __restrict im = w.im(p);
  const DComplex inverse = reciprocal(DComplex(re[c], im[c]));
  re[c] = 1.0;
  im[c] = 0.0;
  const double inverseRe = inverse.real();
  const double inverseIm = inverse.imag();
  for (size_t l = 0; l < w.stride; l += kLanes) {
    const Wide xRe = loadLanes(re + l);
    const Wide xIm = loadLanes(im + l);
    storeLanes(re + l, xRe * inverseRe - xIm * inverseIm);
    storeLanes(im + l, xRe * inverseIm + xIm * inverseRe);
  }
}

// One row's part of eliminatePivotColumn: clears column c of row `target`
// with the pivot row `pivot`. With a summary, also summarises the row's
// new candidates for the next step and returns their largest squared parts.
template <bool kSummarise>
[[gnu::always_inline]] inline double eliminateRow(PlanarRows w, size_t target, size_t pivot, size_t c,
                                                  const std::int64_t* candidateColumns,
                                                  CandidateSummary* summary) {
  double* __restrict re = w.re(target);
  double* __restrict im = w.im(target);
  const double* __restrict pivotRe = w.re(pivot);
  const double* __restrict pivotIm = w.im(pivot);
  const double dRe = re[c];
  const double dIm = im[c];
  re[c] = 0.0;
  im[c] = 0.0;
  LaneSummary lanes;
  for (size_t l = 0; l < w.stride; l += kLanes) {
    const Wide pRe = loadLanes(pivotRe + l);
    const Wide pIm = loadLanes(pivotIm + l);
    const Wide xRe = loadLanes(re + l) - (pRe * dRe - pIm * dIm);
    const Wide xIm = loadLanes(im + l) - (pRe * dIm + pIm * dRe);
    storeLanes(re + l, xRe);
    storeLanes(im + l, xIm);
    if constexpr (kSummarise) lanes.add(xRe, xIm, loadVector<WideMask>(candidateColumns + l));
  }
  return kSummarise ? lanes.finish(summary) : 0.0;
}

// findFirstLargest on the working copy: the first candidate, unused rows
// in order and unused columns in order, whose modulus is the square root
// of `largest`. Rows whose largest squared parts are too small to share
// that root are passed over whole.
[[gnu::always_inline]] inline void findFirstLargestRow(PlanarRows w, const int* slot, const int* unused,
                                                       size_t count, const double* rowLargest, double largest,
                                                       size_t* pivotRow, size_t* pivotColumn) {
  const double best = std::sqrt(largest);
  const double nearest = largest * (1.0 - 0x1p-48);
  for (size_t jj = 0; jj < count; ++jj) {
    const size_t j = static_cast<size_t>(unused[jj]);
    if (!(rowLargest[j] >= nearest)) continue;
    const double* re = w.re(static_cast<size_t>(slot[j]));
    const double* im = w.im(static_cast<size_t>(slot[j]));
    for (size_t kk = 0; kk < count; ++kk) {
      const size_t k = static_cast<size_t>(unused[kk]);
      const double squared = squaredParts(DComplex(re[k], im[k]));
      if (squared >= nearest && std::sqrt(squared) == best) {
        *pivotRow = j;
        *pivotColumn = k;
        return;
      }
    }
  }
}

// Takes `index` out of the first `count` entries of the ascending list.
[[gnu::always_inline]] inline void removeIndex(int* list, size_t count, size_t index) {
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (static_cast<size_t>(list[i]) != index) list[kept++] = list[i];
  }
}

// The place of each result column among the working copy's columns: the
// pivots' row exchanges undone by exchanging the same columns in reverse
// order, here by exchanging their names.
[[gnu::always_inline]] inline void orderColumns(const PivotRecord& record, size_t n, int* column) {
  for (size_t j = 0; j < n; ++j) column[j] = static_cast<int>(j);
  for (size_t step = n; step-- > 0;) {
    const int first = record.pivotRows[step];
    const int second = record.pivotColumns[step];
    std::swap(column[first], column[second]);
  }
}

}  // namespace

size_t planarRowStride(size_t n) { return (n + kLanes - 1) / kLanes * kLanes; }

size_t planarDoubles(size_t n) { return 2 * planarRowStride(n) * n; }

[[gnu::target_clones("avx2", "default")]] void multiplyPlanar(const DComplex* a, const DComplex* b, size_t n,
                                                              DComplex* product, double* scratch) {
  const PlanarRows planarB{scratch, planarRowStride(n)};
  loadRows(b, n, planarB);
  const size_t vectors = planarB.stride / kLanes;
  double* __restrict sumRe = scratch + planarDoubles(n);
  double* __restrict sumIm = sumRe + planarB.stride;
  for (size_t i = 0; i < n; ++i) {
    const DComplex* aRow = a + i * n;
    size_t v = 0;
    for (; v + kBlockVectors <= vectors; v += kBlockVectors) {
      multiplyRowBlock<kBlockVectors>(aRow, planarB, n, v * kLanes, sumRe, sumIm);
    }
    if (vectors - v >= 2) {
      multiplyRowBlock<2>(aRow, planarB, n, v * kLanes, sumRe, sumIm);
      v += 2;
    }
    if (v < vectors) multiplyRowBlock<1>(aRow, planarB, n, v * kLanes, sumRe, sumIm);
    for (size_t j = 0; j < n; ++j) product[i * n + j] = DComplex(sumRe[j], sumIm[j]);
  }
}

// The inversion with the row stride `stride`: a compile-time constant for
// the sizes whose rows fit in registers, so that every loop over a row runs
// a known number of times, unrolled, its values held in registers.
template <typename Stride>
[[gnu::always_inline]] inline int invertRows(DComplex* m, size_t n, PivotRecord& record, Stride stride) {
  const PlanarRows w{record.planar.data(), static_cast<size_t>(stride)};
  int* const slot = record.rowSlots.data();  // logical row i is row slot[i] of w
  int* const pivotCount = record.pivotCount.data();
  int* const unused = record.unusedIndices.data();
  std::int64_t* const candidateColumns = record.candidateColumns.data();
  double* const rowLargest = record.rowLargest.data();
  for (size_t i = 0; i < n; ++i) {
    pivotCount[i] = 0;
    unused[i] = slot[i] = static_cast<int>(i);
  }
  for (size_t l = 0; l < w.stride; ++l) candidateColumns[l] = l < n ? -1 : 0;
  loadRows(m, n, w);
  CandidateSummary summary = summariseRows(w, n, candidateColumns, rowLargest);
  for (size_t step = 0; step < n; ++step) {
    size_t row = 0;
    size_t column = 0;
    if (summary.squareRoots && summary.largest > 0.0) {
      findFirstLargestRow(w, slot, unused, n - step, rowLargest, summary.largest, &row, &column);
    } else {
      const auto element = [w, slot](size_t j, size_t k) {
        const size_t p = static_cast<size_t>(slot[j]);
        return DComplex(w.re(p)[k], w.im(p)[k]);
      };
      if (!findPivotOf(static_cast<int>(n), pivotCount, element, &row, &column)) {
        // The state reached: the rows exchanged so far, no column put back.
        for (size_t j = 0; j < n; ++j) record.columnOrder[j] = static_cast<int>(j);
        storeRows(w, n, slot, record.columnOrder.data(), m);
        return kSingular;
      }
    }
    ++pivotCount[column];
    removeIndex(unused, n - step, column);
    candidateColumns[column] = 0;
    std::swap(slot[row], slot[column]);
    record.pivotRows[step] = static_cast<int>(row);
    record.pivotColumns[step] = static_cast<int>(column);
    const size_t pivot = static_cast<size_t>(slot[column]);
    normaliseRow(w, pivot, column);
    summary = CandidateSummary{};
    const bool lastStep = step + 1 == n;
    for (size_t r = 0; r < n; ++r) {
      if (r == column) continue;
      const size_t target = static_cast<size_t>(slot[r]);
      if (!lastStep && pivotCount[r] == 0) {
        rowLargest[r] = eliminateRow<true>(w, target, pivot, column, candidateColumns, &summary);
      } else {
        eliminateRow<false>(w, target, pivot, column, candidateColumns, &summary);
      }
    }
  }
  orderColumns(record, n, record.columnOrder.data());
  storeRows(w, n, slot, record.columnOrder.data(), m);
  return kInverted;
}

[[gnu::target_clones("avx2", "default")]] int invertPlanar(DComplex* m, size_t n, PivotRecord& record) {
  switch (planarRowStride(n) / kLanes) {
    case 2:
      return invertRows(m, n, record, FixedSize<2 * kLanes>{});
    case 3:
      return invertRows(m, n, record, FixedSize<3 * kLanes>{});
    case 4:
      return invertRows(m, n, record, FixedSize<4 * kLanes>{});
    default:
      return invertRows(m, n, record, planarRowStride(n));
  }
}

}  // namespace korvel::kernels
