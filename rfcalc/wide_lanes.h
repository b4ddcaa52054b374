// The vector lanes the planar and block kernels work in. Four doubles: one
// 256-bit register where the processor has them, two 128-bit ones
// elsewhere, the same operations on each lane either way. Clang refuses
// four-lane values in the baseline build even where the helpers are
// inlined, and gets two lanes, one 128-bit register, instead. The files
// that include this one build their entry points for AVX2 and for the
// baseline, the loader picking one; every helper here is always inlined,
// so no call passes lanes in registers whose convention the two builds
// would disagree on. No FMA is enabled, so nothing is contracted.
// Internal to rfcalc.
#ifndef KORVEL_RFCALC_WIDE_LANES_H
#define KORVEL_RFCALC_WIDE_LANES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace korvel::kernels {

#if defined(__clang__)
inline constexpr size_t kLanes = 2;
using Wide = double __attribute__((vector_size(16)));
using WideMask = std::int64_t __attribute__((vector_size(16)));
#else
inline constexpr size_t kLanes = 4;
using Wide = double __attribute__((vector_size(32)));
using WideMask = std::int64_t __attribute__((vector_size(32)));
#endif

// The lanes of a vector of type V at `from`, whatever its alignment.
template <typename V>
[[gnu::always_inline]] inline V loadVector(const void* from) {
  V value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

template <typename V>
[[gnu::always_inline]] inline void storeVector(void* to, V value) {
  std::memcpy(to, &value, sizeof value);
}

[[gnu::always_inline]] inline Wide loadLanes(const double* from) { return loadVector<Wide>(from); }

[[gnu::always_inline]] inline void storeLanes(double* to, Wide value) { storeVector(to, value); }

}  // namespace korvel::kernels

#pragma GCC diagnostic pop

#endif  // KORVEL_RFCALC_WIDE_LANES_H
