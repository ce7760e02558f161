#pragma once

#include <cstdint>

#include "follower/engine/follower.h"
#include "music/score_position.h"

namespace ostinel {

// Where the intake hands played notes and taps: the follower in the
// program, a recorder in tests.
class FollowerInput {
  public:
    virtual ~FollowerInput() = default;

    // input thread. False when the note was lost (the follower's queue is full).
    virtual bool NoteIn(std::uint32_t word, ScorePosition songPosition) = 0;
    // input or timer thread. `strength` is 16.16, 0 for none.
    virtual bool TapIn(Fixed16 strength) = 0;
};

// The program's FollowerInput: straight to the engine's follower.
class FollowerInputAdapter final : public FollowerInput {
  public:
    explicit FollowerInputAdapter(Follower& follower) : follower_(follower) {}

    bool NoteIn(std::uint32_t word, ScorePosition songPosition) override;
    bool TapIn(Fixed16 strength) override;

  private:
    Follower& follower_;
};

}  // namespace ostinel
