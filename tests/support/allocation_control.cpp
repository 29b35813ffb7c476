// Replacement global operator new and delete for the test program.
#include "tests/support/allocation_control.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> liveAllocations{0};
std::atomic<long> allocationsBeforeFailure{-1};  // -1: none fails
std::atomic<bool> failureTriggered{false};

}  // namespace

long LiveAllocations() { return liveAllocations.load(); }

ScopedAllocationFailure::ScopedAllocationFailure(long index) {
    failureTriggered = false;
    allocationsBeforeFailure = index;
}

ScopedAllocationFailure::~ScopedAllocationFailure() { allocationsBeforeFailure = -1; }

bool ScopedAllocationFailure::Triggered() const { return failureTriggered.load(); }

void* operator new(std::size_t size) {
    long remaining = allocationsBeforeFailure.load();
    while (remaining >= 0 && !allocationsBeforeFailure.compare_exchange_weak(remaining, remaining - 1)) {
    }
    if (remaining == 0) {
        failureTriggered = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    ++liveAllocations;
    return block;
}

void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    --liveAllocations;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

// The array forms too: a runtime such as AddressSanitizer's replaces them on
// its own instead of forwarding them to the single-object forms.
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }
