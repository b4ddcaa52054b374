// Worker threads started apart from their join: the caller works meanwhile,
// each worker runs with every signal blocked and nothing trapping, and what
// a part throws waits for the caller.
#include "parallel/worker_threads.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cfenv>
#include <stdexcept>
#include <vector>

namespace korvel::testing {
namespace {

TEST(WorkerThreads, EveryPartRunsOnceWhileTheCallerWorks) {
  std::vector<std::atomic<int>> runs(5);
  {
    WorkerThreads threads(5, [&](unsigned index) { ++runs[index]; });
    threads.runHere(0);
    threads.join();
    threads.join();  // once only
    EXPECT_NO_THROW(threads.rethrowFirstFailure());
  }
  for (const std::atomic<int>& count : runs) EXPECT_EQ(count.load(), 1);
}

TEST(WorkerThreads, APartsExceptionWaitsForTheCaller) {
  WorkerThreads threads(3, [](unsigned index) {
    if (index == 2) throw std::runtime_error("part 2");
  });
  threads.runHere(0);
  threads.join();
  EXPECT_THROW(threads.rethrowFirstFailure(), std::runtime_error);
}

TEST(WorkerThreads, WorkersBlockSignalsAndDoNotTrap) {
  sigset_t workerMask;
  sigemptyset(&workerMask);
  int workerTraps = -1;
  feenableexcept(FE_DIVBYZERO);
  {
    WorkerThreads threads(2, [&](unsigned index) {
      if (index != 1) return;
      pthread_sigmask(SIG_BLOCK, nullptr, &workerMask);
      workerTraps = fegetexcept();
    });
    threads.join();
  }
  int callerTraps = fegetexcept();
  fedisableexcept(FE_ALL_EXCEPT);
  EXPECT_TRUE(sigismember(&workerMask, SIGINT));
  EXPECT_TRUE(sigismember(&workerMask, SIGTERM));
  EXPECT_EQ(workerTraps, 0);
  EXPECT_EQ(callerTraps, FE_DIVBYZERO);
}

}  // namespace
}  // namespace korvel::testing
