#include "playback/position_clock.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "music/fixed_point.h"

namespace ostinel {

namespace {

constexpr std::int64_t kLongestWaitMs = std::numeric_limits<std::int32_t>::max();

}  // namespace

ScorePosition CurrentPosition(const PositionClock& clock, platform::ClockMs now) {
    if (clock.motion == PlaybackMotion::Stopped || clock.motion == PlaybackMotion::Rewinding) {
        return clock.anchor.position;
    }
    if (clock.motion == PlaybackMotion::Following && clock.follower.read != nullptr) {
        return std::min(clock.follower.read(clock.follower.context), clock.end);
    }
    // A signed difference, so a reading just before the anchor (or across the
    // 32-bit wrap) is a small negative span rather than 49 days.
    const std::int32_t elapsed = platform::ClockDifference(now, clock.anchor.time);
    const std::int32_t scaled = fixmul16(elapsed, TempoFromSpeed(clock.speed));
    std::int64_t advance = std::max(scaled, 0);
    if (clock.motion == PlaybackMotion::FastForward) advance *= 4;
    // Widened to 64 bits: in 32 the fast-forward product and the sum wrapped
    // negative far from the anchor. Below the end the result is unchanged.
    const std::int64_t position = std::int64_t{clock.anchor.position.Ms()} + advance;
    return ScorePosition(
        static_cast<std::int32_t>(std::min<std::int64_t>(position, clock.end.Ms())));
}

DueTime DueClockTime(const PositionClock& clock, ScorePosition position) {
    // The distance in 64 bits: two 32-bit positions can lie 2^32 apart.
    const std::int64_t distance = std::int64_t{position.Ms()} - clock.anchor.position.Ms();
    if (distance <= 0) return DueTime{true, clock.anchor.time};

    const auto divisor = static_cast<std::uint32_t>(TempoFromSpeed(clock.speed));
    if (divisor == 0) {
        // Score time stands still: the position never comes up.
        return DueTime{false, clock.anchor.time + static_cast<std::int32_t>(kLongestWaitMs)};
    }
    const auto dividend = static_cast<std::uint64_t>(distance);
    std::int64_t delay = 0;
    if (dividend / divisor < 32767) {
        delay = fixdiv16(static_cast<std::uint32_t>(dividend), divisor);
    } else {
        // fixdiv16 would pass 2^31 here (the old 32-bit delay turned
        // negative): divide exactly in 64 bits, then cap below.
        delay = static_cast<std::int64_t>(((dividend << 16) + divisor / 2) / divisor);
    }
    if (clock.motion == PlaybackMotion::FastForward) delay = (delay + 2) >> 2;
    delay = std::min(delay, kLongestWaitMs);
    return DueTime{false, clock.anchor.time + static_cast<std::int32_t>(delay)};
}

}  // namespace ostinel
