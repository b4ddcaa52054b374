// The paired 4 x 4 inversions against the inversion for any size and the
// 4 x 4 one, bit for bit, on a million pairs of random and special-value
// matrices: every lane the paired arithmetic accepts must hold exactly the
// scalar result, and ordinary matrices must be accepted. Whole networks
// are compared in the calculation driver's tests, with every other path.
#include "rfcalc/paired_four_by_four.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "network_fixture.h"

namespace korvel::testing {
namespace {

using kernels::LaneMask;
using kernels::PairedFourMatrix;

// Inverts `first` and `second` side by side and compares each lane that
// came out valid with the inversion for any size and with the 4 x 4 one.
// `accepted` counts them.
::testing::AssertionResult pairMatchesReference(const DComplexGenMat& first, const DComplexGenMat& second,
                                                int* accepted) {
  PairedFourMatrix m;
  PairedFourMatrix inverse;
  for (size_t e = 0; e < 16; ++e) m[e] = kernels::pairOf(first.data()[e], second.data()[e]);
  LaneMask valid = {-1, -1};
  kernels::invertPairOfFourByFour(m, inverse, &valid);
  const DComplexGenMat* inputs[2] = {&first, &second};
  for (int lane = 0; lane < 2; ++lane) {
    if (valid[lane] == 0) continue;
    if (valid[lane] != -1) return ::testing::AssertionFailure() << "lane " << lane << " half valid";
    ++*accepted;
    DComplexGenMat reference = *inputs[lane];
    PivotRecord record(4);
    if (invertMatrixAnySize(reference, 4, record) != kInverted) {
      return ::testing::AssertionFailure() << "lane " << lane << " accepted a singular matrix";
    }
    DComplexGenMat fixedSize = *inputs[lane];
    if (invertMatrix(fixedSize, 4, record) != kInverted) {
      return ::testing::AssertionFailure() << "lane " << lane << " singular for the 4 x 4 inversion";
    }
    DComplexGenMat paired(4, 4, DComplex());
    for (size_t e = 0; e < 16; ++e) paired.data()[e] = kernels::laneOf(inverse[e], lane);
    auto same = sameResults(paired, reference);
    if (!same) return same << " in lane " << lane;
    same = sameResults(paired, fixedSize);
    if (!same) return same << " in lane " << lane << " against the 4 x 4 inversion";
  }
  return ::testing::AssertionSuccess();
}

// Ordinary matrices over many orders of magnitude, with ties, permutations
// and nearly singular ones among them, in both lanes; nearly all must be
// accepted.
TEST(PairedFourByFour, MatchesInversionForAnySizeOnRandomMatrices) {
  std::mt19937_64 random(41);
  const int trials = 400000;
  int accepted = 0;
  for (int trial = 0; trial < trials; ++trial) {
    DComplexGenMat pair[2] = {wideRandomMatrix(4, trial % 4 == 0, random),
                              wideRandomMatrix(4, trial % 4 == 0, random)};
    for (DComplexGenMat& a : pair) {
      if (trial % 16 == 1) a.data()[15] = a.data()[0];                      // a tie on the diagonal
      if (trial % 16 == 2) a.data()[6] = a.data()[9] * DComplex(0.0, 1.0);  // a tie of moduli
      if (trial % 16 == 3) {
        for (int c = 0; c < 4; ++c) a.data()[12 + c] = a.data()[c] + a.data()[4 + c];  // nearly singular
      }
      if (trial % 16 == 4) {  // a permutation with a small disturbance: pivots off the diagonal
        DComplexGenMat p(4, 4, DComplex());
        const int shift = 1 + trial % 3;
        for (unsigned r = 0; r < 4; ++r) p(r, (r + shift) % 4) = DComplex(1.0 + 0.01 * r, 0.0);
        for (int e = 0; e < 16; ++e) a.data()[e] = p.data()[e] + 0.001 * a.data()[e];
      }
    }
    ASSERT_TRUE(pairMatchesReference(pair[0], pair[1], &accepted))
        << "trial " << trial << ": " << describeMatrix(pair[0]) << "| " << describeMatrix(pair[1]);
  }
  EXPECT_GT(accepted, 2 * trials * 8 / 10);
}

// Matrices mixing the special values with ordinary ones: whatever the
// paired arithmetic accepts among them must be exact.
TEST(PairedFourByFour, MatchesInversionForAnySizeOnSpecialValues) {
  const std::vector<DComplex> special = specialMatrixValues();
  std::mt19937_64 random(43);
  int accepted = 0;
  for (int trial = 0; trial < 600000; ++trial) {
    // 0 .. 5 special elements
    const DComplexGenMat pair[2] = {specialValueMatrix(4, trial % 6, special, random),
                                    specialValueMatrix(4, (trial + 1) % 6, special, random)};
    ASSERT_TRUE(pairMatchesReference(pair[0], pair[1], &accepted))
        << "trial " << trial << ": " << describeMatrix(pair[0]) << "| " << describeMatrix(pair[1]);
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace korvel::testing
