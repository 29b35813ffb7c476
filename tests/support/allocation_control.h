// Control over the test program's heap: the global operator new of the test
// program counts live blocks and can be told to fail one allocation, so
// that tests can show what the module does when memory runs out.
#pragma once

#include <cstddef>

// Number of blocks from operator new not yet released.
long LiveAllocations();

// While alive, the allocation with the given index (0 for the next one)
// throws std::bad_alloc; every other allocation succeeds.
class ScopedAllocationFailure {
public:
    explicit ScopedAllocationFailure(long index);
    ~ScopedAllocationFailure();
    ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
    ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

    // Whether the chosen allocation was reached (and failed).
    bool Triggered() const;
};
