// The fused 2 x 2 inversion against the inversion for any size, bit for
// bit, on millions of matrices: ordinary ones, and ones built from values
// that test every branch of the pivot search, the reciprocal and the
// elimination (zeros of both signs, subnormals, huge values, infinities,
// values that are not numbers, and ties between equal moduli).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "network_fixture.h"
#include "rfcalc/matrix_kernels.h"

namespace korvel::testing {
namespace {

const std::vector<DComplex> kSpecialValues = specialMatrixValues();

// Runs both inversions on `a` and compares result and every element.
::testing::AssertionResult matchesReference(const DComplexGenMat& a, bool exactNotNumbers) {
  DComplexGenMat reference = a;
  PivotRecord record(2);
  const int expected = invertMatrixAnySize(reference, 2, record);
  DComplexGenMat fused = a;
  const int result = kernels::invertTwoByTwo(fused.data());
  if (result != expected) return ::testing::AssertionFailure() << "result " << result << ", not " << expected;
  if (exactNotNumbers) {
    if (std::memcmp(fused.data(), reference.data(), 4 * sizeof(DComplex)) != 0) {
      return ::testing::AssertionFailure() << "different bits";
    }
    return ::testing::AssertionSuccess();
  }
  return sameResults(fused, reference);
}

// Ordinary matrices of elements over many orders of magnitude; none of
// their values is not a number, so every bit must agree.
TEST(FusedTwoByTwo, MatchesInversionForAnySizeOnRandomMatrices) {
  std::mt19937_64 random(17);
  for (int trial = 0; trial < 1000000; ++trial) {
    DComplexGenMat a = wideRandomMatrix(2, trial % 4 == 0, random);
    if (trial % 8 == 1) a.data()[3] = a.data()[0];                              // a tie on the diagonal
    if (trial % 8 == 2) a.data()[2] = a.data()[0] * DComplex(0.0, 1.0);         // a tie of moduli
    if (trial % 8 == 3) a.data()[3] = a.data()[1] * a.data()[2] / a.data()[0];  // nearly singular
    ASSERT_TRUE(matchesReference(a, true)) << "trial " << trial << ": " << describeMatrix(a);
  }
}

// Matrices mixing the special values with ordinary ones, the special ones
// at every place: the pivot search's ties and refusals, singular second
// steps, and infinities and NaN carried through the elimination.
TEST(FusedTwoByTwo, MatchesInversionForAnySizeOnSpecialValues) {
  std::mt19937_64 random(23);
  std::uniform_real_distribution<double> part(-2.0, 2.0);
  std::uniform_int_distribution<size_t> pick(0, kSpecialValues.size() - 1);
  for (int trial = 0; trial < 1000000; ++trial) {
    DComplexGenMat a(2, 2, DComplex());
    const int specials = trial % 5;  // 0 .. 4 special elements
    for (int e = 0; e < 4; ++e) {
      const double re = part(random);
      a.data()[e] = e < specials ? kSpecialValues[pick(random)] : DComplex(re, part(random));
    }
    std::shuffle(a.data(), a.data() + 4, random);
    ASSERT_TRUE(matchesReference(a, false)) << "trial " << trial << ": " << describeMatrix(a);
  }
}

// Every pair of special values on each diagonal and off it, exhaustively.
TEST(FusedTwoByTwo, MatchesInversionForAnySizeOnEveryPairOfSpecialValues) {
  for (const DComplex& first : kSpecialValues) {
    for (const DComplex& second : kSpecialValues) {
      for (int layout = 0; layout < 3; ++layout) {
        const DComplex filler = layout == 2 ? DComplex(0.25, -0.75) : DComplex(0.0, 0.0);
        DComplexGenMat a = layout == 0 ? matrixOf(2, {first, filler, filler, second})
                                       : matrixOf(2, {filler, first, second, filler});
        EXPECT_TRUE(matchesReference(a, false)) << describeMatrix(a);
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
