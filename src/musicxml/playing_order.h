#pragma once

#include <vector>

#include "musicxml/score_model.h"

namespace ostinel::musicxml {

// The measures in the order a musician plays them: repeats taken as often as
// they say, first and second endings chosen by the pass, and da capo, dal
// segno, to coda and fine followed. After a jump back, repeats are not taken
// again and the last ending is played. Indexes into `marks`.
std::vector<int> PlayingOrder(const std::vector<MeasureMarks>& marks);

}  // namespace ostinel::musicxml
