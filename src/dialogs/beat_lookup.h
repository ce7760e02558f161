#pragma once

// Measure and beat numbers against the piece's beat map, as the Location
// and Loop Mode dialogs type them.

#include <optional>
#include <vector>

#include "music/score_position.h"
#include "sequence/piece.h"

namespace ostinel::dialogs {

// The time of the beat with exactly this measure and beat; none when the
// map has no such beat (a score's pickup is measure 0, a MIDI file's first
// measure 1).
std::optional<ScorePosition> BeatPosition(const std::vector<BeatRecord>& beatMap, int measure,
                                          int beat);

// The beat at or before `position` (the first beat for earlier positions).
BeatRecord BeatAt(const std::vector<BeatRecord>& beatMap, ScorePosition position);

// Score milliseconds from the beat at `position` to the next one; 0 when
// there is no next beat.
int BeatLengthAt(const std::vector<BeatRecord>& beatMap, ScorePosition position);

}  // namespace ostinel::dialogs
