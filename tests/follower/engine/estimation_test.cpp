#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::FollowerFixture;
using follower_test::Options;
using follower_test::WrittenNote;

class PositionAndTimeUntil : public follower_test::EitherMethod {};

TEST_P(PositionAndTimeUntil, TheEstimateRunsOnFromTheAnchorAtItsTempo) {
    LoadScore(std::vector<WrittenNote>{{12000, 60}});
    StartAt(ScorePosition{10000}, 50000);
    EXPECT_EQ(PositionAt(50000), ScorePosition{10000});
    EXPECT_EQ(PositionAt(50500), ScorePosition{10500});
    callback.now = 50000;
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10250}), 250);
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10000}), 0);
    EXPECT_EQ(follower.TimeUntil(ScorePosition{9000}), 0);
    callback.now = 50300;
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10250}), 0);  // already due
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10400}), 100);
}

TEST_P(PositionAndTimeUntil, TheWaitLimitHoldsTheEstimateOneMsBeforeIt) {
    LoadScore(std::vector<WrittenNote>{{10300, 60}, {12000, 62}});
    const std::vector<ScorePosition> wait = {ScorePosition{10300}};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    StartAt(ScorePosition{10000}, 50000);
    EXPECT_EQ(PositionAt(50500), ScorePosition{10299});
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10300}), -1);
    EXPECT_EQ(follower.TimeUntil(ScorePosition{11000}), -1);
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10200}), 0);
}

TEST_P(PositionAndTimeUntil, AtHalfTempoAScoreMsTakesTwoClockMs) {
    LoadScore(std::vector<WrittenNote>{{12000, 60}});
    StartAt(ScorePosition{10000}, 50000, kFixedOne / 2);
    EXPECT_EQ(PositionAt(50500), ScorePosition{10250});
    callback.now = 50000;
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10100}), 200);
}

TEST_P(PositionAndTimeUntil, NotRunningTheAnswerIsTheAnchorPositionAndMinusOne) {
    LoadScore(std::vector<WrittenNote>{{12000, 60}});
    EXPECT_EQ(follower.TimeUntil(ScorePosition{100}), -1);
    StartAt(ScorePosition{10000}, 50000);
    callback.now = 50700;
    follower.Stop();
    EXPECT_EQ(PositionAt(60000), ScorePosition{10700});
    EXPECT_EQ(follower.TimeUntil(ScorePosition{20000}), -1);
}

TEST_P(PositionAndTimeUntil, TheFirstQueryReanchorsButAnswersFromTheOldAnchor) {
    LoadScore(std::vector<WrittenNote>{{12000, 60}});
    callback.now = 50000;
    ASSERT_TRUE(follower.Start(ScorePosition{10000}, kFixedOne));
    callback.now = 50100;
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10500}), 400);
    EXPECT_EQ(follower.Position(), ScorePosition{10000});
    EXPECT_EQ(follower.TimeUntil(ScorePosition{10500}), 500);
}

class TempoMeasurement : public follower_test::EitherMethod {
  protected:
    // Downbeats two seconds of score apart, the second played 2500 ms after the first.
    void PlayTwoDownbeats(TimingLevel level) {
        LoadScore(std::vector<WrittenNote>{{0, 60}, {2000, 62}, {4000, 64}},
                  BeatList(500, 4, 10000));
        ASSERT_TRUE(follower.SetOptions(Options(level)));
        StartAt(ScorePosition{0});
        Play(kStartClock, 60);
        Play(kStartClock + 2500, 62);
    }
};

// How the matching method blends a measured tempo, to the unit; the
// probability method filters it instead.
using MatchingTempo = TempoMeasurement;

TEST_P(MatchingTempo, AtHighestADownbeatTakesTheMeasuredTempo) {
    PlayTwoDownbeats(TimingLevel::Highest);
    EXPECT_EQ(LastPosition().position, ScorePosition{2000});
    EXPECT_EQ(LastPosition().time, kStartClock + 2500);
    EXPECT_EQ(LastPosition().tempo, 52429);  // 2000 / 2500, rounded
}

TEST_P(MatchingTempo, AtHighItIsAveragedWithTheOldTempo) {
    PlayTwoDownbeats(TimingLevel::High);
    EXPECT_EQ(LastPosition().tempo, (4 * 65536 + 4 * 52429 + 4) / 8);
}

TEST_P(TempoMeasurement, AtMediumTheTempoStaysButThePositionIsReplaced) {
    PlayTwoDownbeats(TimingLevel::Medium);
    EXPECT_EQ(LastPosition().position, ScorePosition{2000});
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
}

