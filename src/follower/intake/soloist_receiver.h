#pragma once

#include <cstdint>

#include "follower/engine/follower.h"
#include "music/score_position.h"

namespace ostinel {

// Where the intake hands the soloist's played notes and taps: the follower
// in the program, a recorder in tests.
class SoloistReceiver {
  public:
    virtual ~SoloistReceiver() = default;

    // input thread. False when the note was lost (the follower's queue is full).
    virtual bool NoteIn(std::uint32_t word, ScorePosition songPosition) = 0;
    // input or timer thread. `strength` is 16.16, 0 for none.
    virtual bool TapIn(Fixed16 strength) = 0;
};

// The program's soloist receiver: notes and taps go straight into the follower.
class FollowerReceiver final : public SoloistReceiver {
  public:
    explicit FollowerReceiver(Follower& follower) : follower_(follower) {}

    bool NoteIn(std::uint32_t word, ScorePosition songPosition) override;
    bool TapIn(Fixed16 strength) override;

  private:
    Follower& follower_;
};

}  // namespace ostinel
