// Conversion of Z-, Y-, H- and G-parameters into S-parameters, and the
// de-normalisation of values written relative to one reference: a known
// two-port given every way, round trips through the calculation's own Z and
// Y, singular points, and the checks of the arguments.
#include "rfcalc/scattering_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "network_fixture.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

using Complex = std::complex<double>;

// A two-port matrix in the textbook's terms, kept apart from the code
// under test: [[a, b], [c, d]].
struct Matrix2 {
  Complex a, b, c, d;
};

Matrix2 operator*(const Matrix2& x, const Matrix2& y) {
  return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
}
Matrix2 operator+(const Matrix2& x, const Matrix2& y) { return {x.a + y.a, x.b + y.b, x.c + y.c, x.d + y.d}; }
Matrix2 operator-(const Matrix2& x, const Matrix2& y) { return {x.a - y.a, x.b - y.b, x.c - y.c, x.d - y.d}; }
Complex determinant(const Matrix2& x) { return x.a * x.d - x.b * x.c; }
Matrix2 inverse(const Matrix2& x) {
  const Complex det = determinant(x);
  return {x.d / det, -x.b / det, -x.c / det, x.a / det};
}
Matrix2 diagonal2(double first, double second) { return {first, 0.0, 0.0, second}; }
const Matrix2 kIdentity = diagonal2(1, 1);

Matrix2 polar(double magnitude11, double angle11, double magnitude12, double angle12, double magnitude21,
              double angle21, double magnitude22, double angle22) {
  const double degree = std::acos(-1.0) / 180;
  return {std::polar(magnitude11, angle11 * degree), std::polar(magnitude12, angle12 * degree),
          std::polar(magnitude21, angle21 * degree), std::polar(magnitude22, angle22 * degree)};
}

// The textbook conversions of a two-port's S at references r1, r2.
Matrix2 impedanceOf(const Matrix2& s, double r1, double r2) {
  const Matrix2 root = diagonal2(std::sqrt(r1), std::sqrt(r2));
  return root * inverse(kIdentity - s) * (kIdentity + s) * root;
}
Matrix2 hybridOf(const Matrix2& z) { return {determinant(z) / z.d, z.b / z.d, -z.c / z.d, 1.0 / z.d}; }
// Y from H where Z may not exist: Y11 = 1/h11, Y12 = -h12/h11,
// Y21 = h21/h11, Y22 = det H / h11.
Matrix2 admittanceOfHybrid(const Matrix2& h) {
  return {1.0 / h.a, -h.b / h.a, h.c / h.a, determinant(h) / h.a};
}
// S = R^-1/2 (I - R Y)(I + R Y)^-1 R^1/2.
Matrix2 scatteringOfAdmittance(const Matrix2& y, double r1, double r2) {
  const Matrix2 r = diagonal2(r1, r2);
  return diagonal2(1 / std::sqrt(r1), 1 / std::sqrt(r2)) * (kIdentity - r * y) * inverse(kIdentity + r * y) *
         diagonal2(std::sqrt(r1), std::sqrt(r2));
}

// S = R^-1/2 (Z - R)(Z + R)^-1 R^1/2.
Matrix2 scatteringOfImpedance(const Matrix2& z, double r1, double r2) {
  const Matrix2 r = diagonal2(r1, r2);
  return diagonal2(1 / std::sqrt(r1), 1 / std::sqrt(r2)) * (z - r) * inverse(z + r) *
         diagonal2(std::sqrt(r1), std::sqrt(r2));
}

// Entry arrays as a reader keeps them: one per matrix entry, row-major.
class Entries {
 public:
  Entries(int ports, size_t points)
      : arrays_(static_cast<size_t>(ports * ports), std::vector<double>(2 * points, 0.0)) {
    for (auto& array : arrays_) pointers_.push_back(array.data());
  }
  double* const* data() { return pointers_.data(); }
  std::vector<double*>& pointers() { return pointers_; }
  void set(size_t entry, size_t point, Complex value) {
    arrays_[entry][2 * point] = value.real();
    arrays_[entry][2 * point + 1] = value.imag();
  }
  Complex at(size_t entry, size_t point) const {
    return {arrays_[entry][2 * point], arrays_[entry][2 * point + 1]};
  }
  void set(size_t point, const Matrix2& m) {
    set(0, point, m.a);
    set(1, point, m.b);
    set(2, point, m.c);
    set(3, point, m.d);
  }
  Matrix2 matrix(size_t point) const { return {at(0, point), at(1, point), at(2, point), at(3, point)}; }
  const std::vector<std::vector<double>>& arrays() const { return arrays_; }

