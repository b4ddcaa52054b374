// The table behind the dB conversion of complex_conversion.h, and the
// conversion of many pairs four at a time.
// The four-lane values here never cross a call that is not inlined (every
// function they pass through is always inlined), so the note that passing
// them by value differs between processors' ABIs concerns nothing here.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "text/complex_conversion.h"

#include <algorithm>

namespace korvel::polar {

// 2^(j/64): the double nearest to it, and the double nearest to the rest.
const double kPowersOfTwo[64][2] = {
    {0x1p+0, 0x0p+0},
    {0x1.02c9a3e778061p+0, -0x1.19083535b085dp-56},
    {0x1.059b0d3158574p+0, 0x1.d73e2a475b465p-55},
    {0x1.0874518759bc8p+0, 0x1.186be4bb284ffp-57},
    {0x1.0b5586cf9890fp+0, 0x1.8a62e4adc610bp-54},
    {0x1.0e3ec32d3d1a2p+0, 0x1.03a1727c57b52p-59},
    {0x1.11301d0125b51p+0, -0x1.6c51039449b3ap-54},
    {0x1.1429aaea92dep+0, -0x1.32fbf9af1369ep-54},
    {0x1.172b83c7d517bp+0, -0x1.19041b9d78a76p-55},
    {0x1.1a35beb6fcb75p+0, 0x1.e5b4c7b4968e4p-55},
    {0x1.1d4873168b9aap+0, 0x1.e016e00a2643cp-54},
    {0x1.2063b88628cd6p+0, 0x1.dc775814a8495p-55},
    {0x1.2387a6e756238p+0, 0x1.9b07eb6c70573p-54},
    {0x1.26b4565e27cddp+0, 0x1.2bd339940e9d9p-55},
    {0x1.29e9df51fdee1p+0, 0x1.612e8afad1255p-55},
    {0x1.2d285a6e4030bp+0, 0x1.0024754db41d5p-54},
    {0x1.306fe0a31b715p+0, 0x1.6f46ad23182e4p-55},
    {0x1.33c08b26416ffp+0, 0x1.32721843659a6p-54},
    {0x1.371a7373aa9cbp+0, -0x1.63aeabf42eae2p-54},
    {0x1.3a7db34e59ff7p+0, -0x1.5e436d661f5e3p-56},
    {0x1.3dea64c123422p+0, 0x1.ada0911f09ebcp-55},
    {0x1.4160a21f72e2ap+0, -0x1.ef3691c309278p-58},
    {0x1.44e086061892dp+0, 0x1.89b7a04ef80dp-59},
    {0x1.486a2b5c13cdp+0, 0x1.3c1a3b69062fp-56},
    {0x1.4bfdad5362a27p+0, 0x1.d4397afec42e2p-56},
    {0x1.4f9b2769d2ca7p+0, -0x1.4b309d25957e3p-54},
    {0x1.5342b569d4f82p+0, -0x1.07abe1db13cadp-55},
    {0x1.56f4736b527dap+0, 0x1.9bb2c011d93adp-54},
    {0x1.5ab07dd485429p+0, 0x1.6324c054647adp-54},
    {0x1.5e76f15ad2148p+0, 0x1.ba6f93080e65ep-54},
    {0x1.6247eb03a5585p+0, -0x1.383c17e40b497p-54},
    {0x1.6623882552225p+0, -0x1.bb60987591c34p-54},
    {0x1.6a09e667f3bcdp+0, -0x1.bdd3413b26456p-54},
    {0x1.6dfb23c651a2fp+0, -0x1.bbe3a683c88abp-57},
    {0x1.71f75e8ec5f74p+0, -0x1.16e4786887a99p-55},
    {0x1.75feb564267c9p+0, -0x1.0245957316dd3p-54},
    {0x1.7a11473eb0187p+0, -0x1.41577ee04992fp-55},
    {0x1.7e2f336cf4e62p+0, 0x1.05d02ba15797ep-56},
    {0x1.82589994cce13p+0, -0x1.d4c1dd41532d8p-54},
    {0x1.868d99b4492edp+0, -0x1.fc6f89bd4f6bap-54},
    {0x1.8ace5422aa0dbp+0, 0x1.6e9f156864b27p-54},
    {0x1.8f1ae99157736p+0, 0x1.5cc13a2e3976cp-55},
    {0x1.93737b0cdc5e5p+0, -0x1.75fc781b57ebcp-57},
    {0x1.97d829fde4e5p+0, -0x1.d185b7c1b85d1p-54},
    {0x1.9c49182a3f09p+0, 0x1.c7c46b071f2bep-56},
    {0x1.a0c667b5de565p+0, -0x1.359495d1cd533p-54},
    {0x1.a5503b23e255dp+0, -0x1.d2f6edb8d41e1p-54},
    {0x1.a9e6b5579fdbfp+0, 0x1.0fac90ef7fd31p-54},
    {0x1.ae89f995ad3adp+0, 0x1.7a1cd345dcc81p-54},
    {0x1.b33a2b84f15fbp+0, -0x1.2805e3084d708p-57},
    {0x1.b7f76f2fb5e47p+0, -0x1.5584f7e54ac3bp-56},
    {0x1.bcc1e904bc1d2p+0, 0x1.23dd07a2d9e84p-55},
    {0x1.c199bdd85529cp+0, 0x1.11065895048ddp-55},
    {0x1.c67f12e57d14bp+0, 0x1.2884dff483cadp-54},
    {0x1.cb720dcef9069p+0, 0x1.503cbd1e949dbp-56},
    {0x1.d072d4a07897cp+0, -0x1.cbc3743797a9cp-54},
    {0x1.d5818dcfba487p+0, 0x1.2ed02d75b3707p-55},
    {0x1.da9e603db3285p+0, 0x1.c2300696db532p-54},
    {0x1.dfc97337b9b5fp+0, -0x1.1a5cd4f184b5cp-54},
    {0x1.e502ee78b3ff6p+0, 0x1.39e8980a9cc8fp-55},
    {0x1.ea4afa2a490dap+0, -0x1.e9c23179c2893p-54},
    {0x1.efa1bee615a27p+0, 0x1.dc7f486a4b6bp-54},
    {0x1.f50765b6e454p+0, 0x1.9d3e12dd8a18bp-54},
    {0x1.fa7c1819e90d8p+0, 0x1.74853f3a5931ep-55},
};

}  // namespace korvel::polar

