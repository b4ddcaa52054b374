// The matrix product and the Gauss-Jordan inversion for networks of three
// or more terminals, laid out for the processor: each row is held as its
// real parts followed by its imaginary parts, so that the arithmetic of
// neighbouring columns runs side by side in the lanes of vector registers.
//
// Every element still undergoes exactly the operations of the routines of
// matrix_kernels.h, in the same order; only independent elements are
// computed together, rows are renamed instead of moved when pivots exchange
// them, and the columns put back in place by a renaming too. The results
// are theirs bit for bit. Internal to rfcalc.
#ifndef KORVEL_RFCALC_PLANAR_MATRIX_H
#define KORVEL_RFCALC_PLANAR_MATRIX_H

#include <cstddef>

#include "rfcalc/complex_matrix.h"

namespace korvel::kernels {

// Doubles a planar copy of an n x n matrix takes: each row's parts padded
// to a multiple of four, a whole number of vector registers.
size_t planarRowStride(size_t n);
size_t planarDoubles(size_t n);

// `product` = a x b, as multiplyElements(a, b, n, product) computes it.
// `scratch` holds planarDoubles(n) + 2 * planarRowStride(n) doubles.
// REQUIRES: n >= 1; `product` is neither a nor b.
void multiplyPlanar(const DComplex* a, const DComplex* b, size_t n, DComplex* product, double* scratch);

// Inverts the n x n row-major `m` in place exactly as invertElements does
// for any size: the same pivots, recorded in `record` the same way, the
// same arithmetic, and on a singular matrix the same state left behind.
// Uses record's planar workspace; allocates nothing.
// REQUIRES: n >= 1 and `record` was made for n.
int invertPlanar(DComplex* m, size_t n, PivotRecord& record);

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_PLANAR_MATRIX_H
