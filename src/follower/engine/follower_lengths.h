#pragma once

#include <cstdint>

#include "music/score_position.h"

namespace ostinel {

// The follower's lengths in score ms, each a fixed fraction of the time scale
// given to Follower::Create (the values in the comments are at scale 1000).
struct FollowerLengths {
    ScorePosition halfBeatTolerance = 0;         // 50: a half-beat chord's distance from mid-beat
    ScorePosition longBeat = 0;                  // 1000: beats longer than this carry half beats
    ScorePosition chordSpan = 0;                 // 50: notes closer than this form one chord
    ScorePosition windowMinimum = 0;             // 200
    ScorePosition windowMaximum = 0;             // 1000
    ScorePosition searchRadius = 0;              // 3000: Jump Several Beats, either side
    ScorePosition minimumJumpSpan = 0;           // 500: score a pattern must cover to jump
    ScorePosition intervalToleranceFloor = 0;    // 100
    ScorePosition intervalToleranceCeiling = 0;  // 500
    ScorePosition nearJump = 0;                  // 1500: closer than this is a jump in place
    ScorePosition markerSnap = 0;                // 200: a marker this close applies to a chord
    ScorePosition jumpScoreUnit = 0;             // 250: score time per point of jump evidence

    static FollowerLengths FromScale(std::int32_t scale);
};

}  // namespace ostinel
