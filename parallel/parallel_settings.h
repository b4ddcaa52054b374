// When the process cuts a piece of work into parts on worker threads, and
// into how many: one settings type for every kind of parallel work (the
// reading of Touchstone network data, of SC blocks, the network
// calculation, and a plot's curves), and the process-wide policy that
// holds one for each.
#ifndef KORVEL_PARALLEL_PARALLEL_SETTINGS_H
#define KORVEL_PARALLEL_PARALLEL_SETTINGS_H

#include <cstddef>
#include <cstdint>

#include "parallel/worker_threads.h"

namespace korvel {

struct ParallelSettings {
  // Work below this is done on the calling thread alone, in the work's own
  // measure: bytes of data for a read, estimated nanoseconds of one
  // processor for a calculation.
  double minimumWork = 0.0;
  // The most parts: 0 for one per usable processor, 1 for the calling
  // thread alone.
  unsigned parts = 0;
  // Called at the start of each part with its index, on the thread that
  // runs it: a test's way to make a part fail.
  void (*partStartHook)(unsigned part) = nullptr;

  // The parts to cut `work` into, at most `mostParts` and at least 1: 1
  // below minimumWork or when parts is 1.
  unsigned partsFor(double work, size_t mostParts) const;
};

// Touchstone network data of fewer bytes is read on the calling thread
// alone. With a processor to spare, two parts already save a fifth of a
// 1 MB read (and a tenth at 256 kB); on a machine whose processors are all
// busy the parts cost more than they save up to a few MB, by a few
// milliseconds at most.
inline constexpr double kTouchstoneDataParallelBytes = static_cast<double>(uint64_t{1} << 20);
// Below this many bytes of SC blocks the threads cost more than they save.
inline constexpr double kScBlocksParallelBytes = static_cast<double>(uint64_t{4} << 20);
// The estimated work (see the calculation's kWorkPerSample) below which a
// network is calculated on the calling thread alone: starting and joining
// a thread costs some tens of microseconds, and the parts only pay once
// each has well beyond that to do.
inline constexpr double kCalculationParallelWork = 200000.0;
// Curves of fewer points in all are measured and reduced for a plot on the
// calling thread alone: a point costs some nanoseconds, a thread some tens
// of microseconds.
inline constexpr double kCurvesParallelPoints = 50000.0;

// The settings of the process's parallel work. Process-wide: tests and
// benchmarks change them, the plug-in keeps the defaults. A serial build
// (the KORVEL_SERIAL option) reads and calculates on the calling thread.
struct ParallelPolicy {
  ParallelSettings touchstoneData{kTouchstoneDataParallelBytes, kCallingThreadOnly ? 1u : 0u};
  ParallelSettings scBlocks{kScBlocksParallelBytes, kCallingThreadOnly ? 1u : 0u};
  ParallelSettings calculation{kCalculationParallelWork, kCallingThreadOnly ? 1u : 0u};
  // A plot's curves, a curve to a part (measured for the axes, then reduced
  // to what the page shows).
  ParallelSettings curves{kCurvesParallelPoints, kCallingThreadOnly ? 1u : 0u};
};
ParallelPolicy& parallelPolicy();

}  // namespace korvel

#endif  // KORVEL_PARALLEL_PARALLEL_SETTINGS_H
