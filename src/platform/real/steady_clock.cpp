#include "platform/real/steady_clock.h"

namespace ostinel::platform {

SteadyClock::SteadyClock(ClockMs offset)
    : origin_(std::chrono::steady_clock::now() - std::chrono::milliseconds(offset.Ms())) {}

ClockMs SteadyClock::Now() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - origin_);
    return ClockMs(static_cast<std::uint32_t>(elapsed.count()));
}

std::chrono::steady_clock::time_point SteadyClock::InstantOf(ClockMs t) const {
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - origin_);
    const std::int32_t ahead =
        ClockDifference(t, ClockMs(static_cast<std::uint32_t>(elapsed.count())));
    return origin_ + elapsed + std::chrono::milliseconds(ahead);
}

}  // namespace ostinel::platform
