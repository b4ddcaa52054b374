// The noise block of a Touchstone file: after the S-parameter points, one
// line per noise point with five numbers: frequency, minimum noise figure
// (dB), magnitude and angle (degrees) of the optimum source reflection
// coefficient, and the normalised effective noise resistance.
#ifndef KORVEL_TOUCHSTONE_NOISE_BLOCK_H
#define KORVEL_TOUCHSTONE_NOISE_BLOCK_H

#include <cstdint>
#include <string>

#include "dataset/data_set.h"
#include "text/text_input.h"

namespace korvel {

// Reads at most pointCount noise points into noiseFrequencies and the
// "Noise-Par/NFmin", "Noise-Par/GammaOpt" and "Noise-Par/Rn" samples (Rn
// in ohms: the normalised value times `firstTerminalImpedance`), and sets
// noisePointCount. The first point is `opening` (the number that opened
// the block) with the rest of `cursor`; each later point is the next line
// that is not a comment line. A point with fewer than five numbers ends
// the block and is not counted, with a warning; numbers after the fifth and
// text after a "!" are ignored. Each of the five must be a number in full:
// reports and returns kFailed at a token that is not.
// REQUIRES: the noise names are appended and allocateNoiseStorage ran.
int readNoiseBlock(LineSource* source, TokenCursor* cursor, double opening, double firstTerminalImpedance,
                   DataSet* data);

// Why the line that opened a 1.x noise block is no noise point: empty when
// it is one, else the reason as a message's argument ("it holds 4 numbers,
// not 5"). A noise point's line holds exactly five numbers, the first the
// number that opened the block (`opening`), a frequency above zero, with a
// minimum noise figure and a noise resistance not below zero. `rest` holds
// the fields after the opening number and `before` counts the numbers the
// line held before it. A token that is no number is left to readNoiseBlock.
std::string noiseOpeningFault(TokenCursor rest, double opening, int before);

// How the noise data of a 2.x file ended.
struct NoiseEnd {
  int64_t points = 0;       // whole points read
  bool incomplete = false;  // a point was cut short
  bool tooMany = false;     // a number stood after the declared points
  std::string keyword;      // the keyword line that ended them, or empty at the end of the file
  int keywordLine = 0;
  std::string notNumber;  // a token that is no number, which ended the data, or empty
  int notNumberLine = 0;
};

// Reads the noise data of a 2.x file after [Noise Data]: five numbers a
// point across any line breaks, until a keyword line or the end of the
// file. At most `declared` points are taken and, of those, at most
// pointCount stored; Rn is multiplied by `resistanceScale`.
// REQUIRES: the noise names are appended and allocateNoiseStorage ran.
NoiseEnd readNoiseData(LineSource* source, int64_t declared, double resistanceScale, DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_NOISE_BLOCK_H
