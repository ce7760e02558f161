#pragma once

#include <cstdint>

#include "playback/performance_tempo.h"

namespace ostinel {

// What Play Performance plays beside, or instead of, the following track.
enum class PerformancePlayMode : std::uint16_t {
    PunchIn = 0,             // the take inside its section, the following track outside it
    SoundOnSound = 1,        // the take over the whole following track
    Overwrite = 2,           // the take instead of the following track
    FollowingTrackOnly = 3,  // the file as it is, at the performed tempos
};

// The Performance Settings. The performance track's own port, channel and
// patch are that track's output settings; `useFollowingTrackSound` borrows the
// following track's instead while the performance plays.
struct PerformanceSettings {
    PerformancePlayMode playMode = PerformancePlayMode::PunchIn;
    bool playTappedNotes = false;
    bool useFollowingTrackSound = true;
    PerformanceTempoChoices tempos;
};

}  // namespace ostinel
