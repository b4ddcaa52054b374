// Whether a network's data can be physical: the IEEE 370 frequency-domain
// quality metrics (passivity, reciprocity, causality) and the two-port
// stability factors K and mu, over one segment of S-parameter samples.
//
// Passivity judges the largest singular value of S at every point: in
// closed form for one- and two-ports, through the largest eigenvalue of the
// Hermitian matrix S^H S (Eigen's self-adjoint solver) for larger ones.
// Long segments are split over worker threads; every sum is taken per part
// and the parts added in order, so the result does not depend on timing.
#ifndef KORVEL_RFCALC_NETWORK_QUALITY_H
#define KORVEL_RFCALC_NETWORK_QUALITY_H

#include <complex>
#include <cstddef>
#include <vector>

namespace korvel {

// One segment of an n-port's scattering parameters: entry (i, j) is an array
// of `points` samples, each a real part followed by an imaginary part.
struct ScatteringSegment {
  size_t ports = 0;
  size_t points = 0;
  std::vector<const double*> entries;  // row-major, ports * ports of them
  std::complex<double> at(size_t row, size_t column, size_t point) const {
    const double* sample = entries[row * ports + column] + 2 * point;
    return {sample[0], sample[1]};
  }
};

// The largest singular value of the n x n matrix `s` (row-major).
double largestSingularValue(const std::complex<double>* s, size_t n);
// The same for a two-port, in closed form: the square root of the larger
// eigenvalue of S^H S, taken as (p + r)/2 + sqrt(((p - r)/2)^2 + |q|^2).
double largestSingularValue2(std::complex<double> s11, std::complex<double> s12, std::complex<double> s21,
                             std::complex<double> s22);

// Reciprocity error of one point: the sum over every i, j of |S_ij - S_ji|,
// divided by n(n - 1).
double reciprocityError(const std::complex<double>* s, size_t n);

struct TwoPortStability {
  double k;
  double mu;
};
// K = (1 - |S11|^2 - |S22|^2 + |D|^2) / (2 |S12 S21|) and
// mu = (1 - |S11|^2) / (|S22 - D conj(S11)| + |S12 S21|), D = S11 S22 - S12 S21.
TwoPortStability twoPortStability(std::complex<double> s11, std::complex<double> s12,
                                  std::complex<double> s21, std::complex<double> s22);

enum class QualityRating { kPoor, kInconclusive, kAcceptable, kGood };

// Passivity and reciprocity: good above 99.9, acceptable above 99,
// inconclusive above 80, else poor.
QualityRating passivityRating(double metric);
// Causality: good above 80, acceptable above 50, inconclusive above 20,
// else poor.
QualityRating causalityRating(double metric);
const char* ratingName(QualityRating rating);

// Thresholds of the metrics' weights.
inline constexpr double kPassivityThreshold = 1.00001;
inline constexpr double kReciprocityThreshold = 1e-6;
inline constexpr double kWeightScale = 0.1;

// A run of consecutive points, first and last included.
struct PointRange {
  size_t first;
  size_t last;
};

struct NetworkQuality {
  size_t points = 0;
  // Passivity: max(N - sum PW, 0) / N * 100.
  double passivity = 0.0;
  size_t pointsOverThreshold = 0;  // PM above 1.00001
  size_t worstPassivityPoint = 0;  // the largest PM
  double worstSingularValue = 0.0;
  // Reciprocity, defined from two ports up.
  bool reciprocityDefined = false;
  double reciprocity = 0.0;
  size_t worstReciprocityPoint = 0;  // the largest RM
  double worstReciprocityError = 0.0;
  size_t worstPairRow = 0;  // the pair (i < j) with the largest |S_ij - S_ji| there
  size_t worstPairColumn = 0;
  // Causality, defined from three points up: the lowest entry score.
  bool causalityDefined = false;
  double causality = 0.0;
  size_t worstEntryRow = 0;
  size_t worstEntryColumn = 0;
  std::vector<double> entryCausality;  // every entry's score, row-major
  // Two-port stability.
  bool twoPort = false;
  double lowestK = 0.0;
  size_t lowestKPoint = 0;
  double lowestMu = 0.0;
  size_t lowestMuPoint = 0;
  // The runs where mu is not above 1 (a mu that is not a number included):
  // not unconditionally stable there.
  std::vector<PointRange> notUnconditionallyStable;
};

// What is kept of every point, for a per-point listing.
struct PointQuality {
  std::vector<double> largestSingularValue;
  std::vector<double> reciprocityError;  // empty for a one-port
  std::vector<double> k;                 // empty unless a two-port
  std::vector<double> mu;
};

// Every metric of `segment`, on up to `maxThreads` threads (0: every usable
// processor). When `perPoint` is given, it receives the per-point values.
NetworkQuality assessNetwork(const ScatteringSegment& segment, unsigned maxThreads = 0,
                             PointQuality* perPoint = nullptr);

}  // namespace korvel

#endif  // KORVEL_RFCALC_NETWORK_QUALITY_H
