#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "follower/special_markers.h"

namespace ostinel {
namespace {

// 4/4 at 500 ms a beat: measure m, beat 1 lies at (m - 1) × 2000.
constexpr ScorePosition Bar(int measure) {
    return ScorePosition{(measure - 1) * 2000};
}

using Ranges = std::vector<ScoreRange>;
using Pairs = std::vector<std::pair<ScorePosition, ScorePosition>>;

Pairs AsPairs(const Ranges& ranges) {
    Pairs pairs;
    for (const ScoreRange& range : ranges)
        pairs.emplace_back(range.start, range.end);
    return pairs;
}

TEST(SpecialMarkers, TouchingRangesBecomeOne) {
    const Ranges ranges{{Bar(3), Bar(5)}, {Bar(5), Bar(7)}};
    EXPECT_EQ(AsPairs(MergeIgnoreRanges(ranges)), (Pairs{{Bar(3), Bar(7)}}));
}

TEST(SpecialMarkers, ContainedRangeDisappears) {
    const Ranges ranges{{Bar(3), Bar(8)}, {Bar(4), Bar(5)}};
    EXPECT_EQ(AsPairs(MergeIgnoreRanges(ranges)), (Pairs{{Bar(3), Bar(8)}}));
}

TEST(SpecialMarkers, MergingGoesOnFromTheMergedRange) {
    const Ranges ranges{{Bar(1), Bar(4)}, {Bar(2), Bar(6)}, {Bar(6), Bar(7)}, {Bar(9), Bar(10)}};
    EXPECT_EQ(AsPairs(MergeIgnoreRanges(ranges)), (Pairs{{Bar(1), Bar(7)}, {Bar(9), Bar(10)}}));
}

TEST(SpecialMarkers, SeparateRangesStayAndComeOutInOrder) {
    const Ranges ranges{{Bar(9), Bar(10)}, {Bar(3), Bar(5)}, {Bar(5) + 5, Bar(6)}};
    EXPECT_EQ(AsPairs(MergeIgnoreRanges(ranges)),
              (Pairs{{Bar(3), Bar(5)}, {Bar(5) + 5, Bar(6)}, {Bar(9), Bar(10)}}));
    EXPECT_TRUE(MergeIgnoreRanges(Ranges{}).empty());
}

TEST(SpecialMarkers, AddingThePlaceTwiceKeepsOneEntry) {
    std::vector<ScorePosition> list;
    EXPECT_TRUE(AddMarker(list, Bar(5)));
    EXPECT_TRUE(AddMarker(list, Bar(2)));
    EXPECT_FALSE(AddMarker(list, Bar(5)));
    EXPECT_EQ(list, (std::vector<ScorePosition>{Bar(2), Bar(5)}));

    Ranges ranges;
    EXPECT_TRUE(AddRange(ranges, {Bar(4), Bar(6)}));
    EXPECT_TRUE(AddRange(ranges, {Bar(4), Bar(5)}));
    EXPECT_FALSE(AddRange(ranges, {Bar(4), Bar(6)}));
    EXPECT_EQ(AsPairs(ranges), (Pairs{{Bar(4), Bar(5)}, {Bar(4), Bar(6)}}));
}

TEST(SpecialMarkers, RangesIncludeTheirStartButNotTheirEnd) {
    const Ranges ranges{{ScorePosition{1000}, ScorePosition{2000}},
                        {ScorePosition{5000}, ScorePosition{6000}}};
    EXPECT_FALSE(InIgnoreRange(ranges, ScorePosition{999}));
    EXPECT_TRUE(InIgnoreRange(ranges, ScorePosition{1000}));
    EXPECT_TRUE(InIgnoreRange(ranges, ScorePosition{1999}));
    EXPECT_FALSE(InIgnoreRange(ranges, ScorePosition{2000}));
    EXPECT_TRUE(InIgnoreRange(ranges, ScorePosition{5500}));
    EXPECT_FALSE(InIgnoreRange(Ranges{}, ScorePosition{0}));
}

TEST(SpecialMarkers, RehearsalPointsForTheTransportAreSortedOnce) {
    SpecialMarkers markers;
    markers.rehearsalPoints = {Bar(9), Bar(1), Bar(5), Bar(9)};
    markers.waitForSoloist = {Bar(2)};  // not a rehearsal point
    EXPECT_EQ(RehearsalPointsForTransport(markers),
              (std::vector<ScorePosition>{Bar(1), Bar(5), Bar(9)}));
}

}  // namespace
}  // namespace ostinel
