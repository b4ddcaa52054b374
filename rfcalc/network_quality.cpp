// The quality metrics and two-port stability of a network's S-parameters.
#include "rfcalc/network_quality.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "parallel/worker_threads.h"

namespace korvel {

namespace {

using Complex = std::complex<double>;

// A segment is split over threads from about this many matrix entries of
// work (points times entries); below it one thread is quicker.
constexpr size_t kEntriesPerPart = 40000;

double squaredModulus(Complex z) { return z.real() * z.real() + z.imag() * z.imag(); }
// |z| without hypot's guard against overflow, which S-parameters never need
// and which costs more than the rest of a point's metrics.
double modulus(Complex z) { return std::sqrt(squaredModulus(z)); }

// The largest singular value of matrices of one size, reusing the solver's
// memory from point to point.
class SingularValueSolver {
 public:
  explicit SingularValueSolver(size_t n)
      : n_(static_cast<Eigen::Index>(n)), matrix_(n_, n_), gram_(n_, n_), solver_(n_) {}

  double largest(const Complex* s) {
    for (Eigen::Index i = 0; i < n_; ++i) {
      for (Eigen::Index j = 0; j < n_; ++j) {
        Complex value = s[i * n_ + j];
        if (!std::isfinite(value.real()) || !std::isfinite(value.imag()))
          return std::numeric_limits<double>::quiet_NaN();
        matrix_(i, j) = value;
      }
    }
    gram_.noalias() = matrix_.adjoint() * matrix_;
    solver_.compute(gram_, Eigen::EigenvaluesOnly);
    if (solver_.info() != Eigen::Success) return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt(std::max(solver_.eigenvalues().maxCoeff(), 0.0));
  }

 private:
  Eigen::Index n_;
  Eigen::MatrixXcd matrix_;
  Eigen::MatrixXcd gram_;
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXcd> solver_;
};

// What one part of the points contributes; parts are added in order.
struct PartSums {
  double passivityWeight = 0.0;
  size_t pointsOver = 0;
  double worstSingularValue = -1.0;
  size_t worstSingularPoint = 0;
  double reciprocityWeight = 0.0;
  double worstReciprocity = -1.0;
  size_t worstReciprocityPoint = 0;
  std::vector<double> positive;  // per entry: sum of the positive R_k
  std::vector<double> absolute;  // per entry: sum of |R_k|
  double lowestK = std::numeric_limits<double>::infinity();
  size_t lowestKPoint = 0;
  double lowestMu = std::numeric_limits<double>::infinity();
  size_t lowestMuPoint = 0;
  bool anyK = false;
  bool anyMu = false;
  std::vector<PointRange> unstable;
};

// R_k of the causality metric for k in [begin, end) of one entry.
void addCausality(const double* samples, size_t begin, size_t end, double* positive, double* absolute) {
  double sumPositive = 0.0;
  double sumAbsolute = 0.0;
  for (size_t k = begin; k < end; ++k) {
    const double* s = samples + 2 * k;
    double vRe = s[2] - s[0];
    double vIm = s[3] - s[1];
    double nextRe = s[4] - s[2];
    double nextIm = s[5] - s[3];
    double r = nextRe * vIm - nextIm * vRe;
    if (r > 0.0) sumPositive += r;
    sumAbsolute += std::fabs(r);
  }
  *positive = sumPositive;
  *absolute = sumAbsolute;
}

void notePassivity(double pm, size_t point, PartSums* sums) {
  if (pm > kPassivityThreshold) {
    sums->passivityWeight += (pm - kPassivityThreshold) / kWeightScale;
    ++sums->pointsOver;
  }
  if (pm > sums->worstSingularValue || (std::isnan(pm) && !std::isnan(sums->worstSingularValue))) {
    sums->worstSingularValue = pm;
    sums->worstSingularPoint = point;
  }
}

void noteReciprocity(double rm, size_t point, PartSums* sums) {
  if (rm > kReciprocityThreshold) sums->reciprocityWeight += (rm - kReciprocityThreshold) / kWeightScale;
  if (rm > sums->worstReciprocity) {
    sums->worstReciprocity = rm;
    sums->worstReciprocityPoint = point;
  }
}

void noteStability(const TwoPortStability& st, size_t point, PartSums* sums) {
  if (!std::isnan(st.k) && (st.k < sums->lowestK || !sums->anyK)) {
    sums->lowestK = st.k;
    sums->lowestKPoint = point;
    sums->anyK = true;
  }
  if (!std::isnan(st.mu) && (st.mu < sums->lowestMu || !sums->anyMu)) {
    sums->lowestMu = st.mu;
    sums->lowestMuPoint = point;
    sums->anyMu = true;
  }
  if (!(st.mu > 1.0)) {
    if (!sums->unstable.empty() && sums->unstable.back().last + 1 == point) {
      sums->unstable.back().last = point;
    } else {
      sums->unstable.push_back({point, point});
    }
  }
}

// Every per-point figure of points [begin, end), and the causality terms
// R_k for k in [begin, min(end, N - 2)).
void assessPart(const ScatteringSegment& segment, size_t begin, size_t end, PointQuality* perPoint,
                PartSums* sums) {
  const size_t n = segment.ports;
  std::vector<Complex> matrix(n * n);
  std::unique_ptr<SingularValueSolver> solver;
  if (n > 2) solver = std::make_unique<SingularValueSolver>(n);
  for (size_t k = begin; k < end; ++k) {
    for (size_t e = 0; e < n * n; ++e) {
      const double* sample = segment.entries[e] + 2 * k;
      matrix[e] = {sample[0], sample[1]};
    }
    double pm = 0.0;
    if (n == 1) {
      pm = modulus(matrix[0]);
    } else if (n == 2) {
      pm = largestSingularValue2(matrix[0], matrix[1], matrix[2], matrix[3]);
    } else {
      pm = solver->largest(matrix.data());
    }
    notePassivity(pm, k, sums);
    if (perPoint != nullptr) perPoint->largestSingularValue[k] = pm;
    if (n > 1) {
      double rm = reciprocityError(matrix.data(), n);
      noteReciprocity(rm, k, sums);
      if (perPoint != nullptr) perPoint->reciprocityError[k] = rm;
    }
    if (n == 2) {
      TwoPortStability st = twoPortStability(matrix[0], matrix[1], matrix[2], matrix[3]);
      noteStability(st, k, sums);
      if (perPoint != nullptr) {
        perPoint->k[k] = st.k;
        perPoint->mu[k] = st.mu;
      }
    }
  }
  sums->positive.assign(n * n, 0.0);
  sums->absolute.assign(n * n, 0.0);
  size_t causalEnd = std::min(end, segment.points >= 2 ? segment.points - 2 : 0);
  if (begin >= causalEnd) return;
  for (size_t e = 0; e < n * n; ++e) {
    addCausality(segment.entries[e], begin, causalEnd, &sums->positive[e], &sums->absolute[e]);
  }
}

void mergePassivity(const std::vector<PartSums>& parts, NetworkQuality* quality) {
  double weight = 0.0;
  double worst = -1.0;
  for (const PartSums& part : parts) {
    weight += part.passivityWeight;
    quality->pointsOverThreshold += part.pointsOver;
    if (part.worstSingularValue > worst || (std::isnan(part.worstSingularValue) && !std::isnan(worst))) {
      worst = part.worstSingularValue;
      quality->worstPassivityPoint = part.worstSingularPoint;
    }
  }
  double count = static_cast<double>(quality->points);
  quality->passivity = std::max(count - weight, 0.0) / count * 100.0;
  quality->worstSingularValue = worst;
}

void mergeReciprocity(const std::vector<PartSums>& parts, const ScatteringSegment& segment,
                      NetworkQuality* quality) {
  const size_t n = segment.ports;
  quality->reciprocityDefined = n > 1;
  if (n < 2) return;
  double weight = 0.0;
  double worst = -1.0;
  for (const PartSums& part : parts) {
    weight += part.reciprocityWeight;
    if (part.worstReciprocity > worst) {
      worst = part.worstReciprocity;
      quality->worstReciprocityPoint = part.worstReciprocityPoint;
    }
  }
  double count = static_cast<double>(quality->points);
  quality->reciprocity = std::max(count - weight, 0.0) / count * 100.0;
  quality->worstReciprocityError = worst;
  double largest = -1.0;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      double d = modulus(segment.at(i, j, quality->worstReciprocityPoint) -
                         segment.at(j, i, quality->worstReciprocityPoint));
      if (d > largest) {
        largest = d;
        quality->worstPairRow = i;
        quality->worstPairColumn = j;
      }
    }
  }
}

void mergeCausality(const std::vector<PartSums>& parts, const ScatteringSegment& segment,
                    NetworkQuality* quality) {
  const size_t entries = segment.ports * segment.ports;
  quality->causalityDefined = segment.points >= 3;
  if (!quality->causalityDefined) return;
  quality->entryCausality.assign(entries, 100.0);
  quality->causality = std::numeric_limits<double>::infinity();
  for (size_t e = 0; e < entries; ++e) {
    double positive = 0.0;
    double absolute = 0.0;
    for (const PartSums& part : parts) {
      positive += part.positive[e];
      absolute += part.absolute[e];
    }
    double score = absolute > 0.0 ? 100.0 * positive / absolute : 100.0;
    quality->entryCausality[e] = score;
    if (score < quality->causality) {
      quality->causality = score;
      quality->worstEntryRow = e / segment.ports;
      quality->worstEntryColumn = e % segment.ports;
    }
  }
}

