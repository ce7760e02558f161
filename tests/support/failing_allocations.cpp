// Replaces the global allocation functions of the test program that links it.
// Kept in a file of its own so that no caller sees operator new and free
// paired after inlining.

#include "support/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// 0: every allocation succeeds; otherwise allocations of at least this many bytes fail.
std::atomic<std::size_t> failAllocationsFrom{0};

}  // namespace

namespace ostinel::testing {

FailingLargeAllocations::FailingLargeAllocations(std::size_t bytes) {
    failAllocationsFrom = bytes;
}
FailingLargeAllocations::~FailingLargeAllocations() {
    failAllocationsFrom = 0;
}

}  // namespace ostinel::testing

namespace {

void* Allocate(std::size_t size) noexcept {
    const std::size_t limit = failAllocationsFrom.load();
    if (limit != 0 && size >= limit) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}

}  // namespace

// Every plain form is replaced, so that each block is freed by the family
// that allocated it (the aligned forms stay the runtime's own, pairwise).
void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
