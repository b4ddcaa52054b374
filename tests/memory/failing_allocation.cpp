// The failing operator new of the out-of-memory tests.
#include "memory/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace korvel::testing {
namespace {

// Allocations still to go before the one that fails; 0 when none is to.
std::atomic<size_t> countdown{0};
std::atomic<bool> failed{false};
std::atomic<size_t> made{0};

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

void* allocate(size_t size) {
  if (isChosen()) throw std::bad_alloc();
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* allocateNoThrow(size_t size) noexcept {
  if (isChosen()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void failAllocation(size_t k) {
  failed = false;
  countdown = k;
}

bool stopFailingAllocations() {
  countdown = 0;
  return failed.load();
}

size_t allocationCount() { return made.load(); }

}  // namespace korvel::testing

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