namespace korvel {

namespace polar {

// Four doubles side by side, and the bits of each.
using Lanes4 = double __attribute__((vector_size(32)));
using Lanes4Bits = std::int64_t __attribute__((vector_size(32)));

template <>
struct Lane<Lanes4> {
  using Bits = Lanes4Bits;
  [[gnu::always_inline]] static Lanes4 every(double x) { return Lanes4{x, x, x, x}; }
  [[gnu::always_inline]] static Bits bitsOf(Lanes4 x) { return reinterpret_cast<Bits>(x); }
  [[gnu::always_inline]] static Lanes4 choose(Bits where, Lanes4 ifSet, Lanes4 otherwise) {
    return reinterpret_cast<Lanes4>((bitsOf(ifSet) & where) | (bitsOf(otherwise) & ~where));
  }
  [[gnu::always_inline]] static void powerOfTwo(Bits index, Lanes4* high, Lanes4* low) {
    for (int lane = 0; lane < 4; ++lane) {
      double laneHigh;
      double laneLow;
      Lane<double>::powerOfTwo(index[lane], &laneHigh, &laneLow);
      (*high)[lane] = laneHigh;
      (*low)[lane] = laneLow;
    }
  }
  [[gnu::always_inline]] static Lanes4 scaleOfSteps(Bits steps) {
    using Unsigned = std::uint64_t __attribute__((vector_size(32)));
    const Unsigned whole = reinterpret_cast<Unsigned>(steps) & ~std::uint64_t{63};
    return reinterpret_cast<Lanes4>((whole << 46) + (std::uint64_t{1023} << 52));
  }
};

}  // namespace polar

namespace {

using polar::Lanes4;
using polar::Lanes4Bits;

// |x| in each lane: the sign bit cleared, as fabs does.
[[gnu::always_inline]] inline Lanes4 magnitudes(Lanes4 x) {
  return reinterpret_cast<Lanes4>(reinterpret_cast<Lanes4Bits>(x) & std::int64_t{0x7fffffffffffffff});
}

[[gnu::always_inline]] inline bool anyLane(Lanes4Bits mask) {
  return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

// The four pairs (a, c) at `samples` in dB (`db`) or linear magnitude with
// angles in degrees, into real and imaginary parts, as convertComplex
// does each: the angles and dB values it hands to the library first
// taken out of the lanes.
[[gnu::always_inline]] inline void convertFour(bool db, double* samples) {
  const Lanes4 a = {samples[0], samples[2], samples[4], samples[6]};
  Lanes4 c = {samples[1], samples[3], samples[5], samples[7]};
  // Not (|c| < kLargeAngle): not a number, infinite or large.
  if (anyLane((magnitudes(c) < polar::kLargeAngle) == 0)) {
    for (int lane = 0; lane < 4; ++lane) {
      if (!(std::fabs(c[lane]) < polar::kLargeAngle)) c[lane] = std::fmod(c[lane], 360.0);  // exact
    }
  }
  polar::SplitOf<Lanes4> magnitude = {a, Lanes4{}};
  if (db) {
    // Lanes beyond kLargeDb (or not numbers) are worked out alone below;
    // meanwhile a zero in their place keeps their integer steps in range.
    const Lanes4Bits moderate = magnitudes(a) <= polar::kLargeDb;
    magnitude = polar::magnitudeOfModerateDb(polar::Lane<Lanes4>::choose(moderate, a, Lanes4{}));
    if (anyLane(moderate == 0)) {
      for (int lane = 0; lane < 4; ++lane) {
        if (std::fabs(a[lane]) <= polar::kLargeDb) continue;
        const polar::Split alone = polar::magnitudeOfDb(a[lane]);
        magnitude.high[lane] = alone.high;
        magnitude.low[lane] = alone.low;
      }
    }
  }
  polar::SplitOf<Lanes4> cosine;
  polar::SplitOf<Lanes4> sine;
  polar::cosineSineOfTurnDegrees(c, &cosine, &sine);
  Lanes4 real;
  Lanes4 imaginary;
  polar::polarParts(magnitude, cosine, sine, &real, &imaginary);
  for (int lane = 0; lane < 4; ++lane) {
    samples[2 * lane] = real[lane];
    samples[2 * lane + 1] = imaginary[lane];
  }
}

}  // namespace

[[gnu::target_clones("avx2", "default")]] void convertSamples(int format, double* samples,
                                                              std::size_t count) {
  if (format != kFormatDbDegrees && format != kFormatMagnitudeDegrees) {
    for (std::size_t i = 0; i < count; ++i) convertComplex(format, &samples[2 * i], &samples[2 * i + 1]);
    return;
  }
  const bool db = format == kFormatDbDegrees;
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) convertFour(db, samples + 2 * i);
  if (i == count) return;
  // The last pairs, the lanes beyond them filled with a pair of each
  // format's plain range.
  double last[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  std::copy(samples + 2 * i, samples + 2 * count, last);
  convertFour(db, last);
  std::copy(last, last + 2 * (count - i), samples + 2 * i);
}

}  // namespace korvel
