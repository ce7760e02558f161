#pragma once

#include <atomic>

#include "platform/clock.h"

namespace ostinel::platform {

// A clock that moves only when told: tests and offline runs set it, usually
// through ManualTimerService::Advance so that timers fire on the way.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(ClockMs start = ClockMs{}) : now_(start) {}

    ClockMs Now() const override { return now_.load(std::memory_order_acquire); }

    void Set(ClockMs t) { now_.store(t, std::memory_order_release); }
    void Advance(std::uint32_t ms) { Set(Now() + ms); }

  private:
    std::atomic<ClockMs> now_;
    static_assert(std::atomic<ClockMs>::is_always_lock_free);
};

}  // namespace ostinel::platform