 private:
  std::vector<std::vector<double>> arrays_;
  std::vector<double*> pointers_;
};

::testing::AssertionResult matricesClose(const Matrix2& actual, const Matrix2& expected) {
  const Complex a[] = {actual.a, actual.b, actual.c, actual.d};
  const Complex e[] = {expected.a, expected.b, expected.c, expected.d};
  for (size_t k = 0; k < 4; ++k) {
    auto close = isClose(a[k], e[k], 1e-12);
    if (!close) return close << " at entry " << k;
  }
  return ::testing::AssertionSuccess();
}

// A non-reciprocal two-port: an amplifier.
const Matrix2 kAmplifier = polar(0.61, -152, 0.045, 48, 3.9, 87, 0.42, -38);

struct GivenAs {
  const char* name;
  ParameterKind kind;
};

struct References {
  const char* name;
  double r1;
  double r2;
};

const GivenAs kEveryKind[] = {{"S", ParameterKind::kScattering},
                              {"Z", ParameterKind::kImpedance},
                              {"Y", ParameterKind::kAdmittance},
                              {"H", ParameterKind::kHybrid},
                              {"G", ParameterKind::kInverseHybrid}};

// The amplifier's matrix of `kind` at references r1, r2, by the textbook.
Matrix2 amplifierAs(ParameterKind kind, double r1, double r2) {
  const Matrix2 z = impedanceOf(kAmplifier, r1, r2);
  switch (kind) {
    case ParameterKind::kImpedance:
      return z;
    case ParameterKind::kAdmittance:
      return inverse(z);
    case ParameterKind::kHybrid:
      return hybridOf(z);
    case ParameterKind::kInverseHybrid:
      return inverse(hybridOf(z));
    case ParameterKind::kScattering:
      break;
  }
  return kAmplifier;
}

class KnownTwoPortTest : public ::testing::TestWithParam<std::tuple<GivenAs, References>> {};

TEST_P(KnownTwoPortTest, GivesItsScattering) {
  const auto& [given, references] = GetParam();
  Entries entries(2, 2);
  const Matrix2 values = amplifierAs(given.kind, references.r1, references.r2);
  entries.set(0, values);
  entries.set(1, values);
  const double ohms[] = {references.r1, references.r2};
  size_t singular = 99;
  ASSERT_EQ(convertToScattering(given.kind, 2, ohms, entries.data(), 2, &singular),
            ScatteringConversion::kConverted);
  EXPECT_EQ(singular, 0u);
  EXPECT_TRUE(matricesClose(entries.matrix(0), kAmplifier));
  EXPECT_TRUE(matricesClose(entries.matrix(1), kAmplifier));
}

// Written normalised to one reference, as older files write them: every
// entry of the matrix divided by the reference to the power of its unit
// (ohms 1, siemens -1, a ratio 0).
TEST_P(KnownTwoPortTest, GivesItsScatteringFromNormalisedValues) {
  const auto& [given, references] = GetParam();
  const double r = references.r1;
  const Matrix2 values = amplifierAs(given.kind, r, r);
  Matrix2 normalised = values;
  switch (given.kind) {
    case ParameterKind::kImpedance:
      normalised = {values.a / r, values.b / r, values.c / r, values.d / r};
      break;
    case ParameterKind::kAdmittance:
      normalised = {values.a * r, values.b * r, values.c * r, values.d * r};
      break;
    case ParameterKind::kHybrid:
      normalised = {values.a / r, values.b, values.c, values.d * r};
      break;
    case ParameterKind::kInverseHybrid:
      normalised = {values.a * r, values.b, values.c, values.d / r};
      break;
    case ParameterKind::kScattering:
      break;
  }
  Entries entries(2, 1);
  entries.set(0, normalised);
  ASSERT_EQ(denormaliseParameters(given.kind, 2, r, entries.data(), 1), ScatteringConversion::kConverted);
  EXPECT_TRUE(matricesClose(entries.matrix(0), values));
  const double ohms[] = {r, r};
  ASSERT_EQ(convertToScattering(given.kind, 2, ohms, entries.data(), 1), ScatteringConversion::kConverted);
  EXPECT_TRUE(matricesClose(entries.matrix(0), kAmplifier));
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, KnownTwoPortTest,
    ::testing::Combine(::testing::ValuesIn(kEveryKind),
                       ::testing::Values(References{"Fifty", 50, 50}, References{"PerPort", 50, 75},
                                         References{"Differential", 100, 100},
                                         References{"MixedMode", 100, 25}, References{"Small", 0.5, 3})),
    [](const ::testing::TestParamInfo<std::tuple<GivenAs, References>>& tested) {
      return std::string(std::get<0>(tested.param).name) + std::get<1>(tested.param).name;
    });

