#include "parallel/worker_threads.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "parallel/non_trapping_arithmetic.h"

namespace korvel {
namespace {

unsigned affinityProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

// The processors a cpu.max file allows ("max 100000" for no limit, else
// "quota period" in microseconds), or 0 when it sets no limit or cannot be
// read.
unsigned quotaProcessorCount(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return 0;
  long long quota = 0;
  long long period = 0;
  const int fields = std::fscanf(file, "%lld %lld", &quota, &period);
  std::fclose(file);
  if (fields != 2 || quota <= 0 || period <= 0) return 0;
  const long long processors = (quota + period - 1) / period;
  return processors > 0 && processors < 1 << 20 ? static_cast<unsigned>(processors) : 0;
}

// The process's control group in the unified hierarchy ("0::/path" in
// /proc/self/cgroup), or "" when there is none.
std::string ownControlGroup() {
  std::FILE* file = std::fopen("/proc/self/cgroup", "r");
  if (file == nullptr) return "";
  std::string group;
  char line[4096];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text(line);
    if (text.rfind("0::", 0) != 0) continue;
    group = text.substr(3);
    while (!group.empty() && (group.back() == '\n' || group.back() == '/')) group.pop_back();
    break;
  }
  std::fclose(file);
  return group;
}

// The smallest quota of the process's control group and every group above
// it up to the mount's root, each of which limits it; 0 when none does.
unsigned controlGroupProcessorCount() {
  const std::string root = "/sys/fs/cgroup";
  std::string group = ownControlGroup();
  unsigned smallest = 0;
  while (true) {
    const unsigned count = quotaProcessorCount(root + group + "/cpu.max");
    if (count != 0 && (smallest == 0 || count < smallest)) smallest = count;
    const size_t parent = group.rfind('/');
    if (parent == std::string::npos) break;
    group.erase(parent);
  }
  return smallest;
}

// Starts a thread running `part`, with every signal blocked from its first
// instruction on: the mask is inherited, so the caller blocks everything
// for the moment of the start and then restores its own mask.
std::thread startWorker(const std::function<void()>& part) {
  sigset_t all;
  sigset_t saved;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &saved);
  try {
    std::thread worker(part);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return worker;
  } catch (...) {
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    throw;
  }
}

}  // namespace

unsigned usableProcessorCount() {
  const unsigned affinity = affinityProcessorCount();
  const unsigned quota = controlGroupProcessorCount();
  return quota != 0 && quota < affinity ? quota : affinity;
}

SampleRange rangeOf(size_t count, unsigned parts, unsigned index) {
  const size_t base = count / parts;
  const size_t longer = count % parts;  // the first `longer` parts take one more
  const size_t begin = index * base + (index < longer ? index : longer);
  return {begin, begin + base + (index < longer ? 1 : 0)};
}

WorkerThreads::WorkerThreads(unsigned parts, std::function<void(unsigned)> work)
    : work_(std::move(work)), failures_(parts) {
  // Reserved before any thread starts, so that keeping one cannot fail.
  workers_.reserve(parts);
  leftToCaller_.reserve(parts);
  for (unsigned index = 1; index < parts; ++index) {
    try {
      workers_.push_back(startWorker([this, index] {
        NonTrappingArithmetic arithmetic;
        runHere(index);
      }));
    } catch (...) {
      leftToCaller_.push_back(index);
    }
  }
}

WorkerThreads::~WorkerThreads() { join(); }

void WorkerThreads::runHere(unsigned index) {
  try {
    work_(index);
  } catch (...) {
    failures_[index] = std::current_exception();
  }
}

void WorkerThreads::join() {
  if (joined_) return;
  joined_ = true;
  for (unsigned index : leftToCaller_) runHere(index);
  for (std::thread& worker : workers_) worker.join();
}

void WorkerThreads::rethrowFirstFailure() const {
  for (const std::exception_ptr& failure : failures_) {
    if (failure) std::rethrow_exception(failure);
  }
}

void runInParts(unsigned parts, const std::function<void(unsigned)>& work) {
  WorkerThreads threads(parts, work);
  threads.runHere(0);
  threads.join();
  threads.rethrowFirstFailure();
}

}  // namespace korvel
