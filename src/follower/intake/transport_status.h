#pragma once

#include "music/score_position.h"

namespace ostinel {

// The transport commands running now, as the input thread sees them.
struct RunningCommands {
    bool following = false;
    bool playingFile = false;
    bool playingPerformance = false;
    bool fastForward = false;
    bool rewinding = false;
};

// What the intake and remote control read of the transport on the input
// thread while messages arrive: the song position and the running commands.
// The engine implements it over the transport and the tick without locks;
// tests implement it with plain atomics.
class TransportStatus {
  public:
    virtual ~TransportStatus() = default;

    // input thread: the song position now, as the follower is to see it.
    virtual ScorePosition SongPosition() const = 0;
    // input thread
    virtual RunningCommands Running() const = 0;
};

}  // namespace ostinel
