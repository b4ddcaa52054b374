// The noise block of a Touchstone file: after the S-parameter points, one
// line per noise point with five numbers: frequency, minimum noise figure
// (dB), magnitude and angle (degrees) of the optimum source reflection
// coefficient, and the normalised effective noise resistance.
#ifndef KORVEL_TOUCHSTONE_NOISE_BLOCK_H
#define KORVEL_TOUCHSTONE_NOISE_BLOCK_H

#include "dataset/data_set.h"
#include "text/text_input.h"

namespace korvel {

// Reads at most pointCount noise points into noiseFrequencies and the
// "Noise-Par/NFmin", "Noise-Par/GammaOpt" and "Noise-Par/Rn" samples (Rn
// in ohms: the normalised value times `firstTerminalImpedance`), and sets
// noisePointCount. The first point is `opening` (the number that opened
// the block) with the rest of `cursor`; each later point is the next line
// that is not a comment line. A point with fewer than five numbers ends
// the block and is not counted; numbers after the fifth and text after a
// "!" are ignored.
// REQUIRES: the noise names are appended and allocateNoiseStorage ran.
void readNoiseBlock(LineSource* source, TokenCursor* cursor, double opening, double firstTerminalImpedance,
                    DataSet* data);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_NOISE_BLOCK_H
