#pragma once

#include <cstdint>

#include "music/score_position.h"
#include "playback/playback_tick.h"
#include "sequence/piece.h"

// Placing the stopped piece at a position: every track's cursor and the
// state it leaves sounding there, and the beat and system-exclusive cursors.

namespace ostinel {

// main thread, while no tick runs. Moves every track (the performance track
// included) to `position`: each cursor stops at the first event the tick has
// still to play, and the ChaseState holds what the events before it left:
// controllers, program, bend and, per key, the loudest velocity still
// sounding (0 when released). Note-ons exactly at the position are left for
// the tick. A track is scanned again from its start when `rescan` is set (the
// tick has just played it, so its counters count notes, not velocities) or
// when the position lies at or before its last consumed event.
void LocateTracks(Piece& piece, ScorePosition position, bool rescan);

// Where the beat map stands at a position.
struct LocatedBeat {
    std::int32_t nextBeat = 0;  // the first beat at or after the position
    DisplayedBeat display;      // the beat at the position, else the one before
};

// any thread
LocatedBeat LocateBeat(const Piece& piece, ScorePosition position, SpeedFactor speed);

// The first system-exclusive message after `position`; messages at it count
// as passed. any thread
std::int32_t LocateSysEx(const Piece& piece, ScorePosition position);

// The beat at or before `position`, or nothing before the first beat.
// any thread
const BeatRecord* BeatAtOrBefore(const Piece& piece, ScorePosition position);

}  // namespace ostinel
