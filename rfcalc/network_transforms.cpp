// Renormalisation, mixed-mode transformation and hybrid matrices.
#include "rfcalc/network_transforms.h"

#include <cmath>
#include <limits>
#include <string>

namespace korvel {

namespace {

unsigned dimension(int n) { return n > 0 ? static_cast<unsigned>(n) : 0u; }

size_t at(int row, int col, int n) {
  return static_cast<size_t>(row) * static_cast<size_t>(n) + static_cast<size_t>(col);
}

// A single-ended port's share in a mode row: its sign and whether the
// row is a pair (1/sqrt 2) or a single port (1).
struct Share {
  double sign = 0.0;
  bool paired = false;
};

Share shareOf(const ModeRow& row, int port) {
  if (row.mode == 'S') return {row.first == port ? 1.0 : 0.0, false};
  if (row.first == port) return {1.0, true};
  if (row.second == port) return {row.mode == 'D' ? -1.0 : 1.0, true};
  return {};
}

// The product of two shares, formed so that two pair shares give exactly
// one half.
double shareProduct(Share a, Share b) {
  double sign = a.sign * b.sign;
  if (a.paired && b.paired) return 0.5 * sign;
  if (a.paired || b.paired) return M_SQRT1_2 * sign;
  return sign;
}

// The ports a mode row takes.
int portsOf(const ModeRow& row, int ports[2]) {
  ports[0] = row.first;
  ports[1] = row.second;
  return row.mode == 'S' ? 1 : 2;
}

}  // namespace

RenormalisationWork::RenormalisationWork(int n)
    : n_(n),
      left_(dimension(n), dimension(n), 0.0),
      right_(dimension(n), dimension(n), 0.0),
      product_(dimension(n), dimension(n), 0.0),
      record_(n) {}

bool RenormalisationWork::renormalise(const DComplex* s, const double* from, const double* to,
                                      DComplex* result) {
  int n = n_;
  std::vector<double> p(dimension(n));
  std::vector<double> k(dimension(n));
  for (int i = 0; i < n; ++i) {
    size_t u = static_cast<size_t>(i);
    p[u] = (to[u] - from[u]) / (to[u] + from[u]);
    k[u] = (from[u] + to[u]) / (2.0 * std::sqrt(from[u] * to[u]));
  }
  // left = S - P, right = I - P S.
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      DComplex value = s[at(r, c, n)];
      double diagonal = r == c ? 1.0 : 0.0;
      left_(static_cast<size_t>(r), static_cast<size_t>(c)) = value - diagonal * p[static_cast<size_t>(r)];
      right_(static_cast<size_t>(r), static_cast<size_t>(c)) = diagonal - p[static_cast<size_t>(r)] * value;
    }
  }
  if (invertMatrixAnySize(right_, n, record_) != kInverted) {
    for (size_t e = 0; e < at(n, 0, n); ++e) {
      result[e] =
          DComplex(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());
    }
    return false;
  }
  multiplyMatricesAnySize(left_, right_, n, &product_);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      double scale = k[static_cast<size_t>(r)] / k[static_cast<size_t>(c)];
      result[at(r, c, n)] = product_(static_cast<size_t>(r), static_cast<size_t>(c)) * scale;
    }
  }
  return true;
}

