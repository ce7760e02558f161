#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/timer_service.h"

namespace ostinel::platform {

// One armed one-shot timer.
struct PendingTimer {
    ClockMs deadline{};
    std::uint64_t armOrder = 0;
    TimerCallback callback = nullptr;
    void* context = nullptr;
    std::uint32_t datum = 0;
};

// The armed timers of one service, earliest deadline first and, between equal
// deadlines, first armed first. Storage is reserved up front so that adding
// and removing never allocate. Deadlines are compared by signed difference, so
// the order survives the clock's wrap while all deadlines lie within 24 days.
class TimerQueue {
  public:
    explicit TimerQueue(std::size_t capacity);

    bool Full() const { return heap_.size() == capacity_; }
    bool Empty() const { return heap_.empty(); }
    void Clear() { heap_.clear(); }
    std::size_t Size() const { return heap_.size(); }

    // False when full.
    bool Add(const PendingTimer& timer);
    const PendingTimer& Earliest() const { return heap_.front(); }
    PendingTimer TakeEarliest();

  private:
    static bool Later(const PendingTimer& a, const PendingTimer& b);
    std::size_t capacity_;
    std::vector<PendingTimer> heap_;
};

}  // namespace ostinel::platform
