#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::ControlWord;
using follower_test::FollowerFixture;
using follower_test::WrittenNote;

constexpr std::int32_t kEightTenths = 52429;  // 0.8, rounded

class TakeHistory : public follower_test::EitherMethod {
  protected:
    // Starts at `start` at clock 1000, matches the downbeats at 0 (clock 1000)
    // and 2000 (clock 3500), and stops at clock 4500.
    void PlayATake(ScorePosition start) {
        LoadScore(std::vector<WrittenNote>{{0, 60}, {2000, 62}, {4000, 64}},
                  BeatList(500, 4, 10000));
        StartAt(start, 1000);
        Play(1000, 60);
        Play(3500, 62);
        callback.now = 4500;
        follower.Stop();
    }
};

TEST_P(TakeHistory, PerformedTimesMapOntoTheScore) {
    PlayATake(ScorePosition{0});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{500}),
              ScorePosition{});  // before the take: its first position
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{1000}), ScorePosition{});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{2250}),
              ScorePosition{2000 - fixmul16(1250, kEightTenths)});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{3499}),
              ScorePosition{2000});  // 1 ms before a record is the record
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{3500}), ScorePosition{2000});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{4000}), ScorePosition{2400});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{5000}),
              ScorePosition{2800 + fixmul16(500, kEightTenths)});
    // An earlier time again starts over from the first record.
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{2250}), ScorePosition{1000});
}

TEST_P(TakeHistory, TheTempoListHasEachRecordsTempoAndEndsAtTheBaseTempo) {
    PlayATake(ScorePosition{0});
    const std::vector<TempoPoint> list = follower.TempoList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].position, ScorePosition{});
    EXPECT_EQ(list[0].tempo, kEightTenths);
    EXPECT_EQ(list[1].position, ScorePosition{2000});
    EXPECT_EQ(list[1].tempo, kEightTenths);
    EXPECT_EQ(list[2].position, ScorePosition{2800});
    EXPECT_EQ(list[2].tempo, kFixedOne);
}

TEST_P(TakeHistory, ATakeStartingLaterBeginsItsTempoListAtZero) {
    LoadScore(std::vector<WrittenNote>{{4000, 60}}, BeatList(500, 4, 10000));
    StartAt(ScorePosition{1000}, 1000);
    callback.now = 2000;
    follower.Stop();
    const std::vector<TempoPoint> list = follower.TempoList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].position, ScorePosition{});
    EXPECT_EQ(list[0].tempo, kFixedOne);
    EXPECT_EQ(list[1].position, ScorePosition{1000});
    EXPECT_EQ(list[2].position, ScorePosition{2000});
}

TEST_P(TakeHistory, NothingIsMappedWhileRunning) {
    LoadScore(std::vector<WrittenNote>{{4000, 60}});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{100}), ScorePosition{-1});
    StartAt(ScorePosition{0});
    EXPECT_EQ(follower.PerformedToScore(platform::ClockMs{kStartClock}), ScorePosition{-1});
    EXPECT_TRUE(follower.TempoList().empty());
}

TEST_P(TakeHistory, ALongTakeKeepsItsLastStretchAsPlayed) {
    // Sixteenth notes, half of them on no beat or half beat: 300 at the written
    // pace, then 90 at half of it and the last 10 at the written pace again,
    // which the records must still show, with four signals given on the way.
    constexpr int kNotes = 400;
    std::vector<WrittenNote> notes;
    for (int i = 0; i < kNotes; ++i)
        notes.push_back({static_cast<std::uint32_t>(125 * i), 48 + (i * 7) % 36});
    LoadScore(notes, BeatList(500, 4, 125 * kNotes));
    std::vector<ScorePosition> signals;
    for (const int i : {310, 330, 350, 370})
        signals.push_back(ScorePosition{125 * i + 60});
    follower.SetSignal(256 + 64);
    ASSERT_TRUE(follower.SetSignalMarkers(signals));
    StartAt(ScorePosition{}, 1000);
    std::uint32_t at = 1000;
    std::vector<std::uint32_t> played;
    for (int i = 0; i < kNotes; ++i) {
        played.push_back(at);
        Play(at, notes[static_cast<std::size_t>(i)].key);
        if (i % 20 == 10 && i > 300) {
            callback.now = at + 120;
            ASSERT_TRUE(follower.NoteIn(ControlWord(64, 127), ScorePosition{}));
        }
        at += i < 300 || i >= 390 ? 125 : 250;
    }
    callback.now = at;
    follower.Stop();
    for (const int i : {100, 250, 320, 360, 388}) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(
            follower.PerformedToScore(platform::ClockMs{played[static_cast<std::size_t>(i)]}).Ms(),
            125 * i, 40);
    }
}

TEST_P(TakeHistory, TheLastEventBeforeAPositionIsAChordOrABeat) {
    LoadScore(std::vector<WrittenNote>{{1000, 60}, {2000, 62}});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{999}), ScorePosition{-1});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{1000}), ScorePosition{1000});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{1999}), ScorePosition{1000});
    EXPECT_EQ(follower.LastEventAtOrBefore(kNoLimit), ScorePosition{2000});
    ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 2000)));
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{1499}), ScorePosition{1000});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{-1}), ScorePosition{-1});
}

INSTANTIATE_TEST_SUITE_P(BothMethods, TakeHistory, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
