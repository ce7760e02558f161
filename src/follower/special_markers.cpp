#include "follower/special_markers.h"

#include <algorithm>

namespace ostinel {
namespace {

bool RangeBefore(const ScoreRange& a, const ScoreRange& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
}

}  // namespace

bool AddMarker(std::vector<ScorePosition>& list, ScorePosition position) {
    const auto at = std::lower_bound(list.begin(), list.end(), position);
    if (at != list.end() && *at == position) return false;
    list.insert(at, position);
    return true;
}

bool AddRange(std::vector<ScoreRange>& list, ScoreRange range) {
    const auto at = std::lower_bound(list.begin(), list.end(), range, RangeBefore);
    if (at != list.end() && at->start == range.start && at->end == range.end) return false;
    list.insert(at, range);
    return true;
}

std::vector<ScoreRange> MergeIgnoreRanges(std::span<const ScoreRange> ranges) {
    std::vector<ScoreRange> sorted(ranges.begin(), ranges.end());
    std::stable_sort(sorted.begin(), sorted.end(), RangeBefore);
    std::vector<ScoreRange> merged;
    merged.reserve(sorted.size());
    for (const ScoreRange& range : sorted) {
        // A range that reaches the next one's start, touching included, swallows it.
        if (!merged.empty() && merged.back().end >= range.start) {
            merged.back().end = std::max(merged.back().end, range.end);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

bool InIgnoreRange(std::span<const ScoreRange> ranges, ScorePosition position) {
    return std::any_of(ranges.begin(), ranges.end(), [position](const ScoreRange& range) {
        return range.start <= position && position < range.end;
    });
}

std::vector<ScorePosition> RehearsalPointsForTransport(const SpecialMarkers& markers) {
    std::vector<ScorePosition> points = markers.rehearsalPoints;
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

}  // namespace ostinel
