// Conversion of network data given as Z-, Y-, H- or G-parameters into
// S-parameters, at real positive reference resistances, one per port; and
// the de-normalisation of values written relative to one reference
// resistance.
//
// Storage is the readers' own: one array per matrix entry, entries[k] for
// parameter (r + 1, c + 1) with k = r x portCount + c (row-major), each
// holding pointCount complex samples, two doubles each (real part, then
// imaginary part). Values are converted in place, so that a reader can
// read Z (say) into its S arrays and convert them there.
//
// Each kind relates, port by port, a row quantity to a column quantity:
// Z voltages to currents, Y currents to voltages, H (V1 = h11 I1 + h12 V2,
// I2 = h21 I1 + h22 V2) and G (its inverse) one of each. Normalised to the
// references, v = V / sqrt(r) and i = I sqrt(r), the matrix x becomes
// dimensionless (x = R^-1/2 Z R^-1/2 for Z, R^1/2 Y R^1/2 for Y), and with
// the power waves a = (v + i) / 2, b = (v - i) / 2 its defining equations
// give
//   S = D (I + x)^-1 (x - I),
// D the diagonal of +1 for a port whose row quantity is a voltage and -1
// for a current. So, with R = diag(r1 .. rN):
//   from Z:  S = (z + I)^-1 (z - I)  =  R^-1/2 (Z - R)(Z + R)^-1 R^1/2
//   from Y:  S = (I + y)^-1 (I - y)  =  R^-1/2 (I - R Y)(I + R Y)^-1 R^1/2
// and from H or G the S of the Z (or Y) that the textbook rules make of
// them wherever that exists, and an S also where it does not (h22 = 0 for
// H, g22 = 0 for G) as long as I + x has an inverse.
//
// This layer knows nothing of files: what a file writes and how it is
// normalised is the reader's to sort out before the call.
#ifndef KORVEL_RFCALC_SCATTERING_CONVERSION_H
#define KORVEL_RFCALC_SCATTERING_CONVERSION_H

#include <cstddef>

namespace korvel {

// What the values of a network's matrices are.
enum class ParameterKind {
  kScattering,     // S, dimensionless
  kImpedance,      // Z, ohms
  kAdmittance,     // Y, siemens
  kHybrid,         // H, two-port: h11 ohms, h22 siemens, h12 and h21 plain
  kInverseHybrid,  // G, two-port: g11 siemens, g22 ohms, g12 and g21 plain
};

// The outcome of a conversion. Any result but kConverted leaves every value
// as it was.
enum class ScatteringConversion {
  kConverted,             // every point converted (some possibly to NaN)
  kPortCountUnsupported,  // no port, or H or G for other than two ports
  kReferenceNotPositive,  // a reference not a finite number above zero
  kArrayMissing,          // entries, one of its arrays, or referenceOhms is null
  kOutOfMemory,           // the working matrices could not be made
};

// Converts the values of `kind` in the portCount x portCount `entries` into
// S-parameters, in place, at the references referenceOhms[0 .. portCount-1]
// (ohms). At a point where I + x (above) has no inverse (for Z: Z + R; for
// Y: I + R Y) every entry of that point becomes quiet NaN, and the
// conversion goes on; values that are not finite give what IEEE arithmetic
// makes of them. When `singularPoints` is not null it receives the number
// of points left without a value for want of an inverse. S data is left as
// it is and its references are not looked at. Allocates, once a call,
// only the working matrices of one point; floating-point exceptions are
// masked meanwhile, whatever the calling process enabled.
// REQUIRES: every entry array holds pointCount samples; referenceOhms holds
// portCount values (unless kind is kScattering).
ScatteringConversion convertToScattering(ParameterKind kind, int portCount, const double* referenceOhms,
                                         double* const* entries, size_t pointCount,
                                         size_t* singularPoints = nullptr);

// Turns values normalised to one reference resistance back into ohms and
// siemens, in place: Z entries times referenceOhms, Y entries divided by
// it; for H, h11 times and h22 divided by it; for G, g11 divided by and
// g22 times it; the ratios h12, h21, g12, g21 and S unchanged. Same
// storage, results and REQUIRES as convertToScattering; never allocates.
ScatteringConversion denormaliseParameters(ParameterKind kind, int portCount, double referenceOhms,
                                           double* const* entries, size_t pointCount);

}  // namespace korvel

#endif  // KORVEL_RFCALC_SCATTERING_CONVERSION_H
