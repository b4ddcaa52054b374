// The library's product and inversion against the plain rendering of the
// same arithmetic in tests/support: on many seeded matrices of every kind
// the calculation meets (ordinary, near the identity, with ties between
// pivot candidates, zeros, infinities, values that are not numbers,
// subnormal and extreme values, singular and nearly singular), they must
// agree bit for bit, pivots and singular states included.
#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "network_fixture.h"
#include "support/reference_matrix.h"

namespace korvel::testing {
namespace {

enum class MatrixKind {
  kUniform,
  kNearIdentity,
  kSpecialValues,
  kTiedModuli,
  kSingular,
  kNearlySingular,
  kExtremeScale,
  kCount,
};

// Seeded matrices of every kind in turn.
class MatrixSource {
 public:
  MatrixSource(size_t n, unsigned seed) : n_(n), random_(seed), special_(specialMatrixValues()) {}

  std::vector<DComplex> next(MatrixKind kind) {
    std::vector<DComplex> m(n_ * n_);
    for (DComplex& element : m) element = uniform(1.0);
    switch (kind) {
      case MatrixKind::kUniform:
      case MatrixKind::kCount:
        break;
      case MatrixKind::kNearIdentity:
        for (size_t e = 0; e < m.size(); ++e) m[e] = (e % (n_ + 1) == 0 ? 1.0 : 0.0) - uniform(0.4 / n_);
        break;
      case MatrixKind::kSpecialValues:
        for (DComplex& element : m) {
          if (pick(4) == 0) element = special_[pick(special_.size())];
        }
        break;
      case MatrixKind::kTiedModuli: {
        const DComplex tied[] = {{3.0, 4.0},  {-4.0, 3.0}, {0.0, 5.0}, {5.0, 0.0},
                                 {-5.0, 0.0}, {0.0, 0.0},  {1.0, 0.0}, {0.0, -1.0}};
        for (DComplex& element : m) element = tied[pick(std::size(tied))];
        break;
      }
      case MatrixKind::kSingular:
        makeSingular(m);
        break;
      case MatrixKind::kNearlySingular: {
        const size_t from = pick(n_);
        const size_t to = (from + 1 + pick(n_ - 1)) % n_;
        const double factor = 1.0 + 0x1p-50 * static_cast<double>(pick(4));
        for (size_t l = 0; l < n_; ++l) m[to * n_ + l] = m[from * n_ + l] * factor;
        break;
      }
      case MatrixKind::kExtremeScale: {
        const double scales[] = {1e-160, 1e-155, 1e155, 1e160, 4.9e-324, 1e-310, 1e300};
        const double scale = scales[pick(std::size(scales))];
        for (DComplex& element : m) element *= pick(3) == 0 ? 1.0 : scale;
        break;
      }
    }
    return m;
  }

  std::vector<DComplex> uniformMatrix() {
    std::vector<DComplex> m(n_ * n_);
    for (DComplex& element : m) element = uniform(1.0);
    return m;
  }

 private:
  DComplex uniform(double scale) {
    std::uniform_real_distribution<double> part(-scale, scale);
    const double re = part(random_);
    return {re, part(random_)};
  }
  size_t pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random_); }

  // A zero row, a zero column, or one row repeating another exactly.
  void makeSingular(std::vector<DComplex>& m) {
    const size_t line = pick(n_);
    const size_t other = (line + 1) % n_;
    for (size_t l = 0; l < n_; ++l) {
      switch (pick(3)) {
        case 0:
          m[line * n_ + l] = DComplex();
          break;
        case 1:
          m[l * n_ + line] = DComplex();
          break;
        default:
          m[line * n_ + l] = m[other * n_ + l];
          break;
      }
    }
  }

  size_t n_;
  std::mt19937_64 random_;
  std::vector<DComplex> special_;
};

DComplexGenMat toMatrix(const std::vector<DComplex>& elements, size_t n) {
  return matrixOf(static_cast<int>(n), elements);
}

