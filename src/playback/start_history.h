#pragma once

#include <array>
#include <optional>

#include "music/score_position.h"

namespace ostinel {

// The last four positions playback started from, most recent first; Jump
// Again walks back through them.
class StartHistory {
  public:
    static constexpr std::size_t kLength = 4;

    // main thread: a piece was opened.
    void Clear() { entries_ = {}; }
    // main thread: a span started at `position`. Found among the first three,
    // it moves to the front; otherwise everything moves down and the oldest
    // is lost.
    void Record(ScorePosition position);

    // The most recent start: where the span that is playing began.
    ScorePosition Front() const { return entries_[0]; }
    const std::array<ScorePosition, kLength>& Entries() const { return entries_; }

    // Jump Again's target: the entry after the one equal to `current` among
    // the first three (after the fourth when absent, which wraps to the first).
    ScorePosition After(ScorePosition current) const;

  private:
    std::array<ScorePosition, kLength> entries_{};
};

}  // namespace ostinel
