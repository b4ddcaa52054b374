// Helpers of the network-calculation tests: a network's sample arrays held
// in vectors, closeness checks for complex values, and seeded random
// matrices.
#ifndef KORVEL_TESTS_RFCALC_NETWORK_FIXTURE_H
#define KORVEL_TESTS_RFCALC_NETWORK_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_layout.h"
#include "rfcalc/network_parameters.h"
#include "rfcalc/singular_matrix_report.h"

namespace korvel::testing {

// Every entry up to and including the available gain, each with
// pointCount x blockCount zeroed samples.
class TestNetwork {
 public:
  TestNetwork(int terminals, int portCount, int pointCount, int blockCount = 1, int hasNoise = 0) {
    network_.terminalCount = terminals;
    network_.portCount = portCount;
    network_.pointCount = pointCount;
    network_.blockCount = blockCount;
    network_.hasNoise = hasNoise;
    network_.isScFormat = 1;
    network_.referenceImpedance = 50.0;
    NetworkLayout layout(network_);
    const size_t entries = layout.availableGain() + 1;
    const size_t samples = static_cast<size_t>(pointCount) * static_cast<size_t>(blockCount);
    arrays_.assign(entries, std::vector<double>(2 * samples, 0.0));
    for (auto& array : arrays_) pointers_.push_back(array.data());
    network_.waveformData = pointers_.data();
    network_.waveformSlots = static_cast<int>(entries);
  }

  NetworkSamples& network() { return network_; }
  NetworkLayout layout() const { return NetworkLayout(network_); }

  void set(size_t entry, size_t sample, DComplex value) {
    arrays_[entry][2 * sample] = value.real();
    arrays_[entry][2 * sample + 1] = value.imag();
  }
  DComplex at(size_t entry, size_t sample) const {
    return {arrays_[entry][2 * sample], arrays_[entry][2 * sample + 1]};
  }

  // S of one sample, given row-major.
  void setScattering(size_t sample, const std::vector<DComplex>& s) {
    for (size_t e = 0; e < s.size(); ++e) set(e, sample, s[e]);
  }
  // The same references at every sample, as the readers write them.
  void setReferenceImpedances(const std::vector<double>& zo) {
    const NetworkLayout shape = layout();
    for (size_t i = 0; i < shape.sampleCount; ++i) setReferenceImpedancesAt(i, zo);
  }
  void setReferenceImpedancesAt(size_t sample, const std::vector<double>& zo) {
    for (size_t t = 0; t < zo.size(); ++t) set(layout().zoBase + t, sample, zo[t]);
  }
  DComplex z(size_t r, size_t c, size_t sample) const { return matrixEntry(layout().zBase, r, c, sample); }
  DComplex y(size_t r, size_t c, size_t sample) const { return matrixEntry(layout().yBase, r, c, sample); }

 private:
  DComplex matrixEntry(size_t base, size_t r, size_t c, size_t sample) const {
    return at(base + r * static_cast<size_t>(network_.terminalCount) + c, sample);
  }