TEST_P(TempoMeasurement, AtLowAMatchMovesNothing) {
    PlayTwoDownbeats(TimingLevel::Low);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
    EXPECT_EQ(PositionAt(kStartClock + 2600), ScorePosition{2600});
}

TEST_P(TempoMeasurement, AtLowOnlyAWaitPointMovesThePosition) {
    LoadScore(std::vector<WrittenNote>{{0, 60}, {2000, 62}, {4000, 64}}, BeatList(500, 4, 10000));
    const std::vector<ScorePosition> wait = {ScorePosition{2000}};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Low)));
    StartAt(ScorePosition{0});
    Play(kStartClock, 60);
    EXPECT_EQ(PositionAt(kStartClock + 2500), ScorePosition{1999});
    Play(kStartClock + 2500, 62);
    EXPECT_EQ(PositionAt(kStartClock + 2500), ScorePosition{2000});
    // Past the soloist's next entry, which they have not played.
    EXPECT_EQ(PositionAt(kStartClock + 5000), ScorePosition{4500});
}

TEST_P(TempoMeasurement, ARestoreTempoMarkerWithin200MsReturnsToTheStartingTempo) {
    const auto tempoAfterThirdDownbeat = [this](ScorePosition marker) {
        const std::vector<ScorePosition> restore = {marker};
        EXPECT_TRUE(follower.SetRestoreMarkers(restore));
        PlayTwoDownbeats(TimingLevel::Highest);
        EXPECT_LT(LastPosition().tempo, kFixedOne);
        Play(kStartClock + 5000, 64);
        EXPECT_EQ(LastEvent().position, ScorePosition{4000});
        const std::int32_t tempo = LastPosition().tempo;
        follower.Stop();
        return tempo;
    };
    EXPECT_EQ(tempoAfterThirdDownbeat(ScorePosition{4150}), kFixedOne);
    EXPECT_EQ(tempoAfterThirdDownbeat(ScorePosition{3850}), kFixedOne);
    EXPECT_LT(tempoAfterThirdDownbeat(ScorePosition{4200}), kFixedOne);
}

TEST_P(TempoMeasurement, MatchingTheChordAtAWaitPointReleasesItExactlyWithoutMeasuring) {
    // 4/4 at 500 ms: 2500 is beat 2 and 3000 beat 3 of measure 2, both tempo points.
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {2500, 62}, {3000, 67}, {4000, 69}},
              BeatList(500, 4, 10000));
    const std::vector<ScorePosition> wait = {ScorePosition{3100}};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    Play(kStartClock + 400, 62);  // early: 500 / 400 measured with weight 1
    const std::int32_t tempo = LastPosition().tempo;
    EXPECT_GT(tempo, kFixedOne);
    if (GetParam() == FollowingMethod::Matching) {
        EXPECT_EQ(tempo, (3 * 65536 + 81920 + 2) / 4);
    }
    EXPECT_EQ(PositionAt(kStartClock + 1500), ScorePosition{2999});
    Play(kStartClock + 1500, 67);
    EXPECT_EQ(LastPosition().position, ScorePosition{3000});
    EXPECT_EQ(LastPosition().time, kStartClock + 1500);
    EXPECT_EQ(LastPosition().tempo, tempo);
    EXPECT_EQ(PositionAt(kStartClock + 1600), ScorePosition{3000 + fixmul16(100, tempo)});
}

TEST_P(TempoMeasurement, WaitForSoloHoldsAtTheFirstChordUntilItIsPlayed) {
    LoadScore(std::vector<WrittenNote>{{1000, 60}, {1500, 62}}, BeatList(500, 4, 4000));
    FollowerOptions options = Options();
    options.waitForSolo = true;
    ASSERT_TRUE(follower.SetOptions(options));
    StartAt(ScorePosition{0});
    EXPECT_EQ(PositionAt(kStartClock + 3000), ScorePosition{999});
    Play(kStartClock + 3000, 60);
    EXPECT_EQ(LastPosition().position, ScorePosition{1000});
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
    EXPECT_EQ(PositionAt(kStartClock + 3200), ScorePosition{1200});
}

INSTANTIATE_TEST_SUITE_P(BothMethods, PositionAndTimeUntil, testing::kBothMethods,
                         testing::MethodName);
INSTANTIATE_TEST_SUITE_P(BothMethods, TempoMeasurement, testing::kBothMethods, testing::MethodName);
INSTANTIATE_TEST_SUITE_P(Matching, MatchingTempo, testing::kMatchingOnly, testing::MethodName);

}  // namespace
}  // namespace ostinel
