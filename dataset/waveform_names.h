// Waveform names in their stored order, and the per-terminal reference
// impedance rule shared by both readers.
//
// The position of a name in DataSet::waveformNames is the index of its
// samples in DataSet::waveformData; the callbacks recognise a waveform's
// kind by the prefix of its name, so the names are fixed letter for letter.
// Every append keeps waveformCount equal to the number of names.
#ifndef KORVEL_DATASET_WAVEFORM_NAMES_H
#define KORVEL_DATASET_WAVEFORM_NAMES_H

#include <cstdint>
#include <string>

#include "dataset/data_set.h"
#include "rfcalc/network_layout.h"

namespace korvel {

// Matrix-element suffix of row `row` and column `col` (both from 1):
// "(2,1)", or in mixed mode the lower-cased mode letters of the two
// terminals and their port numbers, "dc(1,1)".
std::string formatPairSuffix(const DataSet& data, int row, int col);

// Name of the reference impedance of terminal `terminal` (from 1):
// "Zo/Zo(2)", or in mixed mode "Zo/Zod(1)".
std::string referenceImpedanceName(const DataSet& data, int terminal);

// Appends one name as a Tcl list element and counts it.
void appendWaveformName(DataSet* data, const std::string& name);

// Appends the S, Zo, Z and Y names and, for a two-port, "Gain-Par/Gmax",
// "Gain-Par/K", "Gain-Par/Gmsg".
void appendNetworkNames(DataSet* data);

// Appends the nine noise names; returns the index of the first.
int appendNoiseNames(DataSet* data);

// Appends "Gain-Par/Gas".
void appendAvailableGainName(DataSet* data);

// Appends the group-delay names, row-major; returns the index of the first.
int appendGroupDelayNames(DataSet* data);

// Where each waveform of the record lies: the layout of its terminal and
// port counts, its noise and its group delays. The names are appended in
// this order, and both readers store their samples at its entries.
NetworkLayout networkLayout(const DataSet& data);

// Index of the first noise waveform, which is also the number of names
// before it: the S, Zo, Z, Y and gain names. 64-bit and never negative, so
// that no terminal count a file claims can overflow it.
int64_t noiseBaseIndex(const DataSet& data);

// The reference impedance of terminal `terminal` (from 0) for the value `z`
// read from the file: doubled for a differential-mode terminal, halved for
// a common-mode one. Records referenceImpedance the first time the terminal
// that plays port 1 is given a non-zero value.
double terminalImpedance(DataSet* data, int terminal, double z);

}  // namespace korvel

#endif  // KORVEL_DATASET_WAVEFORM_NAMES_H
