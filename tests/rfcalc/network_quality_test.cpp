// The quality metrics on small networks whose values are worked by hand,
// the rating boundaries, and the metrics in parts against one part.
#include "rfcalc/network_quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace korvel::testing {
namespace {

using Complex = std::complex<double>;
using Maker = std::function<std::vector<Complex>(size_t point)>;  // row-major matrix at a point

// The samples of `points` matrices of `ports` ports, entry by entry.
struct BuiltNetwork {
  BuiltNetwork(size_t ports, size_t points, const Maker& make) : data(ports * ports) {
    for (size_t k = 0; k < points; ++k) {
      std::vector<Complex> s = make(k);
      for (size_t e = 0; e < ports * ports; ++e) {
        data[e].push_back(s[e].real());
        data[e].push_back(s[e].imag());
      }
    }
    segment.ports = ports;
    segment.points = points;
    for (const auto& entry : data) segment.entries.push_back(entry.data());
  }
  std::vector<std::vector<double>> data;
  ScatteringSegment segment;
};

Complex delay(size_t k) { return std::polar(1.0, -0.3 * static_cast<double>(k)); }

struct MetricCase {
  const char* name;
  size_t ports;
  size_t points;
  Maker make;
  double passivity;
  double worstSingularValue;
  size_t overThreshold;
  double reciprocity;  // NaN: not defined
  double causality;    // NaN: not defined
  size_t worstRow, worstColumn;
};

const double kUndefined = std::nan("");

class NetworkQualityTest : public ::testing::TestWithParam<MetricCase> {};

TEST_P(NetworkQualityTest, GivesTheHandWorkedMetrics) {
  const MetricCase& c = GetParam();
  BuiltNetwork network(c.ports, c.points, c.make);
  NetworkQuality q = assessNetwork(network.segment, 1);
  EXPECT_NEAR(q.passivity, c.passivity, 1e-9);
  EXPECT_NEAR(q.worstSingularValue, c.worstSingularValue, 1e-12);
  EXPECT_EQ(q.pointsOverThreshold, c.overThreshold);
  EXPECT_EQ(q.reciprocityDefined, !std::isnan(c.reciprocity));
  if (q.reciprocityDefined) {
    EXPECT_NEAR(q.reciprocity, c.reciprocity, 1e-9);
  }
  EXPECT_EQ(q.causalityDefined, !std::isnan(c.causality));
  if (q.causalityDefined) {
    EXPECT_NEAR(q.causality, c.causality, 1e-9);
    EXPECT_EQ(q.worstEntryRow, c.worstRow);
    EXPECT_EQ(q.worstEntryColumn, c.worstColumn);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Networks, NetworkQualityTest,
    ::testing::Values(
        // A lossless matched line: every singular value 1; S21 turns clockwise.
        MetricCase{"LosslessLine", 2, 10,
                   [](size_t k) {
                     return std::vector<Complex>{0, delay(k), delay(k), 0};
                   },
                   100, 1, 0, 100, 100, 0, 0},
        // |S21| = |S12| = 1.1 at one of 10 points: PW = (1.1 - 1.00001) / 0.1 there;
        // real values only, so every R_k is 0 and causality is 100.
        MetricCase{"GainAtOnePoint", 2, 10,
                   [](size_t k) {
                     Complex through = k == 3 ? 1.1 : 0.5;
                     return std::vector<Complex>{0, through, through, 0};
                   },
                   (10 - (1.1 - 1.00001) / 0.1) / 10 * 100, 1.1, 1, 100, 100, 0, 0},
        // An isolator: S21 = 1, S12 = 0; RM = 1 at every point.
        MetricCase{"Isolator", 2, 10,
                   [](size_t) {
                     return std::vector<Complex>{0, 0, 1, 0};
                   },
                   100, 1, 0, 0, 100, 0, 0},
        // Slightly non-reciprocal: RM = 0.01, RW = (0.01 - 1e-6) / 0.1 at each of 10 points.
        MetricCase{"SlightlyNonReciprocal", 2, 10,
                   [](size_t) {
                     return std::vector<Complex>{0, 0.49, 0.5, 0};
                   },
                   100, 0.5, 0, (10 - 10 * (0.01 - 1e-6) / 0.1) / 10 * 100, 100, 0, 0},
        // The delay line conjugated turns the wrong way: S(1,2) is the first entry at 0.
        MetricCase{"ConjugatedDelayLine", 2, 10,
                   [](size_t k) {
                     return std::vector<Complex>{0, std::conj(delay(k)), std::conj(delay(k)), 0};
                   },
                   100, 1, 0, 100, 0, 0, 1},
        // A one-port: reciprocity is not defined; two points leave causality undefined
        // (and PW = 1.9999 at each of the two points takes passivity to its floor, 0).
        MetricCase{"OnePort", 1, 5, [](size_t k) { return std::vector<Complex>{0.5 * delay(k)}; }, 100, 0.5,
                   0, kUndefined, 100, 0, 0},
        MetricCase{"TwoPoints", 1, 2, [](size_t) { return std::vector<Complex>{1.2}; }, 0, 1.2, 2, kUndefined,
                   kUndefined, 0, 0},
        // A three-port circulator with gain 1.2: PM 1.2 everywhere (the general path),
        // RM = 6 * 1.2 / 6, and the sums of weights pass N.
        MetricCase{"CirculatorWithGain", 3, 10,
                   [](size_t) { return std::vector<Complex>{0, 0, 1.2, 1.2, 0, 0, 0, 1.2, 0}; }, 0, 1.2, 10,
                   0, 100, 0, 0}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST(LargestSingularValue, ClosedFormAndGeneralPathAgreeWithHandValues) {
  // [[1, 1], [1, 1]] has singular values 2 and 0; [[3, 0], [4, 0]] has 5.
  EXPECT_NEAR(largestSingularValue2(1, 1, 1, 1), 2.0, 1e-15);
  EXPECT_NEAR(largestSingularValue2(3, 0, 4, 0), 5.0, 1e-15);
  // Two equal singular values, where (T + sqrt(T^2 - 4|det|^2)) / 2 loses half its digits.
  EXPECT_EQ(largestSingularValue2(0, Complex(0.6, 0.8), Complex(0.6, 0.8), 0), 1.0);
  const Complex rank1[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_NEAR(largestSingularValue(rank1, 3), std::sqrt(2.0), 1e-14);
  const Complex diagonal[16] = {0.3, 0, 0, 0, 0, Complex(0, -1.7), 0, 0, 0, 0, 0.2, 0, 0, 0, 0, 1};
  EXPECT_NEAR(largestSingularValue(diagonal, 4), 1.7, 1e-14);
}

TEST(TwoPortStability, KAndMuByHand) {
  // D = 0.25 - 0.2; K = (1 - 0.25 - 0.25 + 0.0025) / 0.4; mu = 0.75 / (0.475 + 0.2).
  TwoPortStability st = twoPortStability(0.5, 0.1, 2, 0.5);
  EXPECT_NEAR(st.k, 1.25625, 1e-12);
  EXPECT_NEAR(st.mu, 0.75 / 0.675, 1e-12);
}

TEST(TwoPortStability, RangesWhereMuIsNotAboveOne) {
  // S11 = 0.5 gives mu 1.11; S11 = 0.9 at points 2..4 and 7 gives mu below 1.
  BuiltNetwork network(2, 9, [](size_t k) {
    Complex s11 = (k >= 2 && k <= 4) || k == 7 ? 0.9 : 0.5;
    return std::vector<Complex>{s11, 0.1, 2, 0.5};
  });
  NetworkQuality q = assessNetwork(network.segment, 1);
  ASSERT_EQ(q.notUnconditionallyStable.size(), 2u);
  EXPECT_EQ(q.notUnconditionallyStable[0].first, 2u);
  EXPECT_EQ(q.notUnconditionallyStable[0].last, 4u);
  EXPECT_EQ(q.notUnconditionallyStable[1].first, 7u);
  EXPECT_EQ(q.notUnconditionallyStable[1].last, 7u);
  EXPECT_EQ(q.lowestMuPoint, 2u);
}

struct RatingCase {
  double metric;
  QualityRating passivity;
  QualityRating causality;
};

class QualityRatingTest : public ::testing::TestWithParam<RatingCase> {};

TEST_P(QualityRatingTest, BoundariesBelongToTheRatingBelow) {
  EXPECT_EQ(passivityRating(GetParam().metric), GetParam().passivity);
  EXPECT_EQ(causalityRating(GetParam().metric), GetParam().causality);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, QualityRatingTest,
                         ::testing::Values(RatingCase{100, QualityRating::kGood, QualityRating::kGood},
                                           RatingCase{99.9000001, QualityRating::kGood, QualityRating::kGood},
                                           RatingCase{99.9, QualityRating::kAcceptable, QualityRating::kGood},
                                           RatingCase{99, QualityRating::kInconclusive, QualityRating::kGood},
                                           RatingCase{80.5, QualityRating::kInconclusive,
                                                      QualityRating::kGood},
                                           RatingCase{80, QualityRating::kPoor, QualityRating::kAcceptable},
                                           RatingCase{50, QualityRating::kPoor, QualityRating::kInconclusive},
                                           RatingCase{20, QualityRating::kPoor, QualityRating::kPoor}));

TEST(NetworkQualityInParts, AgreesWithOnePart) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> part(-0.75, 0.75);
  const size_t points = 200000;
  BuiltNetwork network(2, points, [&](size_t) {
    return std::vector<Complex>{{part(random), part(random)},
                                {part(random), part(random)},
                                {part(random), part(random)},
                                {part(random), part(random)}};
  });
  PointQuality alonePoints;
  PointQuality splitPoints;
  NetworkQuality alone = assessNetwork(network.segment, 1, &alonePoints);
  NetworkQuality split = assessNetwork(network.segment, 4, &splitPoints);
  EXPECT_NEAR(split.passivity, alone.passivity, 1e-9);
  EXPECT_NEAR(split.reciprocity, alone.reciprocity, 1e-9);
  EXPECT_NEAR(split.causality, alone.causality, 1e-9);
  EXPECT_EQ(split.worstPassivityPoint, alone.worstPassivityPoint);
  EXPECT_EQ(split.worstReciprocityPoint, alone.worstReciprocityPoint);
  EXPECT_EQ(split.lowestMuPoint, alone.lowestMuPoint);
  EXPECT_EQ(split.notUnconditionallyStable.size(), alone.notUnconditionallyStable.size());
  EXPECT_EQ(splitPoints.mu, alonePoints.mu);
  EXPECT_GT(alone.pointsOverThreshold, 0u);
}

}  // namespace
}  // namespace korvel::testing
