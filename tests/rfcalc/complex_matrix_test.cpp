// Matrix product and Gauss-Jordan inversion: the listed cases, the pivot
// choice, singular input, and properties on seeded random matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "network_fixture.h"

namespace korvel::testing {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(MultiplyMatrices, LeftFactorComesFirst) {
  DComplexGenMat a = matrixOf(2, {1, 2, 3, 4});
  DComplexGenMat swap = matrixOf(2, {0, 1, 1, 0});
  EXPECT_TRUE(matricesClose(multiplyMatrices(a, swap, 2), matrixOf(2, {2, 1, 4, 3}), 0));
  EXPECT_TRUE(matricesClose(multiplyMatrices(swap, a, 2), matrixOf(2, {3, 4, 1, 2}), 0));
}

TEST(MultiplyMatrices, EmptyMatricesGiveEmptyProduct) {
  DComplexGenMat empty(0, 0, DComplex());
  DComplexGenMat product = multiplyMatrices(empty, empty, 0);
  EXPECT_EQ(product.rows(), 0u);
  EXPECT_EQ(product.cols(), 0u);
}

TEST(MultiplyMatrices, MatchesTextbookProductForEverySize) {
  std::mt19937_64 random(7);
  for (int n = 1; n <= 6; ++n) {
    DComplexGenMat a = randomMatrix(n, random);
    DComplexGenMat b = randomMatrix(n, random);
    EXPECT_TRUE(matricesClose(multiplyMatrices(a, b, n), naiveProduct(a, b), 1e-14)) << "n = " << n;
  }
}

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& tested) {
  return tested.param.name;
}

struct InversionCase {
  const char* name;
  int n;
  std::vector<DComplex> matrix;
  int result;
  std::vector<DComplex> inverse;  // checked when the result is kInverted
};

class InvertMatrixTest : public ::testing::TestWithParam<InversionCase> {};

