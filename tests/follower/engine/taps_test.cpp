#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::FollowerFixture;
using follower_test::Options;

class Taps : public FollowerFixture {
  protected:
    void StartTapping(TimingLevel level) {
        ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 10000)));
        ASSERT_TRUE(follower.SetOptions(Options(level)));
        StartAt(ScorePosition{0});
    }
};

TEST_F(Taps, ATapPlacesThePositionOnTheNearestBeatAndMeasuresTheTempo) {
    StartTapping(TimingLevel::Highest);
    Tap(kStartClock + 480);
    ASSERT_EQ(callback.positions.size(), 1u);
    EXPECT_EQ(LastPosition().position, ScorePosition{500});
    EXPECT_EQ(LastPosition().time, kStartClock + 480);
    EXPECT_EQ(LastPosition().tempo, (500 * 65536 + 240) / 480);
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().position, ScorePosition{500});
    EXPECT_EQ(LastEvent().time, kStartClock + 480);
}

TEST_F(Taps, AtHighTheTapTempoIsAveragedWithTheOldOne) {
    StartTapping(TimingLevel::High);
    Tap(kStartClock + 480);
    EXPECT_EQ(LastPosition().tempo, (65536 + (500 * 65536 + 240) / 480) >> 1);
}

TEST_F(Taps, AtMediumATapMovesThePositionButNotTheTempo) {
    StartTapping(TimingLevel::Medium);
    Tap(kStartClock + 480);
    EXPECT_EQ(LastPosition().position, ScorePosition{500});
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
}

TEST_F(Taps, ATapBeforeTheFirstBeatIsPassedIsIgnored) {
    StartTapping(TimingLevel::Highest);
    Tap(kStartClock);
    EXPECT_TRUE(callback.positions.empty());
    EXPECT_TRUE(callback.events.empty());
}

TEST_F(Taps, ASecondTapInTheFirstThirdIsIgnoredALaterOneMarksTheHalfBeat) {
    StartTapping(TimingLevel::Highest);
    Tap(kStartClock + 480);
    const std::int32_t tempo = LastPosition().tempo;
    Tap(kStartClock + 500);
    EXPECT_EQ(callback.positions.size(), 1u);
    Tap(kStartClock + 650);
    ASSERT_EQ(callback.positions.size(), 2u);
    EXPECT_EQ(LastPosition().position, ScorePosition{750});
    EXPECT_EQ(LastPosition().time, kStartClock + 650);
    EXPECT_EQ(LastPosition().tempo, tempo);
}

TEST_F(Taps, TheStrengthOfATapSetsTheDynamics) {
    StartTapping(TimingLevel::Highest);
    Tap(kStartClock + 480, 0x20000);
    EXPECT_EQ(callback.dynamics.back(), (0x10000 + 0x20000) >> 1);
}

TEST_F(Taps, AtLowTapsBeforeAWaitOnlyChangeTheDynamicsAndATapAtItReleasesIt) {
    ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 10000)));
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Low)));
    const std::vector<ScorePosition> wait = {ScorePosition{2000}};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    StartAt(ScorePosition{0});
    Tap(kStartClock + 480, 0x20000);
    EXPECT_TRUE(callback.positions.empty());
    EXPECT_EQ(callback.dynamics.back(), 0x18000);
    EXPECT_EQ(PositionAt(kStartClock + 2100), ScorePosition{1999});
    Tap(kStartClock + 2100);
    ASSERT_EQ(callback.positions.size(), 1u);
    EXPECT_EQ(LastPosition().position, ScorePosition{2000});
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
    EXPECT_EQ(PositionAt(kStartClock + 2300), ScorePosition{2200});
}

TEST_F(Taps, WaitingForTheFirstTapHoldsBeforeTheFirstBeat) {
    ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 10000)));
    FollowerOptions options;
    options.waitForSolo = true;
    ASSERT_TRUE(follower.SetOptions(options));
    StartAt(ScorePosition{0});
    EXPECT_EQ(PositionAt(kStartClock + 1000), ScorePosition{-1});
    Tap(kStartClock + 1000);
    EXPECT_EQ(LastPosition().position, ScorePosition{});
    EXPECT_EQ(PositionAt(kStartClock + 1200), ScorePosition{200});
}

TEST_F(Taps, ARestoreTempoMarkerOnTheTappedBeatReturnsToTheStartingTempo) {
    ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 10000)));
    const std::vector<ScorePosition> restore = {ScorePosition{1000}};
    ASSERT_TRUE(follower.SetRestoreMarkers(restore));
    StartAt(ScorePosition{0});
    Tap(kStartClock + 480);
    EXPECT_NE(LastPosition().tempo, kFixedOne);
    Tap(kStartClock + 940);
    EXPECT_EQ(LastPosition().position, ScorePosition{1000});
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
}

}  // namespace
}  // namespace ostinel
