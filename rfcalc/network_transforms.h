// Changes of the description of one network at one frequency: S at new
// real reference resistances, single-ended S to mixed-mode S and back, and
// the hybrid matrices of a two-port from its Z and Y.
//
// Matrices are n x n, row-major, complex. This layer knows nothing of
// files: the writer of Touchstone files and its tool call it point by
// point.
#ifndef KORVEL_RFCALC_NETWORK_TRANSFORMS_H
#define KORVEL_RFCALC_NETWORK_TRANSFORMS_H

#include <vector>

#include "rfcalc/complex_matrix.h"

namespace korvel {

// Scratch matrices for renormalising n x n networks, made once and used
// for every point.
class RenormalisationWork {
 public:
  explicit RenormalisationWork(int n);

  // S at references `to` (ohms, one per port) from `s` at references
  // `from`, every reference real and above zero:
  //   S' = K (S - P)(I - P S)^-1 K^-1,
  // P = diag((to_i - from_i) / (to_i + from_i)),
  // K = diag((from_i + to_i) / (2 sqrt(from_i to_i))).
  // It needs no inverse of I - S (or of I + S), so it stays finite where
  // the network has no Z or Y. Returns false, with every result quiet NaN,
  // when I - P S has no inverse.
  bool renormalise(const DComplex* s, const double* from, const double* to, DComplex* result);

 private:
  int n_;
  DComplexGenMat left_;
  DComplexGenMat right_;
  DComplexGenMat product_;
  PivotRecord record_;
};

// One row of the mixed-mode transformation: the mode it gives ('D'
// differential, 'C' common, 'S' single-ended) and the single-ended ports
// it takes (from 0; `second` unused for 'S'). The first port of a pair is
// the positive one: a_d = (a_i - a_j) / sqrt 2, a_c = (a_i + a_j) / sqrt 2.
struct ModeRow {
  char mode = 'S';
  int first = 0;
  int second = 0;
};

// Whether `rows` takes every one of `n` single-ended ports exactly once as
// a single port or once in a pair that has both its D and its C row, so
// that the transformation M is orthogonal. Returns an empty text when it
// does, else what is wrong.
std::string checkModeRows(const std::vector<ModeRow>& rows, int n);

// Mixed-mode S = M S M^T from single-ended `s` (n x n).
// REQUIRES: checkModeRows(rows, n) is empty.
void mixedModeScattering(const DComplex* s, const std::vector<ModeRow>& rows, DComplex* result);

// Single-ended S = M^T S M from mixed-mode `s`, whose row k is rows[k].
// REQUIRES: checkModeRows(rows, n) is empty.
void singleEndedScattering(const DComplex* s, const std::vector<ModeRow>& rows, DComplex* result);

// H (V1 = h11 I1 + h12 V2, I2 = h21 I1 + h22 V2) of a two-port from its Y:
// h11 = 1/y11, h12 = -y12/y11, h21 = y21/y11, h22 = det Y / y11.
void hybridFromAdmittance(const DComplex* y, DComplex* h);

// G (I1 = g11 V1 + g12 I2, V2 = g21 V1 + g22 I2) of a two-port from its Z:
// g11 = 1/z11, g12 = -z12/z11, g21 = z21/z11, g22 = det Z / z11.
void inverseHybridFromImpedance(const DComplex* z, DComplex* g);

}  // namespace korvel

#endif  // KORVEL_RFCALC_NETWORK_TRANSFORMS_H