void mergeStability(const std::vector<PartSums>& parts, NetworkQuality* quality) {
  quality->lowestK = std::numeric_limits<double>::quiet_NaN();
  quality->lowestMu = std::numeric_limits<double>::quiet_NaN();
  for (const PartSums& part : parts) {
    if (part.anyK && !(part.lowestK >= quality->lowestK)) {
      quality->lowestK = part.lowestK;
      quality->lowestKPoint = part.lowestKPoint;
    }
    if (part.anyMu && !(part.lowestMu >= quality->lowestMu)) {
      quality->lowestMu = part.lowestMu;
      quality->lowestMuPoint = part.lowestMuPoint;
    }
    for (const PointRange& range : part.unstable) {
      auto& runs = quality->notUnconditionallyStable;
      if (!runs.empty() && runs.back().last + 1 == range.first) {
        runs.back().last = range.last;
      } else {
        runs.push_back(range);
      }
    }
  }
}

}  // namespace

double largestSingularValue2(Complex s11, Complex s12, Complex s21, Complex s22) {
  // S^H S = [[p, q], [conj(q), r]]; its larger eigenvalue without the
  // cancellation of (T + sqrt(T^2 - 4|det S|^2)) / 2 when both are close.
  double p = squaredModulus(s11) + squaredModulus(s21);
  double r = squaredModulus(s12) + squaredModulus(s22);
  Complex q = std::conj(s11) * s12 + std::conj(s21) * s22;
  double half = 0.5 * (p - r);
  double larger = 0.5 * (p + r) + std::sqrt(half * half + squaredModulus(q));
  return std::sqrt(larger);
}

double largestSingularValue(const Complex* s, size_t n) {
  if (n == 0) return 0.0;
  if (n == 1) return modulus(s[0]);
  if (n == 2) return largestSingularValue2(s[0], s[1], s[2], s[3]);
  SingularValueSolver solver(n);
  return solver.largest(s);
}

double reciprocityError(const Complex* s, size_t n) {
  if (n < 2) return 0.0;
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) sum += modulus(s[i * n + j] - s[j * n + i]);
  }
  return sum / static_cast<double>(n * (n - 1));
}

TwoPortStability twoPortStability(Complex s11, Complex s12, Complex s21, Complex s22) {
  Complex delta = s11 * s22 - s12 * s21;
  double loop = modulus(s12 * s21);
  double s11Squared = squaredModulus(s11);
  TwoPortStability result{};
  result.k = (1.0 - s11Squared - squaredModulus(s22) + squaredModulus(delta)) / (2.0 * loop);
  result.mu = (1.0 - s11Squared) / (modulus(s22 - delta * std::conj(s11)) + loop);
  return result;
}

QualityRating passivityRating(double metric) {
  if (metric > 99.9) return QualityRating::kGood;
  if (metric > 99.0) return QualityRating::kAcceptable;
  if (metric > 80.0) return QualityRating::kInconclusive;
  return QualityRating::kPoor;
}

QualityRating causalityRating(double metric) {
  if (metric > 80.0) return QualityRating::kGood;
  if (metric > 50.0) return QualityRating::kAcceptable;
  if (metric > 20.0) return QualityRating::kInconclusive;
  return QualityRating::kPoor;
}

const char* ratingName(QualityRating rating) {
  switch (rating) {
    case QualityRating::kGood:
      return "good";
    case QualityRating::kAcceptable:
      return "acceptable";
    case QualityRating::kInconclusive:
      return "inconclusive";
    case QualityRating::kPoor:
      break;
  }
  return "poor";
}

NetworkQuality assessNetwork(const ScatteringSegment& segment, unsigned maxThreads, PointQuality* perPoint) {
  NetworkQuality quality;
  quality.points = segment.points;
  quality.twoPort = segment.ports == 2;
  if (segment.points == 0 || segment.ports == 0 || segment.entries.size() != segment.ports * segment.ports)
    return quality;
  if (perPoint != nullptr) {
    perPoint->largestSingularValue.assign(segment.points, 0.0);
    perPoint->reciprocityError.assign(segment.ports > 1 ? segment.points : 0, 0.0);
    perPoint->k.assign(quality.twoPort ? segment.points : 0, 0.0);
    perPoint->mu.assign(quality.twoPort ? segment.points : 0, 0.0);
  }
  unsigned parts = 1;
  if (!kCallingThreadOnly) {
    unsigned usable = maxThreads != 0 ? maxThreads : usableProcessorCount();
    size_t work = segment.points * segment.ports * segment.ports;
    size_t wanted = std::max<size_t>(work / kEntriesPerPart, 1);
    parts = static_cast<unsigned>(std::min<size_t>({wanted, usable, segment.points}));
  }
  std::vector<PartSums> sums(parts);
  runInParts(parts, [&](unsigned index) {
    SampleRange range = rangeOf(segment.points, parts, index);
    assessPart(segment, range.begin, range.end, perPoint, &sums[index]);
  });
  mergePassivity(sums, &quality);
  mergeReciprocity(sums, segment, &quality);
  mergeCausality(sums, segment, &quality);
  if (quality.twoPort) mergeStability(sums, &quality);
  return quality;
}

}  // namespace korvel
