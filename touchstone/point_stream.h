// The lines of a Touchstone file's network data, fed to the point reader
// one by one until the data ends: at the noise block of a 1.x two-port, at
// the keyword line after a 2.x file's data, or at the end of the file.
#ifndef KORVEL_TOUCHSTONE_POINT_STREAM_H
#define KORVEL_TOUCHSTONE_POINT_STREAM_H

#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_input.h"
#include "touchstone/port_impedances.h"
#include "touchstone/scattering_points.h"

namespace korvel {

// How the data lines are read.
struct PointStreamRules {
  bool keywords = false;    // 2.x: a keyword line ends the data
  bool checkWidth = false;  // warn once of a 1.x line of more than four pairs
  bool collecting = false;  // a full check: read on after an error where possible
  // Stop before a line that starts at this offset of the file or later.
  uint64_t stopAt = UINT64_MAX;
};

// Where and why the points ended.
struct StreamEnd {
  ScatteringPoints::Outcome outcome = ScatteringPoints::Outcome::kLineDone;
  TokenCursor rest{""};  // the fields after the number that opened the noise block
  double opening = 0.0;
  int line = 0;          // the line where the points ended
  std::string keyword;   // 2.x: the keyword line that ended the points, or empty at the end
  bool refused = false;  // a port impedance or data line was refused, and the read stopped there
  bool failed = false;   // an error was reported, the read stopped or not (a full check reads on)
  bool stopped = false;  // the read stopped at rules.stopAt, with more lines to come
};

// Feeds every data line to `points` until the noise block, a keyword line
// in a 2.x file, the end of the file, or the stop offset. Comment lines are
// skipped, as is text after a "!". Port impedance comment lines go to
// `impedances` when it is not null. Where every line holds whole points, a
// data line that follows one ending inside a point refuses the file,
// naming that line; a full check forgets the unfinished point and reads
// on. `pending` is a line already read, or null when the next line is
// still in `source`.
StreamEnd readPoints(LineSource* source, const std::string_view* pending, const PointStreamRules& rules,
                     ScatteringPoints* points, PortImpedances* impedances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_POINT_STREAM_H
