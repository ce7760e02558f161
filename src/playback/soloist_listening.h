#pragma once

#include "sequence/piece.h"

namespace ostinel {

// The input side's listening to the soloist, as the transport starts and
// ends it with following: which input mode to take, and the tap poller. The
// engine connects it to the intake.
class SoloistListening {
  public:
    virtual ~SoloistListening() = default;

    // main thread: Play and Follow started; the intake listens to the soloist
    // (played notes, MIDI taps or key taps, by the settings) and records.
    // When the follower started it, the notes that led into the start are
    // recorded too, at their clock times before the start.
    virtual void BeginFollowing(bool followerStarted) = 0;
    // main thread: following stopped; the intake goes back to its idle mode
    // (listening for an automatic start, or nothing), the poller stops, and
    // what it recorded becomes the events of `performance`, at clock times.
    virtual void EndFollowing(Track& performance) = 0;
    // main thread: whether anything can reach the follower now: an open MIDI
    // input device, or taps from the computer's own keys.
    virtual bool HearsTheSoloist() const { return true; }
};

}  // namespace ostinel
