#pragma once

#include <cstdint>

namespace ostinel::platform {

// Milliseconds on a 32-bit counter that wraps after about 49.7 days. Compare
// two readings only through ClockDifference so that the wrap is harmless.
using ClockMs = std::uint32_t;

// Sixtieths of a second, the coarse clock of rewinding and the loop restart.
using ClockSixtieths = std::uint32_t;

// later - earlier as a signed span; correct across the 32-bit wrap as long as
// the two readings lie less than 24.8 days apart.
constexpr std::int32_t ClockDifference(ClockMs later, ClockMs earlier) {
    return static_cast<std::int32_t>(later - earlier);
}

// True when `t` is at or before `now`.
constexpr bool ClockReached(ClockMs now, ClockMs t) {
    return ClockDifference(now, t) >= 0;
}

// The engine's only source of time. Every implementation is safe to read from
// any thread.
class Clock {
  public:
    virtual ~Clock() = default;

    // any thread
    virtual ClockMs Now() const = 0;

    // any thread: the coarse clock, milliseconds × 3 ÷ 50.
    ClockSixtieths NowSixtieths() const;
};

// The sixtieths that a millisecond reading stands for; held in 64 bits on the
// way so that the product does not wrap before the milliseconds do.
constexpr ClockSixtieths SixtiethsFromMs(ClockMs ms) {
    return static_cast<ClockSixtieths>(static_cast<std::uint64_t>(ms) * 3 / 50);
}

}  // namespace ostinel::platform
