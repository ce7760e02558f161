#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <type_traits>

#include "music/fixed_point.h"

namespace ostinel {

// Milliseconds of the piece played at its own tempo map: every event, beat
// and marker of the piece is stored in these units. A type of its own, so
// that score time never mixes with clock time or plain numbers unnoticed:
// two positions differ by a span of score ms, and a span moves a position.
class ScorePosition {
  public:
    constexpr ScorePosition() = default;
    constexpr explicit ScorePosition(std::int32_t ms) : ms_(ms) {}

    constexpr std::int32_t Ms() const { return ms_; }

    // The last position there is; also "none" or "no limit" where a
    // position is looked for or bounded.
    static constexpr ScorePosition Max() { return ScorePosition(INT32_MAX); }
    static constexpr ScorePosition Min() { return ScorePosition(INT32_MIN); }

    friend constexpr bool operator==(ScorePosition, ScorePosition) = default;
    friend constexpr auto operator<=>(ScorePosition, ScorePosition) = default;

    friend constexpr std::int32_t operator-(ScorePosition later, ScorePosition earlier) {
        return later.ms_ - earlier.ms_;
    }
    friend constexpr ScorePosition operator+(ScorePosition p, std::int32_t span) {
        return ScorePosition(p.ms_ + span);
    }
    friend constexpr ScorePosition operator-(ScorePosition p, std::int32_t span) {
        return ScorePosition(p.ms_ - span);
    }
    constexpr ScorePosition& operator+=(std::int32_t span) {
        ms_ += span;
        return *this;
    }
    constexpr ScorePosition& operator-=(std::int32_t span) {
        ms_ -= span;
        return *this;
    }

  private:
    std::int32_t ms_ = 0;
};
static_assert(sizeof(ScorePosition) == sizeof(std::int32_t));
static_assert(std::is_trivially_copyable_v<ScorePosition> &&
              std::is_standard_layout_v<ScorePosition>);

// The pace of score time against clock time, 4.12 fixed point: 4096 plays
// the piece at its own tempo, 2048 at half of it. A type of its own, so that
// a speed never passes for a position, a span or a 16.16 tempo.
class SpeedFactor {
  public:
    constexpr SpeedFactor() = default;
    constexpr explicit SpeedFactor(std::uint16_t raw) : raw_(raw) {}

    // The 4.12 fixed-point value, for the fixed-point arithmetic.
    constexpr std::uint16_t Raw() const { return raw_; }

    friend constexpr bool operator==(SpeedFactor, SpeedFactor) = default;
    friend constexpr auto operator<=>(SpeedFactor, SpeedFactor) = default;

  private:
    std::uint16_t raw_ = 0;
};
static_assert(sizeof(SpeedFactor) == sizeof(std::uint16_t));
static_assert(std::is_trivially_copyable_v<SpeedFactor> && std::is_standard_layout_v<SpeedFactor>);

inline constexpr SpeedFactor kOwnTempoSpeed{4096};

// The follower's tempo (16.16, kFixedOne = the piece's own) as the
// transport's speed (4.12), cut to what a SpeedFactor holds, and back.
constexpr SpeedFactor SpeedFromTempo(Fixed16 tempo) {
    return SpeedFactor(static_cast<std::uint16_t>(std::clamp(tempo >> 4, 0, 0xFFFF)));
}
constexpr Fixed16 TempoFromSpeed(SpeedFactor speed) {
    return Fixed16{speed.Raw()} * 16;
}
static_assert(TempoFromSpeed(kOwnTempoSpeed) == kFixedOne);
static_assert(SpeedFromTempo(kFixedOne) == kOwnTempoSpeed);

}  // namespace ostinel
