#pragma once

namespace ostinel {

// What the transport is doing. The modes are independent flags: a running
// span is `playing` plus the mode that started it.
struct TransportMode {
    bool playing = false;
    bool following = false;
    bool playingFile = false;
    bool playingPerformance = false;
    bool fastForward = false;
    bool rewinding = false;
    bool previewing = false;
    bool followerRestart = false;         // this following span began at a follower's jump
    bool followerRestartPending = false;  // the follower asked to restart elsewhere
    bool followingActive = false;         // the follower's position reports are taken

    // Whether the tick is sending: every mode but rewinding, which moves the
    // position without playing.
    bool Sounding() const { return playing && !rewinding; }
};

// The modes a jump resumes after it stopped the transport.
struct SavedMode {
    bool following = false;
    bool playingFile = false;
    bool playingPerformance = false;
    bool fastForward = false;
    bool rewinding = false;

    static SavedMode Of(const TransportMode& mode) {
        return SavedMode{mode.following, mode.playingFile, mode.playingPerformance,
                         mode.fastForward, mode.rewinding};
    }
    friend bool operator==(const SavedMode&, const SavedMode&) = default;
};

}  // namespace ostinel
