// The messages of the network calculation for a matrix with no inverse.
//
// They go to standard output, each followed by a line end and a flush, so
// that they interleave correctly with whatever else the host prints. They
// never stop the calculation.
#ifndef KORVEL_RFCALC_SINGULAR_MATRIX_REPORT_H
#define KORVEL_RFCALC_SINGULAR_MATRIX_REPORT_H

namespace korvel {

inline constexpr char kReferenceImpedanceSingular[] = "Matrix (Z_0) is singular.";
inline constexpr char kIdentityMinusScatteringSingular[] = "Matrix ([I] - S) is singular.";
inline constexpr char kIdentityPlusScatteringSingular[] = "Matrix ([I] + S) is singular.";

// Writes `message` and a line end to standard output and flushes it.
void reportSingularMatrix(const char* message);

}  // namespace korvel

#endif  // KORVEL_RFCALC_SINGULAR_MATRIX_REPORT_H
