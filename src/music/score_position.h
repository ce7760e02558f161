#pragma once

#include <cstdint>

namespace ostinel {

// Milliseconds of the piece played at its own tempo map: every event, beat
// and marker of the piece is stored in these units.
using ScorePosition = std::int32_t;

// The pace of score time against clock time, 4.12 fixed point: 4096 plays
// the piece at its own tempo, 2048 at half of it.
using SpeedFactor = std::uint16_t;

inline constexpr SpeedFactor kOwnTempoSpeed = 4096;

}  // namespace ostinel