TEST_P(InvertMatrixTest, GivesResultAndInverse) {
  const InversionCase& param = GetParam();
  DComplexGenMat m = matrixOf(param.n, param.matrix);
  EXPECT_EQ(invertMatrix(m, param.n), param.result);
  if (param.result == kInverted) {
    EXPECT_TRUE(matricesClose(m, matrixOf(param.n, param.inverse), 1e-15));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InvertMatrixTest,
    ::testing::Values(
        InversionCase{"Empty", 0, {}, kInverted, {}},
        InversionCase{"Symmetric", 2, {2, 1, 1, 3}, kInverted, {0.6, -0.2, -0.2, 0.4}},
        InversionCase{"AntiDiagonal", 2, {0, 2, 3, 0}, kInverted, {0, 1.0 / 3, 0.5, 0}},
        InversionCase{"AllModuliTie", 2, {1, 1, 1, -1}, kInverted, {0.5, 0.5, 0.5, -0.5}},
        InversionCase{"Imaginary", 1, {DComplex(0, 2)}, kInverted, {DComplex(0, -0.5)}},
        InversionCase{
            "Permutation", 3, {0, 0, 2, 4, 0, 0, 0, 1, 0}, kInverted, {0, 0.25, 0, 0, 0, 1, 0.5, 0, 0}},
        InversionCase{"Complex",
                      2,
                      {DComplex(1, 1), 0, 0, DComplex(0, -4)},
                      kInverted,
                      {DComplex(0.5, -0.5), 0, 0, DComplex(0, 0.25)}},
        InversionCase{"FourByFourDiagonal",
                      4,
                      {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, -8, 0, 0, 0, 0, DComplex(0, 1)},
                      kInverted,
                      {0.5, 0, 0, 0, 0, 0.25, 0, 0, 0, 0, -0.125, 0, 0, 0, 0, DComplex(0, -1)}},
        InversionCase{"Zero", 1, {0}, kSingular, {}},
        InversionCase{"ZeroThreeByThree", 3, {0, 0, 0, 0, 0, 0, 0, 0, 0}, kSingular, {}},
        InversionCase{"DiagonalWithZero", 2, {50, 0, 0, 0}, kSingular, {}},
        InversionCase{"DependentRows", 2, {1, 2, 2, 4}, kSingular, {}},
        InversionCase{"AllOnes", 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, kSingular, {}},
        InversionCase{"RankTwo", 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, kSingular, {}},
        InversionCase{"AllOnesFourByFour", 4, std::vector<DComplex>(16, DComplex(1, 1)), kSingular, {}},
        InversionCase{"NotANumber", 1, {kNaN}, kSingular, {}},
        InversionCase{"NotANumberImaginary", 1, {DComplex(0, kNaN)}, kSingular, {}}),
    caseName<InversionCase>);

TEST(InvertMatrix, InfiniteElementIsAPivot) {
  DComplexGenMat m = matrixOf(1, {kInf});
  EXPECT_EQ(invertMatrix(m, 1), kInverted);
  EXPECT_EQ(std::abs(m(0, 0)), 0.0);
}

// A value that is not a number never becomes a pivot, and elimination
// carries it into every element left to choose from.
TEST(InvertMatrix, NotANumberElementLeavesNoPivot) {
  DComplexGenMat m = matrixOf(2, {kNaN, 1, 2, 1});
  PivotRecord record(2);
  EXPECT_EQ(invertMatrix(m, 2, record), kSingular);
  EXPECT_EQ(record.pivotRows[0], 1);
  EXPECT_EQ(record.pivotColumns[0], 0);
}

struct PivotCase {
  const char* name;
  std::vector<DComplex> matrix;
  int rows[2];
  int columns[2];
};

class PivotChoiceTest : public ::testing::TestWithParam<PivotCase> {};

// Largest modulus, strictly larger to displace, first met in row-major order.
TEST_P(PivotChoiceTest, ChoosesFirstLargestRowMajor) {
  const PivotCase& param = GetParam();
  DComplexGenMat m = matrixOf(2, param.matrix);
  PivotRecord record(2);
  ASSERT_EQ(invertMatrix(m, 2, record), kInverted);
  for (int step = 0; step < 2; ++step) {
    EXPECT_EQ(record.pivotRows[step], param.rows[step]) << "step " << step;
    EXPECT_EQ(record.pivotColumns[step], param.columns[step]) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PivotChoiceTest,
    ::testing::Values(PivotCase{"LargestInSecondRow", {0, 2, 3, 0}, {1, 1}, {0, 1}},
                      PivotCase{"TieTakesFirst", {1, 1, 1, -1}, {0, 1}, {0, 1}},
                      PivotCase{"TieOffDiagonal", {1, 3, 3, 1}, {0, 0}, {1, 0}},
                      PivotCase{"ModulusNotRealPart", {1, DComplex(0, -2), 1, 1}, {0, 0}, {1, 0}}),
    caseName<PivotCase>);

// The first pivot is the first element, row by row, whose modulus is
// strictly larger than all before it, however close, tiny, huge or
// non-finite the moduli are, and when equal moduli come from squared parts
// an ulp apart (5 and 5 + 6e-8 i). Three terminals take the search for any
// size, four the fixed-size one.
TEST(InvertMatrix, FirstPivotFollowsModulusOnEdgeValues) {
  const std::vector<DComplex> pool = {0,
                                      1,
                                      DComplex(0, 1),
                                      std::nextafter(1.0, 2.0),
                                      DComplex(0.6, 0.8),
                                      -std::nextafter(1.0, 0.0),
                                      1e-200,
                                      1e-300,
                                      DComplex(4.9e-324, 1e-310),
                                      1e154,
                                      DComplex(1e200, -1e200),
                                      1e300,
                                      kInf,
                                      DComplex(kInf, kNaN),
                                      DComplex(kNaN, 1),
                                      DComplex(3, 4),
                                      DComplex(5, 6e-8),
                                      5};
  std::mt19937_64 random(11);
  std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
  for (int trial = 0; trial < 4000; ++trial) {
    const int n = trial % 2 == 0 ? 3 : 4;
    DComplexGenMat m(n, n, DComplex());
    for (int e = 0; e < n * n; ++e) m.data()[e] = pool[pick(random)];
    double best = 0.0;
    int expected = -1;
    for (int e = 0; e < n * n; ++e) {
      if (modulus(m.data()[e]) > best) {
        best = modulus(m.data()[e]);
        expected = e;
      }
    }
    PivotRecord record(n);
    const int result = invertMatrix(m, n, record);
    if (expected < 0) {
      EXPECT_EQ(result, kSingular);
    } else {
      EXPECT_EQ(record.pivotRows[0] * n + record.pivotColumns[0], expected) << "trial " << trial;
    }
  }
}

TEST(InvertMatrix, RandomMatrixTimesInverseIsIdentity) {
  std::mt19937_64 random(42);
  for (int n = 1; n <= 9; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      DComplexGenMat a = randomMatrix(n, random);
      DComplexGenMat inverse = a;
      ASSERT_EQ(invertMatrix(inverse, n), kInverted);
      DComplexGenMat identity(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
      for (int t = 0; t < n; ++t) identity(t, t) = 1.0;
      EXPECT_TRUE(matricesClose(multiplyMatrices(a, inverse, n), identity, 1e-9)) << "n = " << n;
      EXPECT_TRUE(matricesClose(multiplyMatrices(inverse, a, n), identity, 1e-9)) << "n = " << n;
    }
  }
}

bool sameBits(const DComplexGenMat& a, const DComplexGenMat& b) {
  return std::memcmp(a.data(), b.data(), sizeof(DComplex) * a.rows() * a.cols()) == 0;
}

// The fixed-size fast paths must give what the routine for any size gives,
// bit for bit, including on ties, zeros and values that are not numbers.
TEST(FastPaths, MatchReferenceBitForBit) {
  std::mt19937_64 random(3);
  for (int n : {1, 2, 4}) {
    for (int trial = 0; trial < 200; ++trial) {
      DComplexGenMat a = randomMatrix(n, random, trial % 2 == 0 ? 1.0 : 1e6);
      if (trial % 5 == 1) a(0, 0) = a(n - 1, n - 1);  // a tie
      if (trial % 7 == 2) a(n - 1, 0) = DComplex();   // a zero
      if (trial % 11 == 3) a(0, n - 1) = kNaN;        // not a number
      DComplexGenMat b = randomMatrix(n, random);
      DComplexGenMat fast(a.rows(), a.cols(), DComplex());
      DComplexGenMat reference = fast;
      multiplyMatrices(a, b, n, &fast);
      multiplyMatricesAnySize(a, b, n, &reference);
      EXPECT_TRUE(sameBits(fast, reference)) << "product, n = " << n << ", trial " << trial;

      fast = a;
      reference = a;
      PivotRecord fastRecord(n);
      PivotRecord referenceRecord(n);
      EXPECT_EQ(invertMatrix(fast, n, fastRecord), invertMatrixAnySize(reference, n, referenceRecord));
      EXPECT_TRUE(sameBits(fast, reference)) << "inverse, n = " << n << ", trial " << trial;
    }
  }
}

struct OffDiagonalCase {
  const char* name;
  DComplex offDiagonal;
  bool zero;
};

class OffDiagonalTest : public ::testing::TestWithParam<OffDiagonalCase> {};

TEST_P(OffDiagonalTest, OnlyZerosOfEitherSignCount) {
  DComplexGenMat m = matrixOf(3, {5, 0, 0, 0, kNaN, 0, 0, 0, kInf});
  m(2, 1) = GetParam().offDiagonal;
  EXPECT_EQ(hasZeroOffDiagonal(m, 3), GetParam().zero);
}

INSTANTIATE_TEST_SUITE_P(Cases, OffDiagonalTest,
                         ::testing::Values(OffDiagonalCase{"PositiveZeros", DComplex(0.0, 0.0), true},
                                           OffDiagonalCase{"NegativeZeros", DComplex(-0.0, -0.0), true},
                                           OffDiagonalCase{"Subnormal", DComplex(0.0, 4.9e-324), false},
                                           OffDiagonalCase{"NotANumber", DComplex(kNaN, 0.0), false},
                                           OffDiagonalCase{"Infinite", DComplex(0.0, -kInf), false},
                                           OffDiagonalCase{"One", DComplex(1.0, 0.0), false}),
                         [](const ::testing::TestParamInfo<OffDiagonalCase>& tested) {
                           return std::string(tested.param.name);
                         });

// Values that change the sign of a zero or turn a zero term into
// not-a-number in the full product.
const std::vector<double> kEdgeParts = {0.0, -0.0, kInf, -kInf, kNaN, 4.9e-324, -1e-310, 1e300, -1e-300, 1.0};

double edgePart(std::mt19937_64& random) { return kEdgeParts[random() % kEdgeParts.size()]; }

// A diagonal matrix whose off-diagonal zeros have random signs.
DComplexGenMat randomDiagonal(int n, std::mt19937_64& random, bool withEdges) {
  DComplexGenMat d = randomMatrix(n, random, 100.0);
  for (unsigned r = 0; r < d.rows(); ++r) {
    for (unsigned c = 0; c < d.cols(); ++c) {
      if (r != c) d(r, c) = DComplex(random() % 2 ? 0.0 : -0.0, random() % 2 ? 0.0 : -0.0);
      if (r == c && withEdges && random() % 3 == 0) d(r, c) = DComplex(edgePart(random), edgePart(random));
    }
  }
  return d;
}

// The product with a diagonal right factor must give what the full product
// gives, bit for bit: zeros of both signs, infinities, values that are not
// numbers and subnormals in either factor.
TEST(FastPaths, DiagonalProductMatchesFullProductBitForBit) {
  std::mt19937_64 random(9);
  for (int n : {1, 2, 3, 4, 5, 8}) {
    for (int trial = 0; trial < 300; ++trial) {
      const bool withEdges = trial % 2 == 1;
      DComplexGenMat a = randomMatrix(n, random, trial % 3 == 0 ? 1e-300 : 1.0);
      if (trial % 4 == 2) a(0, 0) = DComplex(-0.0, -0.0);  // -0 times a positive diagonal
      if (withEdges) {
        for (int e = 0; e < n; ++e)
          a.data()[random() % (n * n)] = DComplex(edgePart(random), edgePart(random));
      }
      const DComplexGenMat d = randomDiagonal(n, random, withEdges);
      ASSERT_TRUE(hasZeroOffDiagonal(d, n));
      DComplexGenMat fast(a.rows(), a.cols(), DComplex());
      DComplexGenMat reference = fast;
      multiplyByDiagonal(a, d, n, &fast);
      multiplyMatricesAnySize(a, d, n, &reference);
      EXPECT_TRUE(sameResults(fast, reference)) << "n = " << n << ", trial " << trial;
    }
  }
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

bool sameBits(DComplex a, DComplex b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The inline reciprocal must give the library's quotient (1 + 0i) / p bit
// for bit: signed zeros, ties between the parts, real and imaginary pivots,
// the edges of its own range and whatever lies beyond them.
TEST(Reciprocal, MatchesLibraryQuotientBitForBit) {
  const double kMax = std::numeric_limits<double>::max();
  const double kTiny = std::numeric_limits<double>::denorm_min();
  const std::vector<double> parts = {
      0.0,      -0.0,    1.0,      -1.0,   7.0,   0.3,  -2.5e-3, 1e-300, -1e300, 0x1p500,
      0x1p-500, 0x1p501, 0x1p-501, 1e-310, kTiny, kMax, kInf,    -kInf,  kNaN,   1.2857142857142856};
  for (double real : parts) {
    for (double imaginary : parts) {
      const DComplex p(real, imaginary);
      const DComplex expected = DComplex(1.0, 0.0) / p;
      EXPECT_TRUE(sameBits(reciprocal(p), expected)) << real << " + " << imaginary << "i";
    }
  }
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> exponent(-60.0, 60.0);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  for (int trial = 0; trial < 100000; ++trial) {
    const DComplex p(std::ldexp(mantissa(random), static_cast<int>(exponent(random))),
                     trial % 5 == 0 ? 0.0 : std::ldexp(mantissa(random), static_cast<int>(exponent(random))));
    const DComplex expected = DComplex(1.0, 0.0) / p;
    ASSERT_TRUE(sameBits(reciprocal(p), expected)) << p.real() << " + " << p.imag() << "i, trial " << trial;
  }
}

}  // namespace
}  // namespace korvel::testing
