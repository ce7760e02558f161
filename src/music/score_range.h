#pragma once

#include "music/score_position.h"

namespace ostinel {

// A (start, end) range of the score, end exclusive.
struct ScoreRange {
    ScorePosition start = 0;
    ScorePosition end = 0;

    friend constexpr bool operator==(const ScoreRange&, const ScoreRange&) = default;
};

}  // namespace ostinel
