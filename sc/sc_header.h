// The head of an SC file: the header line with the port and point counts,
// the sweep line with the sweep-parameter names, and the terminal line of
// mixed mode.
//
// Each function reads on from where the previous one stopped, fills its
// fields of the record and returns kOk; on a failure it prints its one
// message and returns kFailed, leaving the record for the caller to release.
#ifndef KORVEL_SC_HEADER_H
#define KORVEL_SC_HEADER_H

#include <string_view>
#include <vector>

#include "sc/sc_input.h"

namespace korvel {

// True when `line` is the header line: a marked line with "N=" or
// "NPort=" in it.
bool isHeaderLine(std::string_view line);

// The value of the header line's COMPLEX_DATAFORMAT= as written ("MA"),
// the last one when given twice; empty when the line gives none.
std::string_view writtenComplexFormat(std::string_view headerLine);

// The header line ("N=" or "NPort=" on a marked line): portCount,
// pointCount, hasNoise, hasGroupDelay and complexFormat. Fails unless both
// counts are positive.
int readHeaderLine(ScLines& lines, DataSet* data);

// The sweep line ("NumOfBlock=" on a marked line): blockCount, sweepCount
// and sweepNames. Fails on a negative block count and when fewer names than
// parameters are given.
int readSweepLine(ScLines& lines, DataSet* data);

// Reads on to the terminal line or the Zo line, whichever comes first, and
// sets terminalCount. A Zo line met first is kept in `reading` for the
// reference impedances; a terminal line sets mixedMode and, when it names
// terminals before any MIXEDMODE= other than 1 stops it, terminalNames and
// terminalCount (with mixed mode off the waveform names stay plain). Mixed
// mode without terminal names, or with a name that is not a letter and a
// port number, is read as not mixed.
int readTerminalLine(ScReading& reading);

// Chooses the terminals that play ports 1 and 2 of a two-port from the
// mixed-mode terminal names. Fails when a two-port has fewer terminals than
// the two it needs.
int assignPortRoles(DataSet* data);

// The terminal names of a DATATYPE= value: as many names as the value has
// mode letters (D, C or S in either case), each running up to the next mode
// letter; the first starts at the value's first character whatever it is.
std::vector<std::string_view> splitTerminalNames(std::string_view value);

}  // namespace korvel

#endif  // KORVEL_SC_HEADER_H
