#pragma once

#include <cstddef>

namespace ostinel::testing {

// While one of these lives, every allocation of at least `bytes` bytes made
// through the global operator new fails with std::bad_alloc. Only for the
// test program that links failing_allocations.cpp.
class FailingLargeAllocations {
  public:
    explicit FailingLargeAllocations(std::size_t bytes);
    ~FailingLargeAllocations();
    FailingLargeAllocations(const FailingLargeAllocations&) = delete;
    FailingLargeAllocations& operator=(const FailingLargeAllocations&) = delete;
};

}  // namespace ostinel::testing
