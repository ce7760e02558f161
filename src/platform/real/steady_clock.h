#pragma once

#include <chrono>

#include "platform/clock.h"

namespace ostinel::platform {

// Milliseconds of the monotonic clock since this object was made, plus an
// offset (tests start near the 32-bit wrap with it).
class SteadyClock final : public Clock {
  public:
    explicit SteadyClock(ClockMs offset = ClockMs{});

    ClockMs Now() const override;

    // The monotonic instant at which Now() first reads `t`; `t` is read
    // relative to the present reading, so it may lie in the past.
    std::chrono::steady_clock::time_point InstantOf(ClockMs t) const;

  private:
    std::chrono::steady_clock::time_point origin_;
};

}  // namespace ostinel::platform
