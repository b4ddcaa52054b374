// Pairs of doubles worked on together, one in each lane, with the very
// IEEE operations a scalar computation would apply to each: what lets two
// independent calculations share instructions and keep their results bit
// for bit. Internal to rfcalc.
#ifndef KORVEL_RFCALC_LANES_H
#define KORVEL_RFCALC_LANES_H

#include <cmath>
#include <cstdint>

#include "rfcalc/complex_matrix.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel::kernels {

// One double per lane: two lanes, or four (two of those side by side,
// which processors with 256-bit registers take in one instruction).
using Lanes = double __attribute__((vector_size(16)));
using Lanes4 = double __attribute__((vector_size(32)));
// All ones in a lane where a comparison held, zero where it did not.
using LaneMask = std::int64_t __attribute__((vector_size(16)));
using LaneMask4 = std::int64_t __attribute__((vector_size(32)));

// The mask type and lane count of each width. Code written for any width
// takes the lanes as V; a function that takes four lanes must be inlined
// into its caller (a flattened one), as four lanes are passed in other
// registers on processors with 256-bit ones.
template <typename V>
struct LaneWidth;
template <>
struct LaneWidth<Lanes> {
  using Mask = LaneMask;
  static constexpr int kCount = 2;
};
template <>
struct LaneWidth<Lanes4> {
  using Mask = LaneMask4;
  static constexpr int kCount = 4;
};
template <typename V>
using MaskOf = typename LaneWidth<V>::Mask;

// `x` in every lane.
template <typename V>
inline V everyLane(double x) {
  V lanes;
  for (int lane = 0; lane < LaneWidth<V>::kCount; ++lane) lanes[lane] = x;
  return lanes;
}

// All ones in every lane.
template <typename M>
inline M allLanesSet() {
  return M{} == 0;
}

inline bool bothLanes(LaneMask mask) { return (mask[0] & mask[1]) != 0; }

// Each lane of `ifSet` where `where` is all ones, else of `otherwise`: a
// selection of bits, which no compiler turns into a branch.
template <typename V>
inline V laneSelect(MaskOf<V> where, V ifSet, V otherwise) {
  return reinterpret_cast<V>((reinterpret_cast<MaskOf<V>>(ifSet) & where) |
                             (reinterpret_cast<MaskOf<V>>(otherwise) & ~where));
}

// |x| in each lane: the sign bit cleared, as fabs does.
template <typename V>
inline V laneMagnitudes(V x) {
  return reinterpret_cast<V>(reinterpret_cast<MaskOf<V>>(x) & std::int64_t{0x7fffffffffffffff});
}

// The correctly rounded square root of each lane.
inline Lanes laneSquareRoots(Lanes x) {
#if defined(__SSE2__)
  return _mm_sqrt_pd(x);
#else
  return Lanes{std::sqrt(x[0]), std::sqrt(x[1])};
#endif
}

// Lanes where the squared parts' square root is the modulus (see modulus()).
template <typename V>
inline MaskOf<V> laneModulusSquareRoots(V squared) {
  return (squared >= 0x1p-900) & (squared <= 0x1p1000);
}

// modulus(a) and modulus(b), the square roots taken together where both
// moduli are square roots.
inline void modulusPair(DComplex a, DComplex b, double* modulusA, double* modulusB) {
  const Lanes re = {a.real(), b.real()};
  const Lanes im = {a.imag(), b.imag()};
  const Lanes squared = re * re + im * im;
  if (bothLanes(laneModulusSquareRoots(squared))) {
    const Lanes moduli = laneSquareRoots(squared);
    *modulusA = moduli[0];
    *modulusB = moduli[1];
    return;
  }
  *modulusA = modulus(a);
  *modulusB = modulus(b);
}

}  // namespace korvel::kernels

#endif  // KORVEL_RFCALC_LANES_H
