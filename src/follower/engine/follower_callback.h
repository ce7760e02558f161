#pragma once

#include <cstdint>

#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

// How the follower tells the playback engine what it concluded. Called on
// whatever thread is working inside the follower at the time (main, MIDI
// input or timer thread): implementations never block, lock or allocate.
class FollowerCallback {
  public:
    virtual ~FollowerCallback() = default;

    // The clock, the same one that stamps the input.
    virtual platform::ClockMs ReportNow() = 0;
    // The soloist is elsewhere: stop the accompaniment, move the song position
    // to target + (now - time) × tempo and restart following with
    // Follower::Resume. Also how an automatic start is requested.
    virtual void ReportJump(ScorePosition target, platform::ClockMs time, std::int32_t tempo) = 0;
    // The running ratio of played to written loudness (16.16).
    virtual void ReportDynamics(std::int32_t ratio) = 0;
    // While the accompaniment plays: (position, time) is its new anchor and
    // tempo / 16 its speed.
    virtual void ReportPosition(ScorePosition position, platform::ClockMs time,
                                std::int32_t tempo) = 0;
    // A played note (the matched chord's position or -1, and the message
    // word) or a tap (the tapped position, word 0), at clock time `time`.
    virtual void ReportEvent(platform::ClockMs time, ScorePosition position,
                             std::uint32_t word) = 0;
};

}  // namespace ostinel
