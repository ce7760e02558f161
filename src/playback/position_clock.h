#pragma once

#include <cstdint>

#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

// Where the piece was at one clock reading; the current position is
// extrapolated from it. Written whenever the position is set (start, locate,
// stop, a follower report).
struct PositionAnchor {
    ScorePosition position;
    platform::ClockMs time{};

    friend bool operator==(const PositionAnchor&, const PositionAnchor&) = default;
};

// How score time moves against the clock.
enum class PlaybackMotion : std::uint8_t {
    Stopped,      // the position stays at the anchor
    Rewinding,    // moved by the rewind steps, not by the clock: stays at the anchor
    Playing,      // Play File, Play Performance, Preview: at SpeedFactor
    FastForward,  // four times SpeedFactor
    Following,    // the follower decides
};

// The follower's own estimate of the score position, and how long until a
// position is due by it (clock ms; 0 due now; negative: held until the
// follower reports again). Plain functions and their context, so that asking
// costs no allocation on the timer thread.
struct FollowerEstimate {
    ScorePosition (*read)(void* context) = nullptr;
    std::int32_t (*timeUntil)(void* context, ScorePosition position) = nullptr;
    void* context = nullptr;
};

struct PositionClock {
    PositionAnchor anchor;
    SpeedFactor speed = kOwnTempoSpeed;
    PlaybackMotion motion = PlaybackMotion::Stopped;
    ScorePosition end;          // the end of the piece: the position never passes it
    FollowerEstimate follower;  // asked only while Following
};

// The position at clock reading `now`. Stopped and rewinding: the anchor.
// Following: the follower's estimate (without one, the clock extrapolation).
// Otherwise the anchor plus the elapsed clock time scaled by the speed (never
// less than the anchor, four times as far during fast forward). Following
// and extrapolated positions are clamped to the end of the piece.
// any thread
ScorePosition CurrentPosition(const PositionClock& clock, platform::ClockMs now);

// When a position will be reached while playing (not following).
struct DueTime {
    bool alreadyDue = false;   // the position lies at or before the anchor
    platform::ClockMs time{};  // the clock reading at which it is reached otherwise
};

// The clock time at which `position` comes up: the anchor time plus the
// distance from the anchor divided by the speed (a quarter of that during fast
// forward). A wait too long for a signed clock difference (more than 24.8
// days, or speed 0) is capped at the longest one, so it stays in the future.
// any thread
DueTime DueClockTime(const PositionClock& clock, ScorePosition position);

}  // namespace ostinel
