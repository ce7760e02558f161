#pragma once

#include <cstdint>
#include <type_traits>

namespace ostinel::platform {

// Milliseconds on a 32-bit counter that wraps after about 49.7 days. A
// reading of its own type, so that it never mixes with score time or plain
// numbers unnoticed. It has no ordering and no difference of two readings:
// compare them only through ClockDifference, ClockElapsed or ClockReached, so
// that the wrap is harmless.
class ClockMs {
  public:
    constexpr ClockMs() = default;
    constexpr explicit ClockMs(std::uint32_t ms) : ms_(ms) {}

    constexpr std::uint32_t Ms() const { return ms_; }

    friend constexpr bool operator==(ClockMs, ClockMs) = default;

    // A reading `span` ms later (earlier when negative), wrapping.
    friend constexpr ClockMs operator+(ClockMs t, std::int32_t span) {
        return ClockMs(t.ms_ + static_cast<std::uint32_t>(span));
    }
    friend constexpr ClockMs operator-(ClockMs t, std::int32_t span) {
        return ClockMs(t.ms_ - static_cast<std::uint32_t>(span));
    }
    constexpr ClockMs& operator+=(std::int32_t span) { return *this = *this + span; }

  private:
    std::uint32_t ms_ = 0;
};
static_assert(sizeof(ClockMs) == sizeof(std::uint32_t));
static_assert(std::is_trivially_copyable_v<ClockMs> && std::is_standard_layout_v<ClockMs>);

// Sixtieths of a second, the coarse clock of rewinding and the loop restart.
using ClockSixtieths = std::uint32_t;

// later - earlier as a signed span; correct across the 32-bit wrap as long as
// the two readings lie less than 24.8 days apart.
constexpr std::int32_t ClockDifference(ClockMs later, ClockMs earlier) {
    return static_cast<std::int32_t>(later.Ms() - earlier.Ms());
}

// later - earlier modulo 2^32: the milliseconds from `earlier` forward to
// `later`, a reading ahead of `later` counting as nearly 49.7 days.
constexpr std::uint32_t ClockElapsed(ClockMs later, ClockMs earlier) {
    return later.Ms() - earlier.Ms();
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
    return static_cast<ClockSixtieths>(static_cast<std::uint64_t>(ms.Ms()) * 3 / 50);
}

}  // namespace ostinel::platform
