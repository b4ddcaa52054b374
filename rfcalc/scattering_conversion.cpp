// Z-, Y-, H- and G-parameters to S-parameters, point by point, through the
// normalised matrix x: S = D (I + x)^-1 (x - I).
#include "rfcalc/scattering_conversion.h"

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "parallel/non_trapping_arithmetic.h"
#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_layout.h"

namespace korvel {
namespace {

const DComplex kNoValue(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());

// Whether the row quantity of `port` is a voltage (its column quantity is
// then a current), or a current (the column a voltage).
bool rowIsVoltage(ParameterKind kind, size_t port) {
  switch (kind) {
    case ParameterKind::kImpedance:
      return true;
    case ParameterKind::kHybrid:
      return port == 0;
    case ParameterKind::kInverseHybrid:
      return port == 1;
    case ParameterKind::kAdmittance:
    case ParameterKind::kScattering:
      break;
  }
  return false;
}

bool isTwoPortOnly(ParameterKind kind) {
  return kind == ParameterKind::kHybrid || kind == ParameterKind::kInverseHybrid;
}

bool isPositive(double ohms) { return std::isfinite(ohms) && ohms > 0.0; }

// The checks both conversions share: a port count the kind allows and an
// array behind every entry.
ScatteringConversion checkShape(ParameterKind kind, int portCount, double* const* entries) {
  if (portCount < 1 || (isTwoPortOnly(kind) && portCount != 2)) {
    return ScatteringConversion::kPortCountUnsupported;
  }
  if (entries == nullptr) return ScatteringConversion::kArrayMissing;
  const size_t n = static_cast<size_t>(portCount);
  for (size_t k = 0; k < n * n; ++k) {
    if (entries[k] == nullptr) return ScatteringConversion::kArrayMissing;
  }
  return ScatteringConversion::kConverted;
}

// The working matrices and normalisation of one conversion, made once and
// reused at every point.
class PointConversion {
 public:
  PointConversion(ParameterKind kind, int portCount, const double* referenceOhms)
      : n_(portCount),
        size_(static_cast<size_t>(portCount)),
        weights_(size_ * size_),
        voltageRows_(size_),
        identityPlusX_(size(), size(), DComplex()),
        xMinusIdentity_(size(), size(), DComplex()),
        scattering_(size(), size(), DComplex()),
        pivots_(portCount) {
    // Normalising a voltage divides by sqrt(r), a current multiplies by
    // it; entry (r, c) relates row quantity r to column quantity c, of the
    // other kind, so its factor is the product of one per port.
    std::vector<double> factors(size_);
    for (size_t p = 0; p < size_; ++p) {
      voltageRows_[p] = rowIsVoltage(kind, p);
      const double root = std::sqrt(referenceOhms[p]);
      factors[p] = voltageRows_[p] ? 1.0 / root : root;
    }
    for (size_t r = 0; r < size_; ++r) {
      for (size_t c = 0; c < size_; ++c) weights_[r * size_ + c] = factors[r] * factors[c];
    }
  }

  // Converts point `point` of the entries in place; false when I + x has no
  // inverse and the point was left without a value.
  bool convert(double* const* entries, size_t point);

 private:
  unsigned size() const { return static_cast<unsigned>(size_); }

  const int n_;
  const size_t size_;
  std::vector<double> weights_;    // row-major factors that normalise the entries
  std::vector<bool> voltageRows_;  // the sign of each row of S: + for a voltage
  DComplexGenMat identityPlusX_;   // I + x, then its inverse
  DComplexGenMat xMinusIdentity_;  // x - I
  DComplexGenMat scattering_;
  PivotRecord pivots_;
};

bool PointConversion::convert(double* const* entries, size_t point) {
  for (size_t r = 0; r < size_; ++r) {
    for (size_t c = 0; c < size_; ++c) {
      const size_t k = r * size_ + c;
      const DComplex value = readSample(entries[k], point);
      const DComplex x(value.real() * weights_[k], value.imag() * weights_[k]);
      const double identity = r == c ? 1.0 : 0.0;
      identityPlusX_(r, c) = x + identity;
      xMinusIdentity_(r, c) = x - identity;
    }
  }
  const bool invertible = invertMatrix(identityPlusX_, n_, pivots_) == kInverted;
  if (invertible) multiplyMatrices(identityPlusX_, xMinusIdentity_, n_, &scattering_);
  for (size_t r = 0; r < size_; ++r) {
    for (size_t c = 0; c < size_; ++c) {
      const DComplex s = voltageRows_[r] ? scattering_(r, c) : -scattering_(r, c);
      writeSample(entries[r * size_ + c], point, invertible ? s : kNoValue);
    }
  }
  return invertible;
}

}  // namespace

ScatteringConversion convertToScattering(ParameterKind kind, int portCount, const double* referenceOhms,
                                         double* const* entries, size_t pointCount, size_t* singularPoints) {
  if (singularPoints != nullptr) *singularPoints = 0;
  const ScatteringConversion shape = checkShape(kind, portCount, entries);
  if (shape != ScatteringConversion::kConverted || kind == ParameterKind::kScattering) return shape;
  if (referenceOhms == nullptr) return ScatteringConversion::kArrayMissing;
  for (int p = 0; p < portCount; ++p) {
    if (!isPositive(referenceOhms[p])) return ScatteringConversion::kReferenceNotPositive;
  }
  NonTrappingArithmetic arithmetic;
  try {
    PointConversion conversion(kind, portCount, referenceOhms);
    size_t singular = 0;
    for (size_t point = 0; point < pointCount; ++point) {
      if (!conversion.convert(entries, point)) ++singular;
    }
    if (singularPoints != nullptr) *singularPoints = singular;
  } catch (const std::bad_alloc&) {
    return ScatteringConversion::kOutOfMemory;
  } catch (const std::length_error&) {
    return ScatteringConversion::kOutOfMemory;
  }
  return ScatteringConversion::kConverted;
}

ScatteringConversion denormaliseParameters(ParameterKind kind, int portCount, double referenceOhms,
                                           double* const* entries, size_t pointCount) {
  const ScatteringConversion shape = checkShape(kind, portCount, entries);
  if (shape != ScatteringConversion::kConverted || kind == ParameterKind::kScattering) return shape;
  if (!isPositive(referenceOhms)) return ScatteringConversion::kReferenceNotPositive;
  NonTrappingArithmetic arithmetic;
  const size_t n = static_cast<size_t>(portCount);
  for (size_t r = 0; r < n; ++r) {
    for (size_t c = 0; c < n; ++c) {
      // Row r relates a quantity of port r to the other kind of quantity
      // of port c: voltage over current (ohms) when both ports' rows are
      // voltages, current over voltage (siemens) when both are currents,
      // else a ratio of like quantities, which has no unit.
      const bool voltageRow = rowIsVoltage(kind, r);
      if (voltageRow != rowIsVoltage(kind, c)) continue;
      double* samples = entries[r * n + c];
      for (size_t i = 0; i < 2 * pointCount; ++i) {
        samples[i] = voltageRow ? samples[i] * referenceOhms : samples[i] / referenceOhms;
      }
    }
  }
  return ScatteringConversion::kConverted;
}

}  // namespace korvel