std::string describe(const std::vector<DComplex>& elements, size_t n) {
  return describeMatrix(toMatrix(elements, n));
}

// Inverts `input` both ways and compares outcome, pivots and elements.
::testing::AssertionResult invertsLikeReference(const std::vector<DComplex>& input, size_t n,
                                                PivotRecord& record) {
  std::vector<DComplex> expected = input;
  const ReferenceInversion reference = referenceInvert(expected, n);
  DComplexGenMat actual = toMatrix(input, n);
  const int result = invertMatrix(actual, static_cast<int>(n), record);
  if (result != reference.result) {
    return ::testing::AssertionFailure() << "result " << result << " for " << describe(input, n);
  }
  for (size_t step = 0; step < reference.pivotRows.size(); ++step) {
    if (record.pivotRows[step] != reference.pivotRows[step] ||
        record.pivotColumns[step] != reference.pivotColumns[step]) {
      return ::testing::AssertionFailure() << "pivot of step " << step << " for " << describe(input, n);
    }
  }
  auto same = sameResults(actual, toMatrix(expected, n));
  if (!same) same << " inverting " << describe(input, n);
  return same;
}

::testing::AssertionResult multipliesLikeReference(const std::vector<DComplex>& a,
                                                   const std::vector<DComplex>& b, size_t n) {
  DComplexGenMat actual(static_cast<unsigned>(n), static_cast<unsigned>(n), DComplex());
  multiplyMatrices(toMatrix(a, n), toMatrix(b, n), static_cast<int>(n), &actual);
  auto same = sameResults(actual, toMatrix(referenceMultiply(a, b, n), n));
  if (!same) same << " multiplying " << describe(a, n) << "by " << describe(b, n);
  return same;
}

struct SizeCase {
  size_t terminals;
  int trials;  // matrices of each kind
};

class MatrixReferenceTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MatrixReferenceTest, InverseMatchesReferenceBitForBit) {
  const SizeCase size = GetParam();
  MatrixSource source(size.terminals, 17);
  PivotRecord record(static_cast<int>(size.terminals));
  for (int trial = 0; trial < size.trials; ++trial) {
    for (int kind = 0; kind < static_cast<int>(MatrixKind::kCount); ++kind) {
      const std::vector<DComplex> input = source.next(static_cast<MatrixKind>(kind));
      ASSERT_TRUE(invertsLikeReference(input, size.terminals, record))
          << "kind " << kind << ", trial " << trial;
    }
  }
}

TEST_P(MatrixReferenceTest, ProductMatchesReferenceBitForBit) {
  const SizeCase size = GetParam();
  MatrixSource source(size.terminals, 29);
  for (int trial = 0; trial < size.trials / 4 + 1; ++trial) {
    for (int kind = 0; kind < static_cast<int>(MatrixKind::kCount); ++kind) {
      const std::vector<DComplex> a = source.next(static_cast<MatrixKind>(kind));
      const std::vector<DComplex> b = source.uniformMatrix();
      ASSERT_TRUE(multipliesLikeReference(a, b, size.terminals)) << "kind " << kind << ", trial " << trial;
      ASSERT_TRUE(multipliesLikeReference(b, a, size.terminals)) << "kind " << kind << ", trial " << trial;
    }
  }
}

std::string sizeName(const ::testing::TestParamInfo<SizeCase>& size) {
  return std::to_string(size.param.terminals) + "Terminals";
}

// Four terminals, the four-ports and mixed-mode pairs, most of all.
INSTANTIATE_TEST_SUITE_P(Sizes, MatrixReferenceTest,
                         ::testing::Values(SizeCase{3, 20000}, SizeCase{4, 80000}, SizeCase{5, 8000},
                                           SizeCase{8, 2000}, SizeCase{16, 300}, SizeCase{32, 40}),
                         sizeName);

}  // namespace
}  // namespace korvel::testing
