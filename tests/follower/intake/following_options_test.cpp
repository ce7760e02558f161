#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "follower/following_options.h"

namespace ostinel {
namespace {

TEST(FollowingOptions, DefaultsAreTheSettingsDefaults) {
    const FollowingOptions options;
    EXPECT_EQ(options.followSource, FollowSource::SoloistsPlaying);
    EXPECT_FALSE(options.twoFollowTracks);
    EXPECT_EQ(options.followTrack1, 0);
    EXPECT_EQ(options.followTrack2, 0);
    EXPECT_EQ(options.tapSource, TapSource::SpaceBar);
    EXPECT_EQ(options.tapNote, 255);
    EXPECT_EQ(options.tapController, 255);
    EXPECT_TRUE(options.jumpEnabled);
    EXPECT_FALSE(options.jumpSeveralBeatsOnly);
    EXPECT_FALSE(options.waitForSoloToStart);
    EXPECT_FALSE(options.previewBeforeStarting);
    EXPECT_TRUE(options.startAutomatically);
    EXPECT_FALSE(options.stopAutomatically);
    EXPECT_EQ(options.autoStopDelayMs, 5000u);
    EXPECT_EQ(options.timingFollowLevel, 4);
    EXPECT_EQ(options.volumeFollowLevel, 2);
}

TEST(FollowingOptions, IdleModeAwaitsTheSoloistOnlyWhenStartingAutomaticallyOnNotes) {
    FollowingOptions options;
    EXPECT_EQ(IdleInputMode(options), InputMode::InputAwaitStart);
    options.startAutomatically = false;
    EXPECT_EQ(IdleInputMode(options), InputMode::InputIdle);
    options.followSource = FollowSource::TappedBeats;
    EXPECT_EQ(IdleInputMode(options), InputMode::InputIdle);
    options.startAutomatically = true;
    EXPECT_EQ(IdleInputMode(options), InputMode::InputIdle);
}

TEST(FollowingOptions, FollowerGetsTimingStartJumpingAndWait) {
    FollowingOptions options;
    options.timingFollowLevel = 2;
    options.startAutomatically = false;
    options.jumpEnabled = true;
    options.jumpSeveralBeatsOnly = true;
    options.waitForSoloToStart = true;
    const FollowerOptions converted = ToFollowerOptions(options);
    EXPECT_EQ(converted.timingLevel, TimingLevel::Medium);
    EXPECT_FALSE(converted.startAutomatically);
    EXPECT_TRUE(converted.jumping);
    EXPECT_TRUE(converted.severalBeatsOnly);
    EXPECT_TRUE(converted.waitForSolo);

    const FollowerOptions defaults = ToFollowerOptions(FollowingOptions{});
    EXPECT_EQ(defaults.timingLevel, TimingLevel::Highest);
    EXPECT_TRUE(defaults.startAutomatically);
    EXPECT_TRUE(defaults.jumping);
    EXPECT_FALSE(defaults.severalBeatsOnly);
    EXPECT_FALSE(defaults.waitForSolo);
}

TEST(SoloistProgress, KeepsTheFurthestPosition) {
    SoloistProgress progress;
    progress.Restart(ScorePosition{1000});
    progress.Reached(ScorePosition{-1});
    progress.Reached(ScorePosition{900});
    EXPECT_EQ(progress.Furthest(), ScorePosition{1000});
    progress.Reached(ScorePosition{1500});
    progress.Reached(ScorePosition{1200});
    EXPECT_EQ(progress.Furthest(), ScorePosition{1500});
    progress.Restart(ScorePosition{0});
    EXPECT_EQ(progress.Furthest(), ScorePosition{});
}

class AutoStopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options.stopAutomatically = true;
        options.timingFollowLevel = 2;
        options.autoStopDelayMs = 5000;
        state.followingActive = true;
        state.songPosition = ScorePosition{12000};
        state.furthestReached = ScorePosition{6000};
    }

    bool Stops() {
        return ShouldStopAutomatically(options, state, [this](ScorePosition t) {
            asked.push_back(t);
            return lastEvent;
        });
    }

    FollowingOptions options;
    AutoStopState state;
    ScorePosition lastEvent = ScorePosition{6500};
    std::vector<ScorePosition> asked;
};

TEST_F(AutoStopTest, StopsWhenAnEventDueTheDelayAgoWasNotReached) {
    EXPECT_TRUE(Stops());
    EXPECT_EQ(asked, (std::vector<ScorePosition>{ScorePosition{7000}}));
}

TEST_F(AutoStopTest, GoesOnWhenTheSoloistReachedThatEvent) {
    state.furthestReached = ScorePosition{6500};
    EXPECT_FALSE(Stops());
    lastEvent = ScorePosition{-1};  // nothing to play before that place
    state.furthestReached = ScorePosition{0};
    EXPECT_FALSE(Stops());
}

TEST_F(AutoStopTest, DelayIsScoreTimeAtTheCurrentSpeed) {
    state.speed = SpeedFactor{2048};  // half speed: 5 seconds cover 2500 ms of score
    EXPECT_TRUE(Stops());
    state.speed = SpeedFactor{4915};  // 120 %: (4915 × 5000 + 2048) >> 12 = 6000
    EXPECT_TRUE(Stops());
    EXPECT_EQ(asked, (std::vector<ScorePosition>{ScorePosition{9500}, ScorePosition{6000}}));
}

TEST_F(AutoStopTest, NeedsTheOptionActiveFollowingAndMediumTiming) {
    options.stopAutomatically = false;
    EXPECT_FALSE(Stops());
    options.stopAutomatically = true;
    state.followingActive = false;
    EXPECT_FALSE(Stops());
    state.followingActive = true;
    options.timingFollowLevel = 1;
    EXPECT_FALSE(Stops());
    options.timingFollowLevel = 4;
    EXPECT_TRUE(Stops());
}

TEST_F(AutoStopTest, WaitsWhileAJumpRequestIsPending) {
    state.jumpRequestWaiting = true;
    EXPECT_FALSE(Stops());
    EXPECT_TRUE(asked.empty());
}

TEST_F(AutoStopTest, NothingBeforeTheDelayHasPassedFromTheStart) {
    state.songPosition = ScorePosition{4999};
    EXPECT_FALSE(Stops());
    state.songPosition = ScorePosition{5000};
    EXPECT_TRUE(Stops());
    EXPECT_EQ(asked, (std::vector<ScorePosition>{ScorePosition{0}}));
}

TEST_F(AutoStopTest, NeverInsideAnIgnoreSoloistRange) {
    const std::vector<ScoreRange> inside{{ScorePosition{6000}, ScorePosition{8000}}};
    state.ignoreRanges = inside;
    EXPECT_FALSE(Stops());
    const std::vector<ScoreRange> endingThere{
        {ScorePosition{5000}, ScorePosition{7000}}};  // end exclusive
    state.ignoreRanges = endingThere;
    EXPECT_TRUE(Stops());
}

}  // namespace
}  // namespace ostinel
