#pragma once

#include "music/score_position.h"

namespace ostinel {

// A (start, end) range of the score, end exclusive.
struct ScoreRange {
    ScorePosition start;
    ScorePosition end;

    friend constexpr bool operator==(const ScoreRange&, const ScoreRange&) = default;
};

}  // namespace ostinel
