#pragma once

#include "music/fixed_point.h"
#include "music/score_position.h"

namespace ostinel {

// One (score position, tempo) pair of a finished take: the tempo is the
// soloist's, a 16.16 ratio to the piece's own.
struct TempoPoint {
    ScorePosition position;
    Fixed16 tempo = kFixedOne;
};

}  // namespace ostinel
