// The performed tempos kept when following stops, and the tempos that
// playing the performance takes before, inside and after the performed span.

#include "playback/performance_tempo.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostinel {
namespace {

// A take that starts at 1000: at its own tempo for two seconds of score,
// then half as fast, then at a double pace that no entry comes after.
std::vector<TempoPoint> Take() {
    return {
        {ScorePosition{500}, 0x30000},  // before the punch start
        {ScorePosition{1000}, kFixedOne},     {ScorePosition{2000}, kFixedOne},
        {ScorePosition{3000}, kFixedOne / 2}, {ScorePosition{4000}, 2 * kFixedOne},
    };
}

PerformanceTempoList TakeList() {
    return BuildPerformanceTempoList(Take(), ScorePosition{1000}, SpeedFactor{5000});
}

TEST(PerformanceTempoList, ASpanOfTwoPairsLeavesNoPerformance) {
    const std::vector<TempoPoint> points{{ScorePosition{1000}, kFixedOne},
                                         {ScorePosition{2000}, kFixedOne},
                                         {ScorePosition{3000}, kFixedOne}};
    const PerformanceTempoList shortened =
        BuildPerformanceTempoList(points, ScorePosition{1500}, SpeedFactor{4096});
    EXPECT_TRUE(shortened.entries.empty());
    EXPECT_FALSE(PerformanceExists(shortened));

    const PerformanceTempoList whole =
        BuildPerformanceTempoList(points, ScorePosition{1000}, SpeedFactor{4096});
    EXPECT_EQ(whole.Count(), 3);
    EXPECT_TRUE(PerformanceExists(whole));
    EXPECT_FALSE(PerformanceExists(PerformanceTempoList{}));
}

TEST(PerformanceTempoList, EntriesAddTheScoreSpansOverThePreviousRatio) {
    const PerformanceTempoList list = TakeList();
    ASSERT_EQ(list.Count(), 4);
    const std::vector<std::pair<std::uint32_t, ScorePosition>> expected{
        {0, ScorePosition{1000}},
        {1000, ScorePosition{2000}},
        {2000, ScorePosition{3000}},
        {4000, ScorePosition{4000}}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.entries[i].time, expected[i].first) << i;
        EXPECT_EQ(list.entries[i].position, ScorePosition{expected[i].second}) << i;
    }
    EXPECT_EQ(list.lastTempo, SpeedFactor{5000});
}

TEST(PerformanceTempoList, AverageIsScoreOverPerformedTimeRounded) {
    const PerformanceTempoList list = TakeList();
    // 3000 score ms in 4000 performed: (3000 × 2^28 + 2000) / 4000 = 201326592.5.
    EXPECT_EQ(list.averageFactor, 201326593u);
    EXPECT_EQ(list.averageTempo, SpeedFactor{3072});

    // 3000 score ms in 2999 performed ms, which no 4.12 value holds exactly.
    const std::vector<TempoPoint> points{{ScorePosition{0}, kFixedOne},
                                         {ScorePosition{1000}, 0x10011},
                                         {ScorePosition{3000}, kFixedOne}};
    const PerformanceTempoList quick =
        BuildPerformanceTempoList(points, ScorePosition{0}, SpeedFactor{4096});
    ASSERT_EQ(quick.Count(), 3);
    EXPECT_EQ(quick.entries[1].time, 1000u);
    EXPECT_EQ(quick.entries[2].time, 2999u);
    EXPECT_EQ(quick.averageFactor, 268524965u);
    EXPECT_EQ(quick.averageTempo, SpeedFactor{4097});
}

TEST(PerformanceTempoIndex, IsTheFirstEntryAtOrAfterThePosition) {
    const PerformanceTempoList list = TakeList();
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{0}), 0);
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{1000}), 0);
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{1001}), 1);
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{3500}), 3);
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{4000}), 3);
    EXPECT_EQ(PerformanceTempoIndex(list, ScorePosition{4001}), 4);
}

TEST(StartingTempoRatio, BeforeTheSectionIsTheFileOrTheAverageTempo) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.before = TempoBeforePerformed::FileTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{500}, choices), 4096u);
    choices.before = TempoBeforePerformed::AverageTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{500}, choices), 3072u);
}

