// The paired 2 x 2 inversions against the inversion for any size, bit for
// bit, on millions of pairs of matrices: every lane the paired arithmetic
// accepts must hold exactly the scalar result, and ordinary matrices must
// be accepted. Whole networks are compared in the calculation driver's
// tests, with every other path.
#include "rfcalc/paired_two_by_two.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "network_fixture.h"

namespace korvel::testing {
namespace {

using kernels::LaneMask;
using kernels::PairedMatrix;

// Inverts `first` and `second` side by side and compares each lane that
// came out valid with the inversion for any size. `accepted` counts them.
::testing::AssertionResult pairMatchesReference(const DComplexGenMat& first, const DComplexGenMat& second,
                                                int* accepted) {
  PairedMatrix m;
  for (size_t e = 0; e < 4; ++e) m[e] = kernels::pairOf(first.data()[e], second.data()[e]);
  LaneMask valid = {-1, -1};
  kernels::invertPairOfTwoByTwo(m, &valid);
  const DComplexGenMat* inputs[2] = {&first, &second};
  for (int lane = 0; lane < 2; ++lane) {
    if (valid[lane] == 0) continue;
    if (valid[lane] != -1) return ::testing::AssertionFailure() << "lane " << lane << " half valid";
    ++*accepted;
    DComplexGenMat reference = *inputs[lane];
    PivotRecord record(2);
    if (invertMatrixAnySize(reference, 2, record) != kInverted) {
      return ::testing::AssertionFailure() << "lane " << lane << " accepted a singular matrix";
    }
    DComplexGenMat paired(2, 2, DComplex());
    for (size_t e = 0; e < 4; ++e) paired.data()[e] = kernels::laneOf(m[e], lane);
    auto same = sameResults(paired, reference);
    if (!same) return same << " in lane " << lane;
  }
  return ::testing::AssertionSuccess();
}

// Ordinary matrices over many orders of magnitude, with ties and near
// singular ones among them, in both lanes; nearly all must be accepted.
TEST(PairedTwoByTwo, MatchesInversionForAnySizeOnRandomMatrices) {
  std::mt19937_64 random(29);
  const int trials = 1000000;
  int accepted = 0;
  for (int trial = 0; trial < trials; ++trial) {
    DComplexGenMat pair[2] = {wideRandomMatrix(2, trial % 4 == 0, random),
                              wideRandomMatrix(2, trial % 4 == 0, random)};
    for (DComplexGenMat& a : pair) {
      if (trial % 16 == 1) a.data()[3] = a.data()[0];                              // a tie on the diagonal
      if (trial % 16 == 2) a.data()[2] = a.data()[0] * DComplex(0.0, 1.0);         // a tie of moduli
      if (trial % 16 == 3) a.data()[3] = a.data()[1] * a.data()[2] / a.data()[0];  // nearly singular
      if (trial % 16 == 4) a.data()[1] = DComplex(a.data()[1].real(), 0.0);        // a real element
    }
    ASSERT_TRUE(pairMatchesReference(pair[0], pair[1], &accepted))
        << "trial " << trial << ": " << describeMatrix(pair[0]) << "| " << describeMatrix(pair[1]);
  }
  EXPECT_GT(accepted, 2 * trials * 9 / 10);
}

// Matrices mixing the special values with ordinary ones: whatever the
// paired arithmetic accepts among them must be exact.
TEST(PairedTwoByTwo, MatchesInversionForAnySizeOnSpecialValues) {
  const std::vector<DComplex> special = specialMatrixValues();
  std::mt19937_64 random(31);
  int accepted = 0;
  for (int trial = 0; trial < 1000000; ++trial) {
    // 0 .. 4 special elements
    const DComplexGenMat pair[2] = {specialValueMatrix(2, trial % 5, special, random),
                                    specialValueMatrix(2, (trial + 1) % 5, special, random)};
    ASSERT_TRUE(pairMatchesReference(pair[0], pair[1], &accepted))
        << "trial " << trial << ": " << describeMatrix(pair[0]) << "| " << describeMatrix(pair[1]);
  }
  EXPECT_GT(accepted, 0);
}

// Every pair of special values on the diagonal and off it, in either lane.
TEST(PairedTwoByTwo, MatchesInversionForAnySizeOnEveryPairOfSpecialValues) {
  const std::vector<DComplex> special = specialMatrixValues();
  const DComplexGenMat ordinary = matrixOf(2, {{1.0, 0.25}, {-0.5, 0.125}, {0.375, -2.0}, {0.75, 0.5}});
  int accepted = 0;
  for (const DComplex& first : special) {
    for (const DComplex& second : special) {
      for (int layout = 0; layout < 3; ++layout) {
        const DComplex filler = layout == 2 ? DComplex(0.25, -0.75) : DComplex(0.0, 0.0);
        const DComplexGenMat a = layout == 0 ? matrixOf(2, {first, filler, filler, second})
                                             : matrixOf(2, {filler, first, second, filler});
        EXPECT_TRUE(pairMatchesReference(a, ordinary, &accepted)) << describeMatrix(a);
        EXPECT_TRUE(pairMatchesReference(ordinary, a, &accepted)) << describeMatrix(a);
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