// A two-port with h22 = 0 (no output conductance) has no Z, but an S: the
// one of its Y.
TEST(ScatteringConversion, HybridWithoutImpedanceStillConverts) {
  const Matrix2 h = {Complex(120, 15), Complex(0.02, -0.01), Complex(-45, 3), 0.0};
  Entries entries(2, 1);
  entries.set(0, h);
  const double ohms[] = {50, 75};
  ASSERT_EQ(convertToScattering(ParameterKind::kHybrid, 2, ohms, entries.data(), 1),
            ScatteringConversion::kConverted);
  EXPECT_TRUE(matricesClose(entries.matrix(0), scatteringOfAdmittance(admittanceOfHybrid(h), 50, 75)));
}

// G with g22 = 0 has no Y, but an S: the one of the Z formed from its
// inverse H.
TEST(ScatteringConversion, InverseHybridWithoutAdmittanceStillConverts) {
  const Matrix2 g = {Complex(0.004, 0.001), Complex(-0.3, 0.05), Complex(8, -2), 0.0};
  Entries entries(2, 1);
  entries.set(0, g);
  const double ohms[] = {50, 75};
  ASSERT_EQ(convertToScattering(ParameterKind::kInverseHybrid, 2, ohms, entries.data(), 1),
            ScatteringConversion::kConverted);
  const Matrix2 h = inverse(g);
  const Matrix2 z = {determinant(h) / h.d, h.b / h.d, -h.c / h.d, 1.0 / h.d};
  EXPECT_TRUE(matricesClose(entries.matrix(0), scatteringOfImpedance(z, 50, 75)));
}

// Round trips: a network given as Z (or Y), converted to S here, gives its
// own values back from the calculation's Z and Y.
struct RoundTrip {
  const char* name;
  ParameterKind kind;
  std::vector<double> ohms;  // the first `ports` are used
};

class RoundTripTest : public ::testing::TestWithParam<std::tuple<int, RoundTrip>> {};

// A random matrix of ohms (or siemens) with a strong diagonal, so that
// neither it nor I + x is close to singular.
DComplexGenMat randomParameters(int n, ParameterKind kind, std::mt19937_64& random) {
  const double unit = kind == ParameterKind::kImpedance ? 40.0 : 1.0 / 40;
  DComplexGenMat m = randomMatrix(n, random, unit);
  for (int p = 0; p < n; ++p) m(p, p) += DComplex(3 * unit, unit);
  return m;
}

