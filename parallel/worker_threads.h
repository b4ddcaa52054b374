// Running one calculation in parts on worker threads inside the viewer's
// process.
//
// The process belongs to the viewer, so a worker must leave it as it found
// it: it runs with every signal blocked (signals stay with the viewer's own
// threads), under its own floating-point scope in which nothing traps, and
// it never touches the interpreter or standard output. Whatever a part
// throws is caught on its own thread and handed to the caller once every
// part has ended.
#ifndef KORVEL_PARALLEL_WORKER_THREADS_H
#define KORVEL_PARALLEL_WORKER_THREADS_H

#include <cstddef>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace korvel {

// The processors this process may run on: those of its CPU affinity mask,
// fewer when its control group's CPU quota (cpu.max, rounded up to whole
// processors) allows fewer. At least 1.
unsigned usableProcessorCount();

// Part `index` of `count` samples cut into `parts` contiguous ranges whose
// lengths differ by at most one, in ascending order.
struct SampleRange {
  size_t begin;
  size_t end;
};
SampleRange rangeOf(size_t count, unsigned parts, unsigned index);

// Whether the build reads and calculates on the calling thread alone (the
// KORVEL_SERIAL option), for comparison with the parallel paths.
#ifdef KORVEL_SERIAL
inline constexpr bool kCallingThreadOnly = true;
#else
inline constexpr bool kCallingThreadOnly = false;
#endif

// Parts 1 .. parts - 1 of one piece of work, each started on a thread of its
// own, while the caller does part 0 (or something else) meanwhile. A part
// whose thread cannot be started runs on the calling thread in join().
// Whatever a part throws is kept until join(). The destructor joins.
class WorkerThreads {
 public:
  WorkerThreads(unsigned parts, std::function<void(unsigned)> work);
  ~WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // Runs part `index` on the calling thread, keeping what it throws.
  void runHere(unsigned index);

  // Runs the parts left to the caller, then waits for every thread. Once
  // only; later calls do nothing.
  void join();

  // After join(): rethrows the exception of the first part that threw.
  void rethrowFirstFailure() const;

 private:
  std::function<void(unsigned)> work_;
  std::vector<std::exception_ptr> failures_;
  std::vector<std::thread> workers_;
  std::vector<unsigned> leftToCaller_;
  bool joined_ = false;
};

// Runs work(0) .. work(parts - 1): part 0 on the calling thread, every other
// part on a thread of its own, or on the calling thread after part 0 when no
// thread can be started for it. Returns when every part has ended. When a
// part threw, rethrows the exception of the first such part, after all
// parts ended; the others' are dropped.
void runInParts(unsigned parts, const std::function<void(unsigned)>& work);

}  // namespace korvel

#endif  // KORVEL_PARALLEL_WORKER_THREADS_H
