// The failing allocations of the out-of-memory tests.
#include "memory/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The C library's own routines, which the test program's calls to malloc,
// calloc and realloc reach through the wrappers below (the program is
// linked with --wrap for each of them).
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
}

namespace korvel::testing {
namespace {

// Allocations still to go before the one that fails; 0 when none is to.
std::atomic<size_t> countdown{0};
std::atomic<bool> failed{false};
std::atomic<size_t> made{0};
// False while only new is counted and failed.
std::atomic<bool> heapCounted{true};

// True when this allocation is the one chosen to fail.
bool isChosen() {
  ++made;
  size_t left = countdown.load();
  while (left > 0) {
    if (countdown.compare_exchange_weak(left, left - 1)) {
      if (left != 1) return false;
      failed = true;
      return true;
    }
  }
  return false;
}

// Every form of new comes here.
void* allocate(size_t size) {
  if (isChosen()) throw std::bad_alloc();
  void* block = __real_malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* allocateNoThrow(size_t size) noexcept {
  if (isChosen()) return nullptr;
  return __real_malloc(size == 0 ? 1 : size);
}

// True when this C heap allocation is the one chosen to fail.
bool isChosenFromHeap() { return heapCounted.load() && isChosen(); }

}  // namespace

void failAllocation(size_t k) {
  failed = false;
  heapCounted = true;
  countdown = k;
}

void failAllocationOfNew(size_t k) {
  failed = false;
  heapCounted = false;
  countdown = k;
}

bool stopFailingAllocations() {
  countdown = 0;
  heapCounted = true;
  return failed.load();
}

size_t allocationCount() { return made.load(); }

}  // namespace korvel::testing

extern "C" {
void* __wrap_malloc(size_t size) {
  if (korvel::testing::isChosenFromHeap()) return nullptr;
  return __real_malloc(size);
}

void* __wrap_calloc(size_t count, size_t size) {
  if (korvel::testing::isChosenFromHeap()) return nullptr;
  return __real_calloc(count, size);
}

void* __wrap_realloc(void* block, size_t size) {
  if (korvel::testing::isChosenFromHeap()) return nullptr;
  return __real_realloc(block, size);
}
}

void* operator new(size_t size) { return korvel::testing::allocate(size); }
void* operator new[](size_t size) { return korvel::testing::allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return korvel::testing::allocateNoThrow(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return korvel::testing::allocateNoThrow(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
