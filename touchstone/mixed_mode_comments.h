// Mixed-mode port names carried in the comment lines of a Touchstone file.
//
// A block of comment lines such as
//   ! S11 = SDD11
//   ! S22 = SDD22
//   ! S33 = SCC11
//   ! S44 = SCC22
// gives each terminal a name made of a mode letter and a port number (D1,
// D2, C1, C2). A block that names every terminal turns mixed mode on: the
// waveform names carry the terminal names, the reference impedances are
// converted by mode, and the network counts as a portCount-port.
#ifndef KORVEL_TOUCHSTONE_MIXED_MODE_COMMENTS_H
#define KORVEL_TOUCHSTONE_MIXED_MODE_COMMENTS_H

#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "text/text_input.h"
#include "touchstone/keyword_header.h"

namespace korvel {

// Where a scan of comment lines stopped.
struct CommentScan {
  // True with a line in hand; false when the file ended.
  bool haveLine = false;
  // True when a mapping block was abandoned at its first line: the file is
  // then read with plain indices and no later comment is read as a mapping.
  bool mappingAbandoned = false;
};

// Reads lines from `source` until a line that begins with "#", a line that
// is neither a comment nor blank, or the end of the file, and leaves that
// line in `*line`. Comment lines on the way are examined for the first line
// of a mapping block; a block found is read to its end, checked for
// completeness, and the line that ended it is left in `*line` instead.
// Writes mixedMode, terminalNames (terminalCount names, kept allocated even
// when the block is rejected), portCount, port1Index and port2Index. Throws
// std::bad_alloc when the names cannot be allocated.
CommentScan readMixedModeComments(LineSource* source, DataSet* data, std::string_view* line);

// Names the terminals from a 2.x file's [Mixed-Mode Order] (on line
// `line`): each distinct pair (i,j) or single port i becomes one mixed-mode
// port, numbered in order of first appearance, and descriptor k names
// terminal k "D<port>", "C<port>" or "S<port>". Sets mixedMode, portCount,
// port1Index and port2Index, and gives each terminal in `*resistances` the
// resistance of its descriptor's port (from `portResistances`, one per file
// port). Reports and returns kFailed when the two ports of a pair differ in
// resistance or there are too many mixed-mode ports to name; throws
// std::bad_alloc when the names cannot be allocated.
// REQUIRES: the order was checked (every port from 1 to terminalCount).
int applyMixedModeOrder(const std::vector<KeywordHeader::ModeDescriptor>& order,
                        const std::vector<double>& portResistances, int line, DataSet* data,
                        std::vector<double>* resistances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_MIXED_MODE_COMMENTS_H
