// Extremes of a block of points, a few lanes at a time.
#include "tools/plot/block_extremes.h"

#include <cstdint>
#include <cstring>
#include <limits>

// The lanes are only ever passed between always-inlined helpers.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace korvel::plot {

namespace {

// Four doubles where GCC builds them (one 256-bit register with AVX2, two
// 128-bit ones without); Clang refuses four lanes in the baseline build
// and gets two.
#if defined(__clang__)
constexpr std::size_t kLanes = 2;
using Lanes = double __attribute__((vector_size(16)));
using LaneMask = std::int64_t __attribute__((vector_size(16)));
#else
constexpr std::size_t kLanes = 4;
using Lanes = double __attribute__((vector_size(32)));
using LaneMask = std::int64_t __attribute__((vector_size(32)));
#endif

constexpr double kInfinity = std::numeric_limits<double>::infinity();

[[gnu::always_inline]] inline Lanes loadLanes(const double* from) {
  Lanes value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

// Each lane's `v < low ? v : low` where `use` is set: a value that is not
// a number never becomes the lowest.
[[gnu::always_inline]] inline Lanes lower(Lanes low, Lanes v, LaneMask use) {
  return (use & (v < low)) != 0 ? v : low;
}

[[gnu::always_inline]] inline Lanes higher(Lanes high, Lanes v, LaneMask use) {
  return (use & (v > high)) != 0 ? v : high;
}

[[gnu::always_inline]] inline double lowestLane(Lanes v) {
  double lowest = v[0];
  for (std::size_t k = 1; k < kLanes; ++k) lowest = v[k] < lowest ? v[k] : lowest;
  return lowest;
}

[[gnu::always_inline]] inline double highestLane(Lanes v) {
  double highest = v[0];
  for (std::size_t k = 1; k < kLanes; ++k) highest = v[k] > highest ? v[k] : highest;
  return highest;
}

[[gnu::always_inline]] inline bool anyLane(LaneMask mask) {
  for (std::size_t k = 0; k < kLanes; ++k) {
    if (mask[k] != 0) return true;
  }
  return false;
}

}  // namespace

// The lanes hold equal extremes with equal bits but for zeros, which
// leave the block unsettled: the order in which lanes are taken together
// then changes nothing.
[[gnu::target_clones("avx2", "default")]] BlockExtremes blockExtremes(const double* frequencies,
                                                                      const double* keys, std::size_t count,
                                                                      bool valueWhereNoKey) {
  Lanes lowFrequency = Lanes{} + kInfinity;
  Lanes highFrequency = Lanes{} - kInfinity;
  Lanes lowKey = lowFrequency;
  Lanes highKey = highFrequency;
  LaneMask keyless = {};
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes f = loadLanes(frequencies + i);
    const Lanes key = loadLanes(keys + i);
    const LaneMask finite = (f - f) == 0;
    lowFrequency = lower(lowFrequency, f, finite);
    highFrequency = higher(highFrequency, f, finite);
    lowKey = lower(lowKey, key, finite);
    highKey = higher(highKey, key, finite);
    keyless |= finite & (key != key);
  }
  BlockExtremes found{lowestLane(lowFrequency), highestLane(highFrequency), lowestLane(lowKey),
                      highestLane(highKey), true};
  bool anyKeyless = anyLane(keyless);
  for (; i < count; ++i) {
    const double f = frequencies[i];
    if (!(f - f == 0)) continue;
    found.lowFrequency = f < found.lowFrequency ? f : found.lowFrequency;
    found.highFrequency = f > found.highFrequency ? f : found.highFrequency;
    found.lowKey = keys[i] < found.lowKey ? keys[i] : found.lowKey;
    found.highKey = keys[i] > found.highKey ? keys[i] : found.highKey;
    anyKeyless = anyKeyless || keys[i] != keys[i];
  }
  found.settled = !(valueWhereNoKey && anyKeyless) && found.lowFrequency != 0 && found.highFrequency != 0 &&
                  found.lowKey != 0 && found.highKey != 0;
  return found;
}

[[gnu::target_clones("avx2", "default")]] KeyExtremes keyExtremes(const double* keys, std::size_t count) {
  Lanes low = Lanes{} + kInfinity;
  Lanes high = Lanes{} - kInfinity;
  const LaneMask every = ~LaneMask{};
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes key = loadLanes(keys + i);
    low = lower(low, key, every);
    high = higher(high, key, every);
  }
  KeyExtremes found{lowestLane(low), highestLane(high), true};
  for (; i < count; ++i) {
    found.low = keys[i] < found.low ? keys[i] : found.low;
    found.high = keys[i] > found.high ? keys[i] : found.high;
  }
  found.settled = found.low != 0 && found.high != 0;
  return found;
}

[[gnu::target_clones("avx2", "default")]] std::size_t firstKeyless(const double* keys, std::size_t from,
                                                                   std::size_t count) {
  std::size_t i = from;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes key = loadLanes(keys + i);
    if (anyLane(key != key)) break;
  }
  for (; i < count; ++i) {
    if (keys[i] != keys[i]) return i;
  }
  return count;
}

[[gnu::target_clones("avx2", "default")]] std::size_t firstOutside(const double* keys, std::size_t from,
                                                                   std::size_t count, double low,
                                                                   double high) {
  std::size_t i = from;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes key = loadLanes(keys + i);
    if (anyLane(~((key > low) & (key < high)))) break;
  }
  for (; i < count; ++i) {
    if (!(keys[i] > low && keys[i] < high)) return i;
  }
  return count;
}

[[gnu::target_clones("avx2", "default")]] std::size_t quarterCrossings(const double* keys, std::size_t count,
                                                                       double lowQuarter,
                                                                       double highQuarter) {
  if (count < 2) return 0;
  // A key's side: low where it is at most the low quarter and not at least
  // the high one, high the other way round; point i + 1 against point i,
  // lane by lane.
  LaneMask crossings = {};
  std::size_t i = 0;
  for (; i + 1 + kLanes <= count; i += kLanes) {
    const Lanes before = loadLanes(keys + i);
    const Lanes after = loadLanes(keys + i + 1);
    const LaneMask lowBefore = (before <= lowQuarter) & ~(before >= highQuarter);
    const LaneMask highBefore = (before >= highQuarter) & ~(before <= lowQuarter);
    const LaneMask lowAfter = (after <= lowQuarter) & ~(after >= highQuarter);
    const LaneMask highAfter = (after >= highQuarter) & ~(after <= lowQuarter);
    // A set lane is -1.
    crossings -= (lowBefore & highAfter) | (highBefore & lowAfter);
  }
  std::size_t total = 0;
  for (std::size_t k = 0; k < kLanes; ++k) total += static_cast<std::size_t>(crossings[k]);
  auto side = [&](double key) {
    return static_cast<int>(key >= highQuarter) - static_cast<int>(key <= lowQuarter);
  };
  for (; i + 1 < count; ++i) total += static_cast<std::size_t>(side(keys[i]) * side(keys[i + 1]) < 0);
  return total;
}

}  // namespace korvel::plot
