#pragma once

#include <algorithm>
#include <cstdint>

#include "music/fixed_point.h"

namespace ostinel {

// Milliseconds of the piece played at its own tempo map: every event, beat
// and marker of the piece is stored in these units.
using ScorePosition = std::int32_t;

// The pace of score time against clock time, 4.12 fixed point: 4096 plays
// the piece at its own tempo, 2048 at half of it.
using SpeedFactor = std::uint16_t;

inline constexpr SpeedFactor kOwnTempoSpeed = 4096;

// The follower's tempo (16.16, kFixedOne = the piece's own) as the
// transport's speed (4.12), cut to what a SpeedFactor holds, and back.
constexpr SpeedFactor SpeedFromTempo(Fixed16 tempo) {
    return static_cast<SpeedFactor>(std::clamp(tempo >> 4, 0, 0xFFFF));
}
constexpr Fixed16 TempoFromSpeed(SpeedFactor speed) {
    return Fixed16{speed} * 16;
}
static_assert(TempoFromSpeed(kOwnTempoSpeed) == kFixedOne);
static_assert(SpeedFromTempo(kFixedOne) == kOwnTempoSpeed);

}  // namespace ostinel