TEST_P(RoundTripTest, CalculationGivesTheValuesBack) {
  const int n = std::get<0>(GetParam());
  const RoundTrip& trip = std::get<1>(GetParam());
  const std::vector<double> ohms(trip.ohms.begin(), trip.ohms.begin() + n);
  const int points = 8;
  std::mt19937_64 random(static_cast<unsigned>(n) * 7 + 1);
  TestNetwork network(n, n, points);
  std::vector<DComplexGenMat> given;
  for (size_t i = 0; i < points; ++i) {
    given.push_back(randomParameters(n, trip.kind, random));
    network.setScattering(i, std::vector<DComplex>(given.back().data(), given.back().data() + n * n));
  }
  // The S entries come first among the network's entries, row-major.
  ASSERT_EQ(convertToScattering(trip.kind, n, ohms.data(), network.network().waveformData, points),
            ScatteringConversion::kConverted);
  network.setReferenceImpedances(ohms);
  CapturedStream output(stdout);
  calculateNetworkParameters(network.network());
  EXPECT_EQ(output.finish(), "");
  for (size_t i = 0; i < points; ++i) {
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        const DComplex back =
            trip.kind == ParameterKind::kImpedance ? network.z(r, c, i) : network.y(r, c, i);
        const DComplex expected = given[i](r, c);
        EXPECT_LE(std::abs(back - expected), 1e-12 * std::abs(expected))
            << trip.name << " point " << i << " (" << r << ", " << c << ")";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    ImpedanceAndAdmittance, RoundTripTest,
    ::testing::Combine(
        ::testing::Values(1, 2, 3, 4, 6),
        ::testing::Values(RoundTrip{"ZEqual", ParameterKind::kImpedance, {50, 50, 50, 50, 50, 50}},
                          RoundTrip{"ZPerPort", ParameterKind::kImpedance, {50, 75, 100, 25, 10, 300}},
                          RoundTrip{"ZMixedMode", ParameterKind::kImpedance, {100, 100, 25, 25, 50, 50}},
                          RoundTrip{"YEqual", ParameterKind::kAdmittance, {75, 75, 75, 75, 75, 75}},
                          RoundTrip{"YPerPort", ParameterKind::kAdmittance, {50, 75, 100, 25, 10, 300}},
                          RoundTrip{"YMixedMode", ParameterKind::kAdmittance, {100, 100, 25, 25, 50, 50}})),
    [](const ::testing::TestParamInfo<std::tuple<int, RoundTrip>>& tested) {
      return std::string(std::get<1>(tested.param).name) + std::to_string(std::get<0>(tested.param));
    });

// Matrices for which I + x has no inverse, at references 64 and 16 ohms
// whose square roots and reciprocals are exact, so that the matrix is
// singular in floating point too: Z = -R, Y = -R^-1, h = -I and g = -I
// normalised, and a Z whose Z + R is singular but not diagonal. Their point
// has no value; the points around it are converted as usual.
struct SingularCase {
  const char* name;
  ParameterKind kind;
  Matrix2 values;
};

class SingularTest : public ::testing::TestWithParam<SingularCase> {};

TEST_P(SingularTest, PointWithoutInverseHasNoValue) {
  const SingularCase& param = GetParam();
  Entries entries(2, 3);
  entries.set(0, amplifierAs(param.kind, 64, 16));
  entries.set(1, param.values);
  entries.set(2, amplifierAs(param.kind, 64, 16));
  const double ohms[] = {64, 16};
  size_t singular = 0;
  ASSERT_EQ(convertToScattering(param.kind, 2, ohms, entries.data(), 3, &singular),
            ScatteringConversion::kConverted);
  EXPECT_EQ(singular, 1u);
  for (size_t k = 0; k < 4; ++k) EXPECT_TRUE(isNoValue(entries.at(k, 1))) << k;
  EXPECT_TRUE(matricesClose(entries.matrix(0), kAmplifier));
  EXPECT_TRUE(matricesClose(entries.matrix(2), kAmplifier));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SingularTest,
    ::testing::Values(SingularCase{"Z", ParameterKind::kImpedance, diagonal2(-64, -16)},
                      SingularCase{"ZCoupled", ParameterKind::kImpedance, {-54.0, 20.0, 5.0, -6.0}},
                      SingularCase{"Y", ParameterKind::kAdmittance, diagonal2(-1.0 / 64, -1.0 / 16)},
                      SingularCase{"H", ParameterKind::kHybrid, diagonal2(-64, -1.0 / 16)},
                      SingularCase{"G", ParameterKind::kInverseHybrid, diagonal2(-1.0 / 64, -16)}),
    [](const ::testing::TestParamInfo<SingularCase>& tested) { return std::string(tested.param.name); });

// Arguments the conversion refuses, leaving every value as it was.
struct RefusalCase {
  const char* name;
  ParameterKind kind;
  int ports;
  std::vector<double> ohms;
  ScatteringConversion result;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, LeavesValuesAlone) {
  const RefusalCase& param = GetParam();
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> ohms = param.ohms;
  for (double& r : ohms) r = r == -1 ? kNaN : r == -2 ? kInf : r;
  const int ports = param.ports > 0 ? param.ports : 1;
  Entries entries(ports, 2);
  for (size_t k = 0; k < static_cast<size_t>(ports * ports); ++k) entries.set(k, 1, Complex(3.0 + k, -1));
  const std::vector<std::vector<double>> before = entries.arrays();
  size_t singular = 99;
  EXPECT_EQ(convertToScattering(param.kind, param.ports, ohms.data(), entries.data(), 2, &singular),
            param.result);
  EXPECT_EQ(entries.arrays(), before);
  if (param.result != ScatteringConversion::kReferenceNotPositive) {
    EXPECT_EQ(denormaliseParameters(param.kind, param.ports, 50, entries.data(), 2), param.result);
    EXPECT_EQ(entries.arrays(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{
            "NoPort", ParameterKind::kImpedance, 0, {50}, ScatteringConversion::kPortCountUnsupported},
        RefusalCase{"NegativePorts",
                    ParameterKind::kAdmittance,
                    -2,
                    {50},
                    ScatteringConversion::kPortCountUnsupported},
        RefusalCase{
            "HybridOnePort", ParameterKind::kHybrid, 1, {50}, ScatteringConversion::kPortCountUnsupported},
        RefusalCase{"InverseHybridThreePorts",
                    ParameterKind::kInverseHybrid,
                    3,
                    {50, 50, 50},
                    ScatteringConversion::kPortCountUnsupported},
        RefusalCase{"ZeroReference",
                    ParameterKind::kImpedance,
                    2,
                    {50, 0},
                    ScatteringConversion::kReferenceNotPositive},
        RefusalCase{"NegativeReference",
                    ParameterKind::kAdmittance,
                    2,
                    {-50, 50},
                    ScatteringConversion::kReferenceNotPositive},
        RefusalCase{"ReferenceNotANumber",
                    ParameterKind::kHybrid,
                    2,
                    {50, -1},
                    ScatteringConversion::kReferenceNotPositive},
        RefusalCase{"InfiniteReference",
                    ParameterKind::kInverseHybrid,
                    2,
                    {-2, 50},
                    ScatteringConversion::kReferenceNotPositive},
        // S is left as it is and needs no reference at all.
        RefusalCase{"ScatteringAnyReference",
                    ParameterKind::kScattering,
                    2,
                    {0, -50},
                    ScatteringConversion::kConverted}),
    [](const ::testing::TestParamInfo<RefusalCase>& tested) { return std::string(tested.param.name); });

TEST(ScatteringConversion, MissingArraysAreRefused) {
  Entries entries(2, 1);
  const double ohms[] = {50, 50};
  EXPECT_EQ(convertToScattering(ParameterKind::kImpedance, 2, ohms, nullptr, 1),
            ScatteringConversion::kArrayMissing);
  EXPECT_EQ(convertToScattering(ParameterKind::kImpedance, 2, nullptr, entries.data(), 1),
            ScatteringConversion::kArrayMissing);
  EXPECT_EQ(denormaliseParameters(ParameterKind::kImpedance, 2, 50, nullptr, 1),
            ScatteringConversion::kArrayMissing);
  entries.pointers()[3] = nullptr;
  EXPECT_EQ(convertToScattering(ParameterKind::kAdmittance, 2, ohms, entries.data(), 1),
            ScatteringConversion::kArrayMissing);
  EXPECT_EQ(denormaliseParameters(ParameterKind::kAdmittance, 2, 50, entries.data(), 1),
            ScatteringConversion::kArrayMissing);
}

// Which entries de-normalisation multiplies by the reference (ohms), divides
// by it (siemens) or leaves alone (ratios), for every kind and port count.
struct UnitCase {
  const char* name;
  ParameterKind kind;
  int ports;
  std::vector<int> powers;  // row-major: 1 times R, -1 divided by R, 0 unchanged
};

class DenormaliseTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(DenormaliseTest, ScalesEachEntryByItsUnit) {
  const UnitCase& param = GetParam();
  const double r = 37.5;
  const size_t entryCount = static_cast<size_t>(param.ports * param.ports);
  Entries entries(param.ports, 2);
  for (size_t k = 0; k < entryCount; ++k) {
    entries.set(k, 0, Complex(0.3 + k, -0.7));
    entries.set(k, 1, Complex(-1.1, 2.0 * k));
  }
  const Entries before = entries;
  ASSERT_EQ(denormaliseParameters(param.kind, param.ports, r, entries.data(), 2),
            ScatteringConversion::kConverted);
  for (size_t k = 0; k < entryCount; ++k) {
    for (size_t i = 0; i < 2; ++i) {
      const Complex v = before.at(k, i);
      const Complex expected = param.powers[k] > 0   ? Complex(v.real() * r, v.imag() * r)
                               : param.powers[k] < 0 ? Complex(v.real() / r, v.imag() / r)
                                                     : v;
      EXPECT_EQ(entries.at(k, i), expected) << param.name << " entry " << k << " point " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DenormaliseTest,
    ::testing::Values(UnitCase{"S", ParameterKind::kScattering, 2, {0, 0, 0, 0}},
                      UnitCase{"Z1", ParameterKind::kImpedance, 1, {1}},
                      UnitCase{"Z3", ParameterKind::kImpedance, 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
                      UnitCase{"Y2", ParameterKind::kAdmittance, 2, {-1, -1, -1, -1}},
                      UnitCase{"H", ParameterKind::kHybrid, 2, {1, 0, 0, -1}},
                      UnitCase{"G", ParameterKind::kInverseHybrid, 2, {-1, 0, 0, 1}}),
    [](const ::testing::TestParamInfo<UnitCase>& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace korvel::testing
