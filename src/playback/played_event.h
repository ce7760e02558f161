#pragma once

#include <cstdint>

#include "music/score_position.h"
#include "platform/lock_free_queue.h"

namespace ostinel {

// What the soloist did, as the follower heard it, for a display to read
// later: a note (or tap) at the score place it was heard at, or a jump.
struct PlayedEvent {
    enum class Kind : std::uint8_t { Note, Tap, Jump };
    Kind kind = Kind::Note;
    std::uint8_t key = 0;    // the note's key, as the follower heard it
    std::uint32_t time = 0;  // clock ms
    // The chord (or beat) it matched, -1 for none; a jump's target.
    ScorePosition matched{-1};
    // Where the follower stood when it came: the matched place, else the
    // position extrapolated from the last anchor. A jump's place is where it left.
    ScorePosition place;
    SpeedFactor speed = kOwnTempoSpeed;  // the follower's tempo then, 4.12
};

// Filled by whichever thread is inside the follower (only one at a time, as
// the follower's busy flag decides), drained by the main thread. A full ring
// drops the newest event rather than wait.
using PlayedEventRing = platform::LockFreeQueue<PlayedEvent, 1024>;

}  // namespace ostinel
