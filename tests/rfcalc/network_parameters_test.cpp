// The calculation driver: Z and Y at every sample, with equal and unequal
// references, the singular-matrix messages and the values given where an
// inverse does not exist, and the entries each step writes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "network_fixture.h"
#include "support/test_support.h"

namespace korvel::testing {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const DComplex kNoValue(kNaN, kNaN);

// Runs the driver and returns what it printed on standard output.
std::string calculate(TestNetwork& network) {
  CapturedStream output(stdout);
  EXPECT_EQ(calculateNetworkParameters(network.network()), 0);
  return output.finish();
}

::testing::AssertionResult matches(DComplex actual, DComplex expected) {
  if (isNoValue(expected)) {
    if (isNoValue(actual)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.real() << ", " << actual.imag() << ") is a value";
  }
  return isClose(actual, expected);
}

struct OnePortCase {
  const char* name;
  DComplex s;
  double zo;
  DComplex z;
  DComplex y;
  const char* output;
};

class OnePortTest : public ::testing::TestWithParam<OnePortCase> {};

TEST_P(OnePortTest, ConvertsAndReports) {
  const OnePortCase& param = GetParam();
  TestNetwork network(1, 1, 1);
  network.setScattering(0, {param.s});
  network.setReferenceImpedances({param.zo});
  EXPECT_EQ(calculate(network), param.output);
  EXPECT_TRUE(matches(network.z(0, 0, 0), param.z)) << "Z";
  EXPECT_TRUE(matches(network.y(0, 0, 0), param.y)) << "Y";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OnePortTest,
    ::testing::Values(OnePortCase{"Matched", 0, 50, 50, 0.02, ""},
                      OnePortCase{"HalfReflection", 0.5, 50, 150, 1.0 / 150, ""},
                      OnePortCase{"Reactive", DComplex(0, 0.5), 50, DComplex(30, 40), DComplex(0.012, -0.016),
                                  ""},
                      OnePortCase{"Open", 1, 50, kNoValue, 0, "Matrix ([I] - S) is singular.\n"},
                      OnePortCase{"Short", -1, 50, 0, kNoValue, "Matrix ([I] + S) is singular.\n"},
                      OnePortCase{"ZeroReference", 0.5, 0, 0, kNoValue, "Matrix (Z_0) is singular.\n"},
                      OnePortCase{"NotANumber", kNaN, 50, kNoValue, kNoValue,
                                  "Matrix ([I] - S) is singular.\nMatrix ([I] + S) is singular.\n"},
                      OnePortCase{"Infinite", kInf, 50, kNoValue, kNoValue, ""}),
    [](const ::testing::TestParamInfo<OnePortCase>& tested) { return std::string(tested.param.name); });

TEST(NetworkParameters, SingularReferenceReportedOnceAndNoAdmittanceAnywhere) {
  TestNetwork network(1, 1, 3);
  for (size_t i = 0; i < 3; ++i) network.setScattering(i, {0.25 * static_cast<double>(i)});
  network.setReferenceImpedances({0});
  EXPECT_EQ(calculate(network), "Matrix (Z_0) is singular.\n");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(isNoValue(network.y(0, 0, i))) << i;
    EXPECT_EQ(network.z(0, 0, i), DComplex(0, 0)) << i;
  }
}

TEST(NetworkParameters, IdealThruHasNeitherImpedanceNorAdmittance) {
  TestNetwork network(2, 2, 1);
  network.setScattering(0, {0, 1, 1, 0});
  network.setReferenceImpedances({50, 50});
  EXPECT_EQ(calculate(network), "Matrix ([I] - S) is singular.\nMatrix ([I] + S) is singular.\n");
  for (size_t r = 0; r < 2; ++r) {
    for (size_t c = 0; c < 2; ++c) {
      EXPECT_TRUE(isNoValue(network.z(r, c, 0)));
      EXPECT_TRUE(isNoValue(network.y(r, c, 0)));
    }
  }
}

TEST(NetworkParameters, OneZeroReferenceLeavesNoAdmittanceButImpedance) {
  TestNetwork network(2, 2, 2);
  network.setScattering(0, {0.2, 0.1, 0.1, 0.3});
  network.setScattering(1, {0.1, 0, 0, 0.1});
  network.setReferenceImpedances({50, 0});
  EXPECT_EQ(calculate(network), "Matrix (Z_0) is singular.\n");
  for (size_t i = 0; i < 2; ++i) {
    for (size_t e = 0; e < 4; ++e) {
      EXPECT_TRUE(isNoValue(network.y(e / 2, e % 2, i)));
      EXPECT_TRUE(std::isfinite(network.z(e / 2, e % 2, i).real()));
    }
  }
  EXPECT_TRUE(isClose(network.z(0, 0, 1), 50 * 1.1 / 0.9));
  EXPECT_EQ(network.z(1, 1, 1), DComplex(0, 0));
}

// Z = R^1/2 (I + S)(I - S)^-1 R^1/2: with (I + S)(I - S)^-1 =
// [[17, 4], [4, 21]] / 11, the off-diagonal entries take sqrt(50 x 25), so
// a reciprocal network keeps a symmetric Z whatever its references.
TEST(NetworkParameters, UnequalReferencesScaleBySquareRoots) {
  TestNetwork network(2, 2, 1);
  network.setScattering(0, {0.2, 0.1, 0.1, 0.3});
  network.setReferenceImpedances({50, 25});
  EXPECT_EQ(calculate(network), "");
  EXPECT_TRUE(isClose(network.z(0, 0, 0), 850.0 / 11));
  EXPECT_TRUE(isClose(network.z(0, 1, 0), 100.0 * std::sqrt(2.0) / 11));
  EXPECT_TRUE(isClose(network.z(1, 0, 0), 100.0 * std::sqrt(2.0) / 11));
  EXPECT_TRUE(isClose(network.z(1, 1, 0), 525.0 / 11));
  // Y = R^-1/2 [[21, -4], [-4, 17]] / 31 R^-1/2, the inverse of Z.
  EXPECT_TRUE(isClose(network.y(0, 0, 0), 21.0 / 31 / 50));
  EXPECT_TRUE(isClose(network.y(0, 1, 0), -4.0 / 31 / std::sqrt(1250.0)));
  EXPECT_TRUE(isClose(network.y(1, 0, 0), -4.0 / 31 / std::sqrt(1250.0)));
  EXPECT_TRUE(isClose(network.y(1, 1, 0), 17.0 / 31 / 25));
}

// Each sample is converted at its own references; a singular Z0 is still
// reported once, however often it recurs.
TEST(NetworkParameters, ReferencesAreReadAtEverySample) {
  TestNetwork network(2, 2, 4);
  for (size_t i = 0; i < 4; ++i) network.setScattering(i, {0.2, 0.1, 0.1, 0.3});
  network.setReferenceImpedancesAt(0, {50, 50});
  network.setReferenceImpedancesAt(1, {50, 25});
  network.setReferenceImpedancesAt(2, {0, 25});
  network.setReferenceImpedancesAt(3, {0, 0});
  EXPECT_EQ(calculate(network), "Matrix (Z_0) is singular.\n");
  EXPECT_TRUE(isClose(network.z(0, 1, 0), 50.0 * 4 / 11));
  EXPECT_TRUE(isClose(network.z(0, 1, 1), 100.0 * std::sqrt(2.0) / 11));
  EXPECT_TRUE(isClose(network.z(1, 1, 1), 525.0 / 11));
  EXPECT_TRUE(isClose(network.z(1, 1, 2), 525.0 / 11));
  EXPECT_EQ(network.z(0, 1, 2), DComplex(0, 0));
  for (size_t i : {2, 3}) EXPECT_TRUE(isNoValue(network.y(0, 0, i))) << i;
  EXPECT_TRUE(isClose(network.y(1, 1, 1), 17.0 / 31 / 25));
}

// A negative reference has no square root: among unequal references the
// entries of Z and Y off the diagonal in its row and column have no value,
// the rest are as usual.
TEST(NetworkParameters, NegativeAmongUnequalReferencesLeavesItsCouplingsWithoutValue) {
  TestNetwork network(3, 3, 1);
  network.setScattering(0, {0.2, 0.1, 0, 0.1, 0.3, 0, 0, 0, 0.5});
  network.setReferenceImpedances({50, 25, -50});
  EXPECT_EQ(calculate(network), "");
  for (size_t k = 0; k < 2; ++k) {
    for (DComplex value : {network.z(k, 2, 0), network.z(2, k, 0), network.y(k, 2, 0), network.y(2, k, 0)}) {
      EXPECT_TRUE(isNoValue(value)) << k;
    }
  }
  EXPECT_TRUE(isClose(network.z(0, 1, 0), 100.0 * std::sqrt(2.0) / 11));
  EXPECT_TRUE(isClose(network.z(2, 2, 0), -150.0));
}

DComplexGenMat identityPlus(const DComplexGenMat& s, double sign) {
  DComplexGenMat m = s;
  for (unsigned r = 0; r < m.rows(); ++r) {
    for (unsigned c = 0; c < m.cols(); ++c) m(r, c) = (r == c ? 1.0 : 0.0) + sign * s(r, c);
  }
  return m;
}

DComplexGenMat diagonal(const std::vector<double>& values) {
  DComplexGenMat m(static_cast<unsigned>(values.size()), static_cast<unsigned>(values.size()), DComplex());
  for (size_t t = 0; t < values.size(); ++t) m(t, t) = values[t];
  return m;
}

DComplexGenMat diagonalPower(const std::vector<double>& values, double power) {
  std::vector<double> powers;
  for (double value : values) powers.push_back(std::pow(value, power));
  return diagonal(powers);
}

// Reference sets: equal, per port, and mixed-mode-like (two differential
// terminals at twice and two common-mode ones at half the single-ended 50).
struct ReferenceSet {
  const char* name;
  std::vector<double> ohms;
};

class MultiTerminalTest : public ::testing::TestWithParam<std::tuple<int, ReferenceSet>> {};

// Checked without any inversion: with R^a the diagonal of the references
// to the power a, Z solves (I - S) R^-1/2 Z = (I + S) R^1/2, Y solves
// (I + S) R^1/2 Y R^1/2 = I - S, and Z Y = I.
TEST_P(MultiTerminalTest, SatisfiesDefiningEquations) {
  const int n = std::get<0>(GetParam());
  const std::vector<double>& references = std::get<1>(GetParam()).ohms;
  std::mt19937_64 random(static_cast<unsigned>(n));
  const std::vector<double> zo(references.begin(), references.begin() + n);
  TestNetwork network(n, n, 4);
  for (size_t i = 0; i < 4; ++i) {
    DComplexGenMat s = randomMatrix(n, random, 0.3);
    network.setScattering(i, std::vector<DComplex>(s.data(), s.data() + n * n));
  }
  network.setReferenceImpedances(zo);
  EXPECT_EQ(calculate(network), "");
  const NetworkLayout layout = network.layout();
  const DComplexGenMat root = diagonalPower(zo, 0.5);
  const DComplexGenMat inverseRoot = diagonalPower(zo, -0.5);
  for (size_t i = 0; i < 4; ++i) {
    DComplexGenMat s = loadMatrix(network, 0, n, i);
    DComplexGenMat z = loadMatrix(network, layout.zBase, n, i);
    DComplexGenMat y = loadMatrix(network, layout.yBase, n, i);
    EXPECT_TRUE(matricesClose(naiveProduct(naiveProduct(identityPlus(s, -1), inverseRoot), z),
                              naiveProduct(identityPlus(s, 1), root), 1e-12));
    EXPECT_TRUE(matricesClose(naiveProduct(naiveProduct(naiveProduct(identityPlus(s, 1), root), y), root),
                              identityPlus(s, -1), 1e-12));
    EXPECT_TRUE(
        matricesClose(naiveProduct(z, y), diagonal(std::vector<double>(static_cast<size_t>(n), 1.0)), 1e-12));
  }
}

INSTANTIATE_TEST_SUITE_P(Terminals, MultiTerminalTest,
                         ::testing::Combine(::testing::Values(2, 3, 4),
                                            ::testing::Values(ReferenceSet{"Equal", {50, 50, 50, 50}},
                                                              ReferenceSet{"PerPort", {50, 75, 100, 25}},
                                                              ReferenceSet{"MixedMode", {100, 100, 25, 25}},
                                                              ReferenceSet{"MixedModeInterleaved",
                                                                           {100, 25, 100, 25}})),
                         [](const ::testing::TestParamInfo<std::tuple<int, ReferenceSet>>& tested) {
                           return std::get<1>(tested.param).name + std::to_string(std::get<0>(tested.param));
                         });

// Z and Y of one sample formed the plain way, with full products: the
// result the driver's shortcuts must reproduce. A matrix with no inverse
// gives quiet NaN throughout.
struct FullProducts {
  FullProducts(const DComplexGenMat& s, const DComplexGenMat& z0, int n)
      : z(s.rows(), s.cols(), DComplex(kNaN, kNaN)), y(z) {
    DComplexGenMat z0Inverse = z0;
    PivotRecord record(n);
    const bool z0Invertible = invertMatrixAnySize(z0Inverse, n, record) == kInverted;
    const DComplexGenMat plus = identityPlus(s, 1);
    const DComplexGenMat minus = identityPlus(s, -1);
    DComplexGenMat inverse = minus;
    DComplexGenMat left = z;
    if (invertMatrixAnySize(inverse, n, record) == kInverted) {
      multiplyMatricesAnySize(plus, inverse, n, &left);
      multiplyMatricesAnySize(left, z0, n, &z);
    }
    inverse = plus;
    if (invertMatrixAnySize(inverse, n, record) == kInverted && z0Invertible) {
      multiplyMatricesAnySize(minus, inverse, n, &left);
      multiplyMatricesAnySize(left, z0Inverse, n, &y);
    }
  }
  DComplexGenMat z;
  DComplexGenMat y;
};

// A subnormal reference has an infinite reciprocal, which leaves values
// that are not numbers off the diagonal of Z0^-1; an infinite one a zero.
struct ReferenceKind {
  const char* name;
  double every;  // the reference of every terminal
};

// With equal references the driver gives exactly what the plain formula
// Z = (I + S)(I - S)^-1 Z0, Y = (I - S)(I + S)^-1 Z0^-1 gives.
class FullProductTest : public ::testing::TestWithParam<ReferenceKind> {};

TEST_P(FullProductTest, EqualReferencesMatchFullProductsBitForBit) {
  const std::vector<double> edges = {0.0, -0.0, kInf, -kInf, kNaN, 4.9e-324, -1e-310, 1e300};
  std::mt19937_64 random(11);
  for (int n : {1, 2, 3, 4, 5}) {
    const int points = 64;
    TestNetwork network(n, n, points);
    for (size_t i = 0; i < static_cast<size_t>(points); ++i) {
      DComplexGenMat s = randomMatrix(n, random, 0.9);
      if (i % 4 == 1) s.data()[random() % (n * n)] = DComplex(edges[random() % 8], edges[random() % 8]);
      if (i % 8 == 3) s = DComplexGenMat(s.rows(), s.cols(), DComplex(-0.0, -0.0));
      network.setScattering(i, std::vector<DComplex>(s.data(), s.data() + n * n));
    }
    const std::vector<double> zo(static_cast<size_t>(n), GetParam().every);
    network.setReferenceImpedances(zo);
    calculate(network);
    const NetworkLayout layout = network.layout();
    for (size_t i = 0; i < static_cast<size_t>(points); ++i) {
      const FullProducts expected(loadMatrix(network, 0, n, i), diagonal(zo), n);
      EXPECT_TRUE(sameResults(loadMatrix(network, layout.zBase, n, i), expected.z))
          << "Z, n = " << n << ", " << i;
      EXPECT_TRUE(sameResults(loadMatrix(network, layout.yBase, n, i), expected.y))
          << "Y, n = " << n << ", " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    References, FullProductTest,
    ::testing::Values(ReferenceKind{"Fifty", 50.0}, ReferenceKind{"Ordinary", 75.3},
                      ReferenceKind{"Small", 1.7e-3}, ReferenceKind{"Subnormal", 4.9e-324},
                      ReferenceKind{"Infinite", kInf}, ReferenceKind{"NegativeZero", -0.0},
                      ReferenceKind{"NotANumber", kNaN}, ReferenceKind{"Negative", -25.0}),
    [](const ::testing::TestParamInfo<ReferenceKind>& tested) { return std::string(tested.param.name); });

// Every path that forms Z and Y (see the list atop the calculation) run on
// the same seeded networks and compared bit for bit with Z and Y formed by
// the routines for any size: one terminal (the fixed-size kernels), two
// (paired, two samples at a time, with the scalar path for the samples it
// leaves), three and five and more (the planar kernels, on the stack and,
// past 32 terminals, on the heap) and four (paired, two samples at a time,
// with the general path for what it leaves), the sizes of the blocks of
// several points among them (eight to 32 terminals, blocks of eight points
// up to 11 and of four from 12, point counts that are no multiple of a
// block, and odd ones for the paths that pair samples). Random S up
// to |S| = 1.4 per part, with special values and singular samples mixed
// in, so that samples take both the fast and the fallback path of each
// size; the messages printed are compared as well. The references are the
// same at every sample, or change every few samples, so that paths that
// take several samples at once meet neighbours with other references.
struct ImpedancePathCase {
  int terminals;
  int points;
};

struct PathReferences {
  const char* name;
  std::vector<double> cycle;  // the terminals' references, repeated
  // When not 0, the references move on by one place of the cycle after
  // every this many samples, so that neighbouring samples differ in them.
  size_t changeEvery = 0;
};

class ImpedancePathTest : public ::testing::TestWithParam<std::tuple<ImpedancePathCase, PathReferences>> {};

TEST_P(ImpedancePathTest, EveryPathMatchesConversionForAnySize) {
  // Named one by one: the lambdas below capture them, which Clang before 16
  // refuses for the names of a structured binding.
  const ImpedancePathCase& size = std::get<0>(GetParam());
  const PathReferences& references = std::get<1>(GetParam());
  const int n = size.terminals;
  const size_t entries = static_cast<size_t>(n) * static_cast<size_t>(n);
  const std::vector<DComplex> special = specialMatrixValues();
  std::mt19937_64 random(37);
  TestNetwork network(n, n, size.points);
  std::vector<DComplexGenMat> scattering;
  for (size_t i = 0; i < static_cast<size_t>(size.points); ++i) {
    DComplexGenMat s = randomMatrix(n, random, i % 2 == 0 ? 0.3 : 1.0);
    if (i % 16 == 5) s.data()[random() % entries] = special[random() % special.size()];
    if (i % 64 == 9) {
      s = DComplexGenMat(s.rows(), s.cols(), DComplex());
      for (unsigned t = 0; t < s.rows(); ++t) s(t, t) = DComplex(t % 2 == 0 ? 1.0 : -1.0, 0.0);
    }
    network.setScattering(i, std::vector<DComplex>(s.data(), s.data() + entries));
    scattering.push_back(s);
  }
  const auto referencesAt = [&](size_t sample) {
    const size_t shift = references.changeEvery == 0 ? 0 : sample / references.changeEvery;
    std::vector<double> zo;
    for (size_t t = 0; t < static_cast<size_t>(n); ++t)
      zo.push_back(references.cycle[(t + shift) % references.cycle.size()]);
    return zo;
  };
  for (size_t i = 0; i < static_cast<size_t>(size.points); ++i)
    network.setReferenceImpedancesAt(i, referencesAt(i));
  const std::string output = calculate(network);
  const NetworkLayout layout = network.layout();
  std::string messages;
  for (size_t i = 0; i < static_cast<size_t>(size.points); ++i) {
    const AnySizeConversion expected(scattering[i], n, referencesAt(i));
    if (i == 0) messages += expected.referenceMessage;
    messages += expected.messages;
    ASSERT_TRUE(sameResults(loadMatrix(network, layout.zBase, n, i), expected.z)) << "Z at " << i;
    ASSERT_TRUE(sameResults(loadMatrix(network, layout.yBase, n, i), expected.y)) << "Y at " << i;
  }
  EXPECT_EQ(output, messages);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ImpedancePathTest,
    ::testing::Combine(
        ::testing::Values(ImpedancePathCase{1, 4000}, ImpedancePathCase{2, 20001}, ImpedancePathCase{3, 4000},
                          ImpedancePathCase{4, 8001}, ImpedancePathCase{5, 2000}, ImpedancePathCase{8, 203},
                          ImpedancePathCase{11, 101}, ImpedancePathCase{12, 99}, ImpedancePathCase{16, 200},
                          ImpedancePathCase{17, 75}, ImpedancePathCase{32, 37}, ImpedancePathCase{33, 40}),
        ::testing::Values(PathReferences{"Equal", {50.0}},
                          PathReferences{"Unequal", {50.0, 75.0, 25.0, 100.0}},
                          PathReferences{"Subnormal", {4.9e-324}}, PathReferences{"Zero", {0.0}},
                          PathReferences{"Varying", {50.0, 75.0, 25.0, 100.0}, 3})),
    [](const ::testing::TestParamInfo<std::tuple<ImpedancePathCase, PathReferences>>& tested) {
      return std::to_string(std::get<0>(tested.param).terminals) + "Terminals" +
             std::get<1>(tested.param).name;
    });

TEST(NetworkParameters, ConvertsEverySampleOfEveryBlock) {
  TestNetwork network(1, 1, 2, 3);
  for (size_t i = 0; i < 6; ++i) network.setScattering(i, {0.5});
  network.setScattering(4, {kNaN});
  network.setReferenceImpedances({50});
  EXPECT_EQ(calculate(network), "Matrix ([I] - S) is singular.\nMatrix ([I] + S) is singular.\n");
  for (size_t i = 0; i < 6; ++i) {
    if (i == 4) {
      EXPECT_TRUE(isNoValue(network.z(0, 0, i)));
    } else {
      EXPECT_TRUE(isClose(network.z(0, 0, i), 150)) << "sample " << i;
      EXPECT_TRUE(isClose(network.y(0, 0, i), 1.0 / 150)) << "sample " << i;
    }
  }
}

TEST(NetworkParameters, NoTerminalsDoesNothing) {
  TestNetwork network(0, 0, 3);
  EXPECT_EQ(calculate(network), "");
}

// With no sample there is nothing to convert, and the reference-impedance
// entries may hold no sample either: they are not read.
TEST(NetworkParameters, NoSampleReadsNothing) {
  TestNetwork network(1, 1, 0);
  EXPECT_EQ(calculate(network), "");
}

// An entry beyond waveformSlots, or a null one, is never touched: the step
// that needs it is left out.
TEST(NetworkParameters, MissingOrNullEntriesAreLeftAlone) {
  for (bool nullEntry : {false, true}) {
    TestNetwork network(2, 2, 1);
    network.setScattering(0, {0.5, 0, 0, 0.5});
    network.setReferenceImpedances({50, 50});
    const NetworkLayout layout = network.layout();
    if (nullEntry) {
      network.network().waveformData[layout.yBase + 3] = nullptr;
    } else {
      network.network().waveformSlots = static_cast<int>(layout.gainBase) - 1;
    }
    EXPECT_EQ(calculate(network), "");
    EXPECT_EQ(network.z(0, 0, 0), DComplex(0, 0)) << nullEntry;
    if (!nullEntry) {
      EXPECT_EQ(network.at(layout.gainBase + kStabilityFactor, 0), DComplex(0, 0));
    }
  }
}

// The two-port figures follow port1Index and port2Index; S11 is
// S(p1, p1), S21 is S(p2, p1), S12 is S(p1, p2), S22 is S(p2, p2).
TEST(NetworkParameters, GainUsesChosenPorts) {
  TestNetwork network(3, 2, 1, 1, 1);
  network.network().port1Index = 2;
  network.network().port2Index = 0;
  network.setScattering(0, {0.5, 0.05, 2, 0.05, 0.05, 0.05, 0.1, 0.05, 0.5});
  network.setReferenceImpedances({50, 50, 50});
  calculate(network);
  const NetworkLayout layout = network.layout();
  ASSERT_EQ(layout.gainBase, 30u);
  EXPECT_TRUE(isClose(network.at(layout.gainBase + kMaximumGain, 0), 9.91757993, 1e-8));
  EXPECT_TRUE(isClose(network.at(layout.gainBase + kStabilityFactor, 0), 1.25625));
  EXPECT_TRUE(isClose(network.at(layout.gainBase + kMaximumStableGain, 0), 20));
  EXPECT_TRUE(isClose(network.at(layout.availableGain(), 0), 4 / 0.75));
}

TEST(NetworkParameters, PortIndexOutsideTerminalsWritesNoGain) {
  TestNetwork network(2, 2, 1);
  network.network().port2Index = 2;
  network.setScattering(0, {0.5, 0.1, 2, 0.5});
  network.setReferenceImpedances({50, 50});
  calculate(network);
  EXPECT_EQ(network.at(network.layout().gainBase + kStabilityFactor, 0), DComplex(0, 0));
}

TEST(NetworkParameters, OtherPortCountsGetNoGain) {
  for (int ports : {1, 3}) {
    TestNetwork network(2, ports, 1);
    network.setScattering(0, {0.5, 0.1, 2, 0.5});
    network.setReferenceImpedances({50, 50});
    calculate(network);
    for (size_t e = 0; e < kGainEntryCount; ++e) {
      EXPECT_EQ(network.at(network.layout().gainBase + e, 0), DComplex(0, 0)) << ports;
    }
  }
}

}  // namespace
}  // namespace korvel::testing
