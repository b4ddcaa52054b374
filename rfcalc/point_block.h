// The inversion and product of the matrices of several points at once:
// a block of blockPoints(n) points of one network, each matrix element held
// as a run of the points' values, so that the arithmetic of the points
// runs side by side in the lanes of vector registers while each point's
// elimination goes its own way (its own pivots, found by its own search).
//
// Every point's matrix undergoes exactly the operations invertMatrix and
// multiplyMatrices apply to it, in the same order: the results are theirs
// bit for bit. Where that could not be guaranteed (a candidate for a pivot
// whose modulus is not the square root of its squared parts, or no pivot
// at all: a singular matrix) the point is left out of the block's result,
// for the caller to compute the usual way. Internal to rfcalc.
#ifndef KORVEL_RFCALC_POINT_BLOCK_H
#define KORVEL_RFCALC_POINT_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::kernels {

// The most points of a block, and the largest matrices blocks are made
// for: 32 terminals' blocks take 64 KiB each, so the working set of a
// conversion stays in the processor's second-level cache.
inline constexpr size_t kBlockMaxPoints = 8;
inline constexpr size_t kBlockMaxTerminals = 32;

// Points of a block of n x n matrices: eight up to 11 terminals, four
// beyond, so that an inversion's working copy and the inverse it writes
// stay in the processor's first-level cache together (every step of the
// elimination passes over the whole working copy). Fewer points are fewer
// independent operations per row; below 12 terminals eight fit and pay.
inline constexpr size_t blockPoints(size_t n) { return n <= 11 ? kBlockMaxPoints : kBlockMaxPoints / 2; }

// Doubles a block of n x n matrices takes. Element e (row-major) of point
// p has its real part at [e * 2 blockPoints(n) + p] and its imaginary part
// blockPoints(n) further on.
inline constexpr size_t blockDoubles(size_t n) { return n * n * 2 * blockPoints(n); }

// A bit per point of a block, bit p for point p.
using PointMask = unsigned;
inline constexpr PointMask everyPoint(size_t points) { return (1u << points) - 1; }

// The working copy and each point's bookkeeping of a block inversion,
// made once for n terminals and reused, so that an inversion allocates
// nothing. Throws std::length_error unless 1 <= n <= kBlockMaxTerminals,
// std::bad_alloc when memory runs out.
struct BlockInversion {
  explicit BlockInversion(size_t n);
  size_t n;
  size_t points;  // blockPoints(n)
  std::vector<double> working;
  // Per point p, entries [p * n, (p + 1) * n): the physical row of each
  // logical row and the logical row of each physical row, the same for
  // columns, each step's pivot row and column, and the rows and columns
  // no pivot has used yet, in ascending order.
  std::vector<int> rowSlot;
  std::vector<int> rowOwner;
  std::vector<int> columnSlot;
  std::vector<int> columnOwner;
  std::vector<int> pivotRows;
  std::vector<int> pivotColumns;
  std::vector<int> unused;
  // Per physical row, a lane per point: its candidates' largest squared
  // parts.
  std::vector<double> rowLargest;
};

// Inverts the n x n matrices of `block` into `inverse` (a block of the
// same size; `block` is left as it was), each inverse stored transposed,
// column after column, as multiplyBlock takes its right factor. Returns
// the points whose inverse was formed; the others' matrices in `inverse`
// mean nothing.
// REQUIRES: `work` was made for n, and the two blocks do not overlap.
PointMask invertBlock(const double* block, double* inverse, BlockInversion& work);

// `product` = a x b for each point, as multiplyMatrices forms it, with b
// given transposed (element (k, j) of b at place j * n + k).
// REQUIRES: n >= 1; `product` overlaps neither a nor b.
void multiplyBlock(const double* a, const double* b, size_t n, double* product);

// Each element (i, j) of the product block times the diagonal element
// d[j] of a diagonal matrix, in place, as multiplyByDiagonal forms it for
// a finite product and a finite diagonal.
void multiplyBlockByDiagonal(double* product, size_t n, const double* diagonalRe, const double* diagonalIm);

// Each element times its real weight (row-major, n x n), in place.
void scaleBlock(double* product, size_t n, const double* weights);

// I + S and I - S of a block of blockPoints(n) points, each point
// present: element e (row-major) of S for point p is the (real,
// imaginary) pair at entries[e][2 (first + p)]. The sums are loadPoints'
// in network_parameters.cpp, the same operations on the same values.
void loadIdentitySums(const double* const* entries, size_t n, size_t first, double* plus, double* minus);

// The product block turned into Z or Y for every point and written as
// (real, imaginary) pairs, element e (row-major) of point p at
// entries[e][2 (first + p)]: each element (i, j) times diagonalRe[j] +
// i diagonalIm[j] as multiplyBlockByDiagonal forms it, or, with weights,
// times its real weight as scaleBlock does.
void storeBlockResults(const double* product, size_t n, const double* diagonalRe, const double* diagonalIm,
                       const double* weights, double* const* entries, size_t first);

// The points whose n x n matrix in the block is finite throughout.
PointMask finitePoints(const double* block, size_t n);

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_POINT_BLOCK_H
