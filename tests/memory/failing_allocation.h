// Allocations that can be told to fail once, at the k-th allocation from
// now, as an exhausted heap would: every form of new and, through the
// linker's --wrap, every malloc, calloc and realloc the test program's own
// code calls (the plug-in's records are C heap blocks). What the libraries
// the program loads (the C library, Tcl) allocate with malloc themselves is
// neither counted nor failed.
//
// It replaces every plain and array form of new and delete of the test
// program (memory from malloc, returned with free), so that the sanitizer
// build still pairs each allocation with its release.
#ifndef KORVEL_TESTS_MEMORY_FAILING_ALLOCATION_H
#define KORVEL_TESTS_MEMORY_FAILING_ALLOCATION_H

#include <cstddef>

namespace korvel::testing {

// Makes the `k`-th allocation from now (k >= 1) throw std::bad_alloc; every
// other allocation succeeds.
void failAllocation(size_t k);

// The same with only new counted and failed, for reads whose snapshot
// depends on the size the C heap storage got when a request for it failed.
void failAllocationOfNew(size_t k);

// Stops counting. Returns true when the chosen allocation was reached and
// failed.
bool stopFailingAllocations();

// The allocations made so far by this program (new and, while it is
// counted, the C heap), failed ones included.
size_t allocationCount();

}  // namespace korvel::testing

#endif  // KORVEL_TESTS_MEMORY_FAILING_ALLOCATION_H
