// Where each quantity of a network lies among its waveform entries, and how
// a sample is read from and written to an entry.
//
// Entries are counted in the stored waveform order: S row-major, the
// reference impedance of each terminal, Z, Y, for a two-port the three gain
// entries, then for a network with noise the nine noise entries and, for a
// two-port, the available gain, then for a network with group delays the
// group-delay entries row-major. Every entry is an array of complex
// samples, two doubles each (real part, then imaginary part).
//
// This is the one place these positions are worked out: the waveform
// names, both readers' storage and the calculation all take them from here.
#ifndef KORVEL_RFCALC_NETWORK_LAYOUT_H
#define KORVEL_RFCALC_NETWORK_LAYOUT_H

#include <cstddef>

#include "rfcalc/complex_matrix.h"
#include "rfcalc/network_parameters.h"

namespace korvel {

// Offsets of the noise entries from noiseBase, and of the gain entries from
// gainBase.
inline constexpr size_t kMinimumNoiseFigure = 0;  // dB on input, linear factor on output
inline constexpr size_t kOptimumReflection = 1;   // GammaOpt
inline constexpr size_t kNoiseResistance = 2;     // Rn, ohms
inline constexpr size_t kOptimumImpedance = 3;    // Zopt
inline constexpr size_t kNoiseVoltageDensity = 4;
inline constexpr size_t kNoiseCurrentDensity = 5;
inline constexpr size_t kCorrelationImpedance = 6;
inline constexpr size_t kCorrelationAdmittance = 7;
inline constexpr size_t kNoiseFactor = 8;
inline constexpr size_t kNoiseEntryCount = 9;

inline constexpr size_t kMaximumGain = 0;        // Gmax
inline constexpr size_t kStabilityFactor = 1;    // K
inline constexpr size_t kMaximumStableGain = 2;  // Gmsg
inline constexpr size_t kGainEntryCount = 3;

struct NetworkLayout {
  // Negative counts count as zero; products are formed in size_t, so no
  // count can overflow (N^2 entries four times over still fit 64 bits for
  // any int N).
  explicit NetworkLayout(const NetworkSamples& network);

  // The entries of a network of `terminalCount` terminals and `portCount`
  // ports, with or without noise and group delays; no sample counts.
  NetworkLayout(int terminalCount, int portCount, bool hasNoise, bool hasGroupDelay);

  // Entry of S(row + 1, col + 1).
  size_t scatteringEntry(size_t row, size_t col) const { return row * terminals + col; }

  // Entry of the reference impedance of terminal `terminal` (from 0).
  size_t zo(size_t terminal) const { return zoBase + terminal; }

  // Entry of noise quantity `k` (kMinimumNoiseFigure ... kNoiseFactor).
  size_t noise(size_t k) const { return noiseBase + k; }

  // Entry of the available gain: right after the nine noise entries. Only
  // a two-port with noise has it.
  size_t availableGain() const { return noiseBase + kNoiseEntryCount; }

  // First group-delay entry: after the noise entries (and the available
  // gain) when the network has them.
  size_t groupDelayBase() const {
    if (!hasNoise) return noiseBase;
    return availableGain() + (isTwoPort ? 1 : 0);
  }

  // Number of entries of the whole layout.
  size_t entryCount() const { return groupDelayBase() + (hasGroupDelay ? terminals * terminals : 0); }

  size_t terminals;         // N, the dimension of every parameter matrix
  size_t zoBase;            // N x N: reference impedance of each terminal
  size_t zBase;             // N(N + 1): Z row-major
  size_t yBase;             // N(2N + 1): Y row-major
  size_t gainBase;          // N(3N + 1): Gmax, K, Gmsg
  size_t noiseBase;         // gainBase, + 3 for a two-port: the nine noise entries
  size_t sampleCount;       // pointCount x blockCount
  size_t noiseSampleCount;  // noise samples to derive, never above sampleCount
  bool isTwoPort;
  bool hasNoise;
  bool hasGroupDelay;

 private:
  // Every base from the terminal count and the two-port choice.
  void placeEntries(int terminalCount, bool twoPort);
};

// True when entries first .. first + count - 1 lie within the network's
// waveformSlots and each has an array.
bool hasEntries(const NetworkSamples& network, size_t first, size_t count);

inline DComplex readSample(const double* entry, size_t sample) {
  return {entry[2 * sample], entry[2 * sample + 1]};
}

inline double readReal(const double* entry, size_t sample) { return entry[2 * sample]; }

inline void writeSample(double* entry, size_t sample, DComplex value) {
  entry[2 * sample] = value.real();
  entry[2 * sample + 1] = value.imag();
}

// Real-valued results fill the real part and leave the imaginary part alone.
inline void writeReal(double* entry, size_t sample, double value) { entry[2 * sample] = value; }

}  // namespace korvel

#endif  // KORVEL_RFCALC_NETWORK_LAYOUT_H