  NetworkSamples network_;
  std::vector<std::vector<double>> arrays_;
  std::vector<double*> pointers_;
};

inline bool isNoValue(DComplex value) { return std::isnan(value.real()) && std::isnan(value.imag()); }

// |actual - expected| within `tolerance` times the larger of 1 and |expected|.
inline ::testing::AssertionResult isClose(DComplex actual, DComplex expected, double tolerance = 1e-12) {
  const double scale = std::max(1.0, std::abs(expected));
  if (std::abs(actual - expected) <= tolerance * scale) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.real() << ", " << actual.imag() << ") is not ("
                                       << expected.real() << ", " << expected.imag() << ")";
}

inline DComplexGenMat matrixOf(int n, const std::vector<DComplex>& rowMajor) {
  DComplexGenMat m(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  for (size_t e = 0; e < rowMajor.size(); ++e) m.data()[e] = rowMajor[e];
  return m;
}

// Elements with real and imaginary parts uniform in [-scale, scale].
inline DComplexGenMat randomMatrix(int n, std::mt19937_64& random, double scale = 1.0) {
  std::uniform_real_distribution<double> part(-scale, scale);
  DComplexGenMat m(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  for (size_t e = 0; e < static_cast<size_t>(n) * static_cast<size_t>(n); ++e) {
    const double re = part(random);
    m.data()[e] = DComplex(re, part(random));
  }
  return m;
}

// The textbook product, kept apart from the code under test.
inline DComplexGenMat naiveProduct(const DComplexGenMat& a, const DComplexGenMat& b) {
  const unsigned n = a.rows();
  DComplexGenMat c(n, n, DComplex());
  for (unsigned i = 0; i < n; ++i) {
    for (unsigned j = 0; j < n; ++j) {
      for (unsigned k = 0; k < n; ++k) c(i, j) += a(i, k) * b(k, j);
    }
  }
  return c;
}

inline ::testing::AssertionResult matricesClose(const DComplexGenMat& actual, const DComplexGenMat& expected,
                                                double tolerance) {
  for (unsigned r = 0; r < actual.rows(); ++r) {
    for (unsigned c = 0; c < actual.cols(); ++c) {
      auto close = isClose(actual(r, c), expected(r, c), tolerance);
      if (!close) return close << " at (" << r << ", " << c << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// The elements of a matrix, row after row, for a failure message.
inline std::string describeMatrix(const DComplexGenMat& a) {
  std::string text;
  for (size_t e = 0; e < static_cast<size_t>(a.rows()) * a.cols(); ++e) {
    text += "(" + std::to_string(a.data()[e].real()) + ", " + std::to_string(a.data()[e].imag()) + ") ";
  }
  return text;
}

// Complex values whose moduli tie with one another (5 = |3 + 4i| = |-4 + 3i|
// = |5i|), meet the edges of the modulus's and the reciprocal's fast ranges,
// or are not finite: the values that test every branch of the pivot search,
// the reciprocal and the elimination.
inline std::vector<DComplex> specialMatrixValues() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  return {{0.0, 0.0},      {-0.0, 0.0},     {0.0, -0.0},      {1.0, 0.0},      {-1.0, 0.0},
          {0.0, 1.0},      {3.0, 4.0},      {-4.0, 3.0},      {0.0, 5.0},      {5.0, 0.0},
          {4.9e-324, 0.0}, {0.0, -1e-310},  {1e-300, 1e-300}, {0x1p-500, 0.0}, {0x1p-501, 0x1p-501},
          {1e300, 0.0},    {1e200, -1e200}, {0x1p500, 1.0},   {0x1p501, 0.0},  {1.7e308, 1.7e308},
          {inf, 0.0},      {0.0, -inf},     {inf, nan},       {nan, 0.0},      {1.0, nan},
          {0.5, 0.5},      {0.5, -0.5},     {-0.5, 0.5},      {1e-9, 0.0},     {2.0, 0.0}};
}

// Same bits part by part, where two parts that are not numbers count as the
// same whatever their sign and payload: when two such values meet in one
// operation, which one comes out depends on how the compiler ordered the
// operands, in the full product as much as in any fast path.
inline bool sameBitsOrNotNumbers(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

inline ::testing::AssertionResult sameResults(const DComplexGenMat& actual, const DComplexGenMat& expected) {
  for (size_t e = 0; e < static_cast<size_t>(actual.rows()) * actual.cols(); ++e) {
    const DComplex x = actual.data()[e];
    const DComplex y = expected.data()[e];
    if (!sameBitsOrNotNumbers(x.real(), y.real()) || !sameBitsOrNotNumbers(x.imag(), y.imag())) {
      return ::testing::AssertionFailure() << "element " << e << ": (" << x.real() << ", " << x.imag()
                                           << ") is not (" << y.real() << ", " << y.imag() << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// An n x n matrix of parts in (-1, 1), each scaled by 2^-40 .. 2^40 when
// `wide`.
inline DComplexGenMat wideRandomMatrix(int n, bool wide, std::mt19937_64& random) {
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-40, 40);
  DComplexGenMat a(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  for (size_t e = 0; e < static_cast<size_t>(n) * static_cast<size_t>(n); ++e) {
    const double re = std::ldexp(mantissa(random), wide ? exponent(random) : 0);
    a.data()[e] = DComplex(re, std::ldexp(mantissa(random), wide ? exponent(random) : 0));
  }
  return a;
}

// An n x n matrix of parts in (-2, 2) but for `specials` elements drawn
// from `special`, all at random places.
inline DComplexGenMat specialValueMatrix(int n, int specials, const std::vector<DComplex>& special,
                                         std::mt19937_64& random) {
  std::uniform_real_distribution<double> part(-2.0, 2.0);
  std::uniform_int_distribution<size_t> pick(0, special.size() - 1);
  DComplexGenMat a(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  const size_t count = static_cast<size_t>(n) * static_cast<size_t>(n);
  for (size_t e = 0; e < count; ++e) {
    const double re = part(random);
    a.data()[e] = e < static_cast<size_t>(specials) ? special[pick(random)] : DComplex(re, part(random));
  }
  std::shuffle(a.data(), a.data() + count, random);
  return a;
}

// I + S or I - S of n terminals, each element formed as the driver forms it.
inline DComplexGenMat identityPlus(const DComplexGenMat& s, int n, bool plus) {
  DComplexGenMat m = s;
  for (unsigned r = 0; r < static_cast<unsigned>(n); ++r) {
    for (unsigned c = 0; c < static_cast<unsigned>(n); ++c) {
      const DComplex identity = r == c ? DComplex(1.0, 0.0) : DComplex(0.0, 0.0);
      m(r, c) = plus ? identity + s(r, c) : identity - s(r, c);
    }
  }
  return m;
}

// The n x n matrix of sample `sample` whose entries start at `base`.
inline DComplexGenMat loadMatrix(const TestNetwork& network, size_t base, int n, size_t sample) {
  DComplexGenMat m(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  for (size_t e = 0; e < static_cast<size_t>(n) * static_cast<size_t>(n); ++e)
    m.data()[e] = network.at(base + e, sample);
  return m;
}

// Z and Y of one n-terminal sample formed with the routines for any size,
// with the references' weights applied as the driver applies them, and
// the messages the driver prints for the sample.
struct AnySizeConversion {
  AnySizeConversion(const DComplexGenMat& s, int n, const std::vector<double>& zo)
      : z(s.rows(), s.cols(),
          DComplex(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN())),
        y(z) {
    bool equal = true;
    for (double r : zo) equal = equal && r == zo[0];
    DComplexGenMat z0(s.rows(), s.cols(), DComplex());
    for (size_t t = 0; t < zo.size(); ++t) z0(t, t) = DComplex(zo[t], 0.0);
    DComplexGenMat z0Inverse = z0;
    PivotRecord record(n);
    const bool z0Invertible = invertMatrixAnySize(z0Inverse, n, record) == kInverted;
    if (!z0Invertible) referenceMessage = std::string(kReferenceImpedanceSingular) + "\n";
    const DComplexGenMat plus = identityPlus(s, n, true);
    const DComplexGenMat minus = identityPlus(s, n, false);
    DComplexGenMat inverse = minus;
    DComplexGenMat product(s.rows(), s.cols(), DComplex());
    if (invertMatrixAnySize(inverse, n, record) == kInverted) {
      multiplyMatricesAnySize(plus, inverse, n, &product);
      weigh(product, n, zo, equal, z0, false, &z);
    } else {
      messages += std::string(kIdentityMinusScatteringSingular) + "\n";
    }
    inverse = plus;
    const bool plusInverted = invertMatrixAnySize(inverse, n, record) == kInverted;
    if (plusInverted && z0Invertible) {
      multiplyMatricesAnySize(minus, inverse, n, &product);
      weigh(product, n, zo, equal, z0Inverse, true, &y);
    }
    if (!plusInverted) messages += std::string(kIdentityPlusScatteringSingular) + "\n";
  }

  static void weigh(const DComplexGenMat& product, int n, const std::vector<double>& zo, bool equal,
                    const DComplexGenMat& z0Factor, bool reciprocal, DComplexGenMat* result) {
    if (equal) {
      multiplyMatricesAnySize(product, z0Factor, n, result);
      return;
    }
    for (size_t r = 0; r < static_cast<size_t>(n); ++r) {
      for (size_t c = 0; c < static_cast<size_t>(n); ++c) {
        const double weight = r == c ? zo[r] : std::sqrt(zo[r]) * std::sqrt(zo[c]);
        const double factor = reciprocal ? 1.0 / weight : weight;
        (*result)(r, c) = DComplex(product(r, c).real() * factor, product(r, c).imag() * factor);
      }
    }
  }

  DComplexGenMat z;
  DComplexGenMat y;
  // The message of a singular Z0, which a network prints once, at its
  // first sample with these references.
  std::string referenceMessage;
  // The messages of the sample's singular matrices.
  std::string messages;
};

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_RFCALC_NETWORK_FIXTURE_H
