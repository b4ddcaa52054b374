// Derivation of every computed waveform of a network from its S-parameters
// and reference impedances: Z and Y at every sample, the two-port gain and
// stability figures, and the noise quantities.
//
// This layer knows nothing of files or of the host: it works on the sample
// arrays handed to it in NetworkSamples.
#ifndef KORVEL_RFCALC_NETWORK_PARAMETERS_H
#define KORVEL_RFCALC_NETWORK_PARAMETERS_H

#include "parallel/parallel_settings.h"

namespace korvel {

// The sample arrays and counts of one opened network. Every array holds
// complex samples, two doubles each (real part, then imaginary part).
// waveformData is indexed as the stored waveform order lays it out: S
// row-major, Zo per terminal, Z, Y, the three two-port gain entries, the
// nine noise entries, the available-gain entry and the group delays, at
// the positions NetworkLayout gives.
struct NetworkSamples {
  double** waveformData = nullptr;
  // Entries that waveformData really has. An entry at or beyond it, or a
  // null one, is never touched: the step that needs it is left out.
  int waveformSlots = 0;
  int terminalCount = 0;
  int portCount = 0;
  int hasNoise = 0;
  int hasGroupDelay = 0;
  int isScFormat = 0;
  int pointCount = 0;
  int noisePointCount = 0;
  int blockCount = 1;
  int port1Index = 0;
  int port2Index = 1;
  double referenceImpedance = 0.0;
  double noiseTemperature = 290.0;
};

// Fills the Z, Y, gain and noise entries, in this order of steps: the noise
// quantities (when hasNoise is 1; NFmin is turned into a linear factor in
// place), Z = R^1/2 (I + S)(I - S)^-1 R^1/2 and
// Y = R^-1/2 (I - S)(I + S)^-1 R^-1/2 at every sample, with R the diagonal
// of the sample's own reference impedances (the real parts of the Zo
// entries at that sample), then for a two-port the stability factor and
// gains. When the references of a sample are all equal (Z0 = r I), Z and Y
// are (I + S)(I - S)^-1 Z0 and (I - S)(I + S)^-1 Z0^-1 computed in exactly
// that order. Among unequal references, a zero one gives zero entries off
// the diagonal of Z in its row and column, a negative one quiet NaN there,
// in Y as well; a zero reference also leaves Y without a value, as Z0 is
// then singular (reported once per network). A Zo entry whose imaginary
// part is not zero at a sample is a complex reference there: Z and Y of
// that sample are quiet NaN (the real-reference formulas do not hold), the
// S-based gains are still formed.
// REQUIRES: every entry present holds pointCount x blockCount samples, the
// Zo entries included.
// A singular matrix is reported on standard output, the values that depend
// on its inverse become quiet NaN, and the calculation goes on.
// Floating-point exceptions are masked for the duration, so nothing traps.
// Large networks are calculated in parts on worker threads, with results
// and messages identical to those of one thread, as parallelPolicy()
// .calculation sets (parallel/parallel_settings.h).
// Returns 0: nothing in the samples makes a calculation fail. Memory is
// another matter: when the working matrices (or, on worker threads, the
// messages a part keeps) find none, std::bad_alloc is thrown once every
// part has ended, on one thread as on several, and the results are not to
// be trusted: whoever opened the file refuses it.
int calculateNetworkParameters(const NetworkSamples& network);

// The estimated work of a sample, in nanoseconds of one processor:
// kWorkPerSample + kWorkPerCubedTerminal x N^3 for N terminals, measured
// against the settings' minimumWork (kCalculationParallelWork unless
// changed). Fitted to the calculation on one thread: about 106 ns a
// two-port sample (with its gains), 8.3 us a 16-terminal one and 61 us a
// 32-terminal one.
inline constexpr double kWorkPerSample = 90.0;
inline constexpr double kWorkPerCubedTerminal = 2.0;

// The same with the given settings: settings.parts is the most threads to
// use, the calling thread included.
int calculateNetworkParameters(const NetworkSamples& network, const ParallelSettings& settings);

}  // namespace korvel

#endif  // KORVEL_RFCALC_NETWORK_PARAMETERS_H
