#include "follower/engine/follower_lengths.h"

#include "music/fixed_point.h"

namespace ostinel {

FollowerLengths FollowerLengths::FromScale(std::int32_t scale) {
    FollowerLengths lengths;
    lengths.halfBeatTolerance = fixmul16(scale, 3277);
    lengths.longBeat = fixmul16(scale, 0x10000);
    lengths.chordSpan = fixmul16(scale, 3277);
    lengths.windowMinimum = fixmul16(scale, 13107);
    lengths.windowMaximum = fixmul16(scale, 0x10000);
    lengths.searchRadius = fixmul16(scale, 0x30000);
    lengths.minimumJumpSpan = fixmul16(scale, 32768);
    lengths.intervalToleranceFloor = fixmul16(scale, 6554);
    lengths.intervalToleranceCeiling = fixmul16(scale, 32768);
    lengths.nearJump = fixmul16(scale, 0x18000);
    lengths.markerSnap = fixmul16(scale, 13107);
    lengths.jumpScoreUnit = fixmul16(scale, 16384);
    return lengths;
}

}  // namespace ostinel