TEST(StartingTempoRatio, InsideTheSectionIsThePerformedStretchOrTheFileTempo) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.during = TempoDuringPerformed::PerformedTempos;
    // 1000 score ms played in 2000: (1000 × 4096 + 1000) / 2000.
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{3500}, choices), 2048u);
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{1500}, choices), 4096u);
    choices.during = TempoDuringPerformed::FileTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{3500}, choices), 4096u);
}

TEST(StartingTempoRatio, AfterTheSectionIsTheFileAverageOrLastTempo) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.after = TempoAfterPerformed::FileTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{5000}, choices), 4096u);
    choices.after = TempoAfterPerformed::AverageTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{5000}, choices), 3072u);
    choices.after = TempoAfterPerformed::LastTempo;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{5000}, choices), 5000u);
}

TEST(SpeedForRatio, AMasterTempoOfHalfHalvesAPerformedTempo) {
    EXPECT_EQ(SpeedForRatio(2048, SpeedFactor{4096}, SpeedFactor{4096}), SpeedFactor{2048});
    EXPECT_EQ(SpeedForRatio(2048, SpeedFactor{2048}, SpeedFactor{4096}), SpeedFactor{1024});
    EXPECT_EQ(SpeedForRatio(3072, SpeedFactor{2048}, SpeedFactor{4096}), SpeedFactor{1536});
    // Recorded at half speed: the same master tempo plays the performed pace.
    EXPECT_EQ(SpeedForRatio(4096, SpeedFactor{2048}, SpeedFactor{2048}), SpeedFactor{4096});
    EXPECT_EQ(SpeedForRatio(4096, SpeedFactor{4096}, SpeedFactor{2048}), SpeedFactor{8192});
}

TEST(SteerPerformanceTempo, ReportsOnEnteringEachStretchWithPerformedTempos) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.during = TempoDuringPerformed::PerformedTempos;
    choices.after = TempoAfterPerformed::AverageTempo;
    std::int32_t index = 0;
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{999}, choices), std::nullopt);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{1000}, choices),
              std::optional<std::uint32_t>(4096));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{1999}, choices), std::nullopt);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{2000}, choices),
              std::optional<std::uint32_t>(4096));
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{3000}, choices),
              std::optional<std::uint32_t>(2048));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{4000}, choices),
              std::optional<std::uint32_t>(3072));
    EXPECT_EQ(index, 4);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{9000}, choices), std::nullopt);
    EXPECT_EQ(index, 4);
}

TEST(SteerPerformanceTempo, WithTheFileTempoReportsOnlyEnteringAndLeaving) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.during = TempoDuringPerformed::FileTempo;
    choices.after = TempoAfterPerformed::LastTempo;
    std::int32_t index = 0;
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{1500}, choices),
              std::optional<std::uint32_t>(4096));
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{2000}, choices), std::nullopt);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{3000}, choices), std::nullopt);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{4000}, choices),
              std::optional<std::uint32_t>(5000));
    EXPECT_EQ(index, 4);
}

TEST(SteerPerformanceTempo, PassingTheWholeSectionAtOnceGivesTheAfterTempo) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.after = TempoAfterPerformed::FileTempo;
    std::int32_t index = 0;
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{4500}, choices),
              std::optional<std::uint32_t>(4096));
    EXPECT_EQ(index, 4);
}

TEST(SteerPerformanceTempo, StartingBeforeAtTheAverageThenTakesThePerformedTempos) {
    const PerformanceTempoList list = TakeList();
    PerformanceTempoChoices choices;
    choices.before = TempoBeforePerformed::AverageTempo;
    choices.during = TempoDuringPerformed::PerformedTempos;
    EXPECT_EQ(StartingTempoRatio(list, ScorePosition{200}, choices), 3072u);
    std::int32_t index = PerformanceTempoIndex(list, ScorePosition{200});
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{2500}, choices),
              std::optional<std::uint32_t>(4096));
    EXPECT_EQ(SteerPerformanceTempo(list, index, ScorePosition{3100}, choices),
              std::optional<std::uint32_t>(2048));
}

}  // namespace
}  // namespace ostinel
