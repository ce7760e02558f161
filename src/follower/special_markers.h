#pragma once

#include <span>
#include <vector>

#include "music/score_position.h"
#include "music/score_range.h"

namespace ostinel {

class Follower;

// The places of a piece that steer following, each list ascending. They
// belong to the open piece and change only while the transport is stopped.
struct SpecialMarkers {
    std::vector<ScorePosition> rehearsalPoints;  // for Jump Ahead and Jump Back only
    std::vector<ScorePosition> waitForSoloist;
    std::vector<ScorePosition> waitForSignal;
    std::vector<ScorePosition> restoreTempo;
    std::vector<ScoreRange> ignoreSoloist;  // end exclusive

    friend bool operator==(const SpecialMarkers&, const SpecialMarkers&) = default;
};

// Adds `position` to an ascending list unless it is there already; false
// when it was.
bool AddMarker(std::vector<ScorePosition>& list, ScorePosition position);
// The same for a range, kept in (start, end) order.
bool AddRange(std::vector<ScoreRange>& list, ScoreRange range);

// The ranges in (start, end) order, with every range that reaches or
// touches the next one joined to it, as the follower wants them.
std::vector<ScoreRange> MergeIgnoreRanges(std::span<const ScoreRange> ranges);

// Whether `position` lies inside one of the ranges (start inclusive, end
// exclusive).
bool InIgnoreRange(std::span<const ScoreRange> ranges, ScorePosition position);

// What the transport's Jump Ahead and Jump Back move between: the
// rehearsal points, sorted, each once.
std::vector<ScorePosition> RehearsalPointsForTransport(const SpecialMarkers& markers);

}  // namespace ostinel
