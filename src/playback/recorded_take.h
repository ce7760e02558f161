#pragma once

#include "music/score_position.h"
#include "playback/performance_tempo.h"

namespace ostinel {

// What following keeps of the last take besides its notes (those are the
// piece's performance track): the stretch it covered, its tempos and the
// master tempo it was played at.
struct RecordedTake {
    PunchSection punch;
    PerformanceTempoList tempos;
    SpeedFactor masterTempoAtRecording = kOwnTempoSpeed;

    // Whether there is a take to play or save.
    bool Exists() const { return PerformanceExists(tempos); }
};

}  // namespace ostinel
