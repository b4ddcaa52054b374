// The network data of a large Touchstone file read on several processors,
// always to exactly the result of one thread: the same arrays, counts and
// messages in the same order.
//
// The data is cut into parts at lines that look like the start of a point.
// The calling thread reads the first part as it would read the whole; each
// other part is read on a worker thread straight into the arrays, at the
// index its position predicts, quietly: whatever would need a message, or
// anything the part cannot judge alone, makes the part fail, or end before
// its line when that line opens with it (a frequency past the indices the
// part was given, or not rising). Once the first part is read, the parts
// are checked in order (each began where the one before ended, on a whole
// point, with a frequency above the last one before it, within the
// declared count) and the good ones taken; the read then goes on on the
// calling thread from the first part not taken, or from where a part
// taken ended, and reports whatever a part would not.
#ifndef KORVEL_TOUCHSTONE_PARALLEL_POINTS_H
#define KORVEL_TOUCHSTONE_PARALLEL_POINTS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dataset/data_set.h"
#include "parallel/parallel_settings.h"
#include "text/text_input.h"
#include "touchstone/point_stream.h"
#include "touchstone/port_impedances.h"
#include "touchstone/scattering_points.h"

namespace korvel {

// When the network data is read in parts: parallelPolicy().touchstoneData,
// in bytes of data (parallel/parallel_settings.h), in at most
// kMostReadParts parts.
inline constexpr unsigned kMostReadParts = 8;

// What the last read of network data on this thread did: the parts it
// cut the data into (1 when it read on the calling thread alone) and the
// parts after the first that it took as read.
struct ParallelReadRecord {
  unsigned parts = 1;
  unsigned taken = 0;
};
ParallelReadRecord lastParallelRead();

// What the parts need to know about the file and the storage.
struct NetworkRead {
  DataSet* data = nullptr;  // data->file is the open file
  size_t capacity = 0;      // the points the storage holds
  PointLayout layout;
  uint64_t fileEnd = 0;  // the offset of the end of the file; 0 when unknown
};

// Reads the network points as readPoints does, in parts when the data is
// large enough, there are processors to spare, and nothing asks for every
// message of the file (a full check). `rules.stopAt` must be unset.
StreamEnd readNetworkPoints(LineSource* source, const std::string_view* pending,
                            const PointStreamRules& rules, const NetworkRead& read, ScatteringPoints* points,
                            PortImpedances* impedances);

}  // namespace korvel

#endif  // KORVEL_TOUCHSTONE_PARALLEL_POINTS_H