std::string checkModeRows(const std::vector<ModeRow>& rows, int n) {
  if (static_cast<int>(rows.size()) != n) {
    return std::to_string(rows.size()) + " modes for " + std::to_string(n) + " ports";
  }
  std::vector<int> taken(dimension(n), 0);
  for (const ModeRow& row : rows) {
    int ports[2];
    int count = portsOf(row, ports);
    if (row.mode != 'S' && row.mode != 'D' && row.mode != 'C') return "unknown mode letter";
    if (count == 2 && row.first == row.second) {
      return "a pair of port " + std::to_string(row.first + 1) + " with itself";
    }
    for (int i = 0; i < count; ++i) {
      if (ports[i] < 0 || ports[i] >= n) {
        return "port " + std::to_string(ports[i] + 1) + " is not among the " + std::to_string(n) + " ports";
      }
      ++taken[static_cast<size_t>(ports[i])];
    }
    if (row.mode != 'S') {
      char other = row.mode == 'D' ? 'C' : 'D';
      bool found = false;
      for (const ModeRow& match : rows) {
        found = found || (match.mode == other && match.first == row.first && match.second == row.second);
      }
      if (!found) {
        return std::string(1, row.mode) + std::to_string(row.first + 1) + "," +
               std::to_string(row.second + 1) + " has no " + std::string(1, other) + " pair";
      }
    }
  }
  for (int port = 0; port < n; ++port) {
    int expected = 1;
    for (const ModeRow& row : rows) {
      if (row.mode == 'D' && (row.first == port || row.second == port)) expected = 2;
    }
    if (taken[static_cast<size_t>(port)] != expected) {
      return "port " + std::to_string(port + 1) +
             " is not taken exactly once as a single port or in one pair";
    }
  }
  return {};
}

namespace {

// Calls visit(k, l, i, j, M(k, i) M(l, j)) for every mode row k and l and
// every port i of row k and j of row l: the one walk over the transformation
// that both directions take, in the same order.
template <typename Visit>
void forEachShare(const std::vector<ModeRow>& rows, Visit visit) {
  int n = static_cast<int>(rows.size());
  for (int k = 0; k < n; ++k) {
    int rowPorts[2];
    int rowCount = portsOf(rows[static_cast<size_t>(k)], rowPorts);
    for (int l = 0; l < n; ++l) {
      int colPorts[2];
      int colCount = portsOf(rows[static_cast<size_t>(l)], colPorts);
      for (int a = 0; a < rowCount; ++a) {
        for (int b = 0; b < colCount; ++b) {
          double factor = shareProduct(shareOf(rows[static_cast<size_t>(k)], rowPorts[a]),
                                       shareOf(rows[static_cast<size_t>(l)], colPorts[b]));
          visit(k, l, rowPorts[a], colPorts[b], factor);
        }
      }
    }
  }
}

}  // namespace

void mixedModeScattering(const DComplex* s, const std::vector<ModeRow>& rows, DComplex* result) {
  int n = static_cast<int>(rows.size());
  for (size_t e = 0; e < at(n, 0, n); ++e) result[e] = 0.0;
  // S_mm(k, l) = sum over i, j of M(k, i) S_se(i, j) M(l, j).
  forEachShare(rows, [&](int k, int l, int i, int j, double factor) {
    result[at(k, l, n)] += factor * s[at(i, j, n)];
  });
}

void singleEndedScattering(const DComplex* s, const std::vector<ModeRow>& rows, DComplex* result) {
  int n = static_cast<int>(rows.size());
  for (size_t e = 0; e < at(n, 0, n); ++e) result[e] = 0.0;
  // S_se(i, j) = sum over k, l of M(k, i) S_mm(k, l) M(l, j).
  forEachShare(rows, [&](int k, int l, int i, int j, double factor) {
    result[at(i, j, n)] += factor * s[at(k, l, n)];
  });
}

void hybridFromAdmittance(const DComplex* y, DComplex* h) {
  DComplex determinant = y[0] * y[3] - y[1] * y[2];
  h[0] = 1.0 / y[0];
  h[1] = -y[1] / y[0];
  h[2] = y[2] / y[0];
  h[3] = determinant / y[0];
}

void inverseHybridFromImpedance(const DComplex* z, DComplex* g) {
  DComplex determinant = z[0] * z[3] - z[1] * z[2];
  g[0] = 1.0 / z[0];
  g[1] = -z[1] / z[0];
  g[2] = z[2] / z[0];
  g[3] = determinant / z[0];
}

}  // namespace korvel
