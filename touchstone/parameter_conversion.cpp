// Y, Z, H and G data turned into S at open.
#include "touchstone/parameter_conversion.h"

#include <cmath>
#include <limits>

#include "rfcalc/complex_matrix.h"

namespace korvel {

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// The values of a 1.x file are normalised to the reference resistance:
// impedances divided by it, admittances multiplied by it, ratios plain.
void denormalise(DComplexGenMat* m, ParameterType type, double r) {
  unsigned n = m->rows();
  switch (type) {
    case ParameterType::kImpedance:
      for (unsigned i = 0; i < n * n; ++i) m->data()[i] *= r;
      break;
    case ParameterType::kAdmittance:
      for (unsigned i = 0; i < n * n; ++i) m->data()[i] /= r;
      break;
    case ParameterType::kHybrid:
      (*m)(0, 0) *= r;
      (*m)(1, 1) /= r;
      break;
    case ParameterType::kInverseHybrid:
      (*m)(0, 0) /= r;
      (*m)(1, 1) *= r;
      break;
    case ParameterType::kScattering:
      break;
  }
}

// The impedance matrix of a two-port given by its hybrid matrix; false
// when h22 is zero.
bool impedanceFromHybrid(DComplexGenMat* m) {
  DComplex h11 = (*m)(0, 0), h12 = (*m)(0, 1), h21 = (*m)(1, 0), h22 = (*m)(1, 1);
  if (h22 == DComplex(0.0, 0.0)) return false;
  (*m)(0, 0) = (h11 * h22 - h12 * h21) / h22;
  (*m)(0, 1) = h12 / h22;
  (*m)(1, 0) = -h21 / h22;
  (*m)(1, 1) = 1.0 / h22;
  return true;
}

// S = R^-1/2 (Z - R)(Z + R)^-1 R^1/2 for an impedance matrix `m`, or
// S = R^-1/2 (I - RY)(I + RY)^-1 R^1/2 for an admittance matrix, with
// R = diag(references). Both come to S = R^-1/2 A B^-1 R^1/2, where for Z
// A = Z - R, B = Z + R and for Y A = I - RY, B = I + RY.
bool scatteringFromImmittance(DComplexGenMat* m, bool admittance, const std::vector<double>& references) {
  int n = static_cast<int>(m->rows());
  DComplexGenMat a(n, n, 0.0);
  DComplexGenMat b(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      DComplex value = admittance ? references[i] * (*m)(i, j) : (*m)(i, j);
      double identity = i == j ? (admittance ? 1.0 : references[i]) : 0.0;
      a(i, j) = admittance ? identity - value : value - identity;
      b(i, j) = value + identity;
    }
  }
  if (invertMatrix(b, n) != kInverted) return false;
  multiplyMatrices(a, b, n, m);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) (*m)(i, j) *= std::sqrt(references[j] / references[i]);
  }
  return true;
}

// Turns `m`, a matrix of `type`, into S in place; false at a singular
// matrix.
bool scatteringFrom(DComplexGenMat* m, ParameterType type, const std::vector<double>& references) {
  int n = static_cast<int>(m->rows());
  switch (type) {
    case ParameterType::kInverseHybrid:
      if (invertMatrix(*m, n) != kInverted) return false;
      [[fallthrough]];
    case ParameterType::kHybrid:
      if (!impedanceFromHybrid(m)) return false;
      return scatteringFromImmittance(m, false, references);
    case ParameterType::kImpedance:
      return scatteringFromImmittance(m, false, references);
    case ParameterType::kAdmittance:
      return scatteringFromImmittance(m, true, references);
    case ParameterType::kScattering:
      return true;
  }
  return true;
}

}  // namespace

void convertToScattering(DataSet* data, ParameterType type, const std::vector<double>& references,
                         double normalisingResistance) {
  int n = data->terminalCount;
  DComplexGenMat m(n, n, 0.0);
  for (int k = 0; k < data->pointCount; ++k) {
    for (int e = 0; e < n * n; ++e) {
      const double* sample = data->waveformData[e] + 2 * k;
      m.data()[e] = DComplex(sample[0], sample[1]);
    }
    if (normalisingResistance > 0.0) denormalise(&m, type, normalisingResistance);
    bool converted = scatteringFrom(&m, type, references);
    for (int e = 0; e < n * n; ++e) {
      double* sample = data->waveformData[e] + 2 * k;
      sample[0] = converted ? m.data()[e].real() : kNotANumber;
      sample[1] = converted ? m.data()[e].imag() : kNotANumber;
    }
  }
}

}  // namespace korvel
