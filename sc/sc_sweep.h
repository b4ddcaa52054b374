// The values of the sweep parameters of an SC file.
#ifndef KORVEL_SC_SWEEP_H
#define KORVEL_SC_SWEEP_H

#include "sc/sc_input.h"

namespace korvel {

// Reads the value list of every sweep parameter from the ParamSweep line
// and its continuation lines into sweepValues: per parameter an array whose
// element 0 holds the number n of values and elements 1 to n the values in
// file order. One value of parameter q stands for as many blocks as the
// value counts of parameters 0 to q-1 multiply to, so the first parameter
// changes fastest from block to block.
// REQUIRES: sweepCount > 0 and sweepNames holds sweepCount names.
// Returns kOk, or prints its message and returns kFailed.
int readSweepValues(ScLines& lines, DataSet* data);

}  // namespace korvel

#endif  // KORVEL_SC_SWEEP_H
