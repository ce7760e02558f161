#pragma once

#include <cstdint>

#include "music/score_position.h"

namespace ostinel {

// The follower's lengths in score ms, each a fixed fraction of the time scale
// given to Follower::Create (the values in the comments are at scale 1000).
struct FollowerLengths {
    std::int32_t halfBeatTolerance = 0;         // 50: a half-beat chord's distance from mid-beat
    std::int32_t longBeat = 0;                  // 1000: beats longer than this carry half beats
    std::int32_t chordSpan = 0;                 // 50: notes closer than this form one chord
    std::int32_t windowMinimum = 0;             // 200
    std::int32_t windowMaximum = 0;             // 1000
    std::int32_t searchRadius = 0;              // 3000: Jump Several Beats, either side
    std::int32_t minimumJumpSpan = 0;           // 500: score a pattern must cover to jump
    std::int32_t intervalToleranceFloor = 0;    // 100
    std::int32_t intervalToleranceCeiling = 0;  // 500
    std::int32_t nearJump = 0;                  // 1500: closer than this is a jump in place
    std::int32_t markerSnap = 0;                // 200: a marker this close applies to a chord
    std::int32_t jumpScoreUnit = 0;             // 250: score time per point of jump evidence

    static FollowerLengths FromScale(std::int32_t scale);
};

}  // namespace ostinel
