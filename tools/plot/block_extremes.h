// The extremes of a block of points against frequency, and the looks the
// reduction of a curve takes over its keys, several points at a time:
// framing and reducing a million-point curve looks at every point, and one
// point at a time those looks cost more than the reading of the values.
#ifndef KORVEL_TOOLS_PLOT_BLOCK_EXTREMES_H
#define KORVEL_TOOLS_PLOT_BLOCK_EXTREMES_H

#include <cstddef>

namespace korvel::plot {

// The smallest and largest finite frequency of a block, and the smallest
// and largest key at a finite frequency (keys that are not numbers left
// out), as a look point by point in order with `v < low ? v : low` and
// `v > high ? v : high` finds them (infinite and minus infinite where
// there is none). `settled` is false where that look could find other
// bits, or where the extremes are not the whole answer: an extreme that
// is zero (its sign is that of the first zero in order), or, with
// `valueWhereNoKey`, a key that is not a number at a finite frequency
// (that point's value itself is then asked for).
struct BlockExtremes {
  double lowFrequency;
  double highFrequency;
  double lowKey;
  double highKey;
  bool settled;
};

BlockExtremes blockExtremes(const double* frequencies, const double* keys, std::size_t count,
                            bool valueWhereNoKey);

// The smallest and largest of `count` keys (keys that are not numbers left
// out), as blockExtremes finds them; `settled` false where one is zero.
struct KeyExtremes {
  double low;
  double high;
  bool settled;
};

KeyExtremes keyExtremes(const double* keys, std::size_t count);

// The first of keys[from, count) that is not a number, or `count`.
std::size_t firstKeyless(const double* keys, std::size_t from, std::size_t count);

// The first of keys[from, count) that does not lie strictly between `low`
// and `high` (a key that is not a number does not), or `count`.
std::size_t firstOutside(const double* keys, std::size_t from, std::size_t count, double low, double high);

// How many times consecutive keys of the `count` go from at most
// `lowQuarter` straight to at least `highQuarter`, or back.
std::size_t quarterCrossings(const double* keys, std::size_t count, double lowQuarter, double highQuarter);

}  // namespace korvel::plot

#endif  // KORVEL_TOOLS_PLOT_BLOCK_EXTREMES_H
