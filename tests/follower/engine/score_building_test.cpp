#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower/engine/score_chords.h"
#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::FollowerFixture;
using follower_test::FollowingTrack;
using follower_test::WrittenNote;

constexpr std::int32_t kChordSpanMs = 50;

ScoreChords Build(const std::vector<WrittenNote>& notes) {
    return BuildScoreChords(FollowingTrack(notes), {}, kChordSpanMs);
}

std::vector<std::uint8_t> Roles(const std::vector<ScorePosition>& times,
                                const std::vector<std::uint32_t>& beats) {
    std::vector<WrittenNote> notes;
    for (ScorePosition time : times)
        notes.push_back({static_cast<std::uint32_t>(time.Ms()), 60});
    ScoreChords score = Build(notes);
    AssignChordRoles(score, beats, 50, 1000);
    std::vector<std::uint8_t> roles;
    for (const ScoreChord& chord : score.chords)
        roles.push_back(chord.role);
    return roles;
}

TEST(ScoreChordGrouping, NotesFiftyMsApartStayOneChord) {
    const ScoreChords score = Build({{1000, 60}, {1050, 64}});
    ASSERT_EQ(score.Count(), 1);
    EXPECT_EQ(score.chords[0].time, ScorePosition{1000});
    EXPECT_EQ(score.chords[0].noteCount, 2);
}

TEST(ScoreChordGrouping, NotesFiftyOneMsApartMakeTwoChords) {
    const ScoreChords score = Build({{1000, 60}, {1051, 64}});
    ASSERT_EQ(score.Count(), 2);
    EXPECT_EQ(score.chords[1].time, ScorePosition{1051});
    EXPECT_EQ(score.chords[1].firstNote, 1);
}

TEST(ScoreChordGrouping, TheSpanCountsFromTheChordsFirstNote) {
    const ScoreChords score = Build({{1000, 60}, {1040, 62}, {1080, 64}});
    ASSERT_EQ(score.Count(), 2);
    EXPECT_EQ(score.chords[0].noteCount, 2);
    EXPECT_EQ(score.chords[1].time, ScorePosition{1080});
}

TEST(ScoreChordGrouping, TwoTracksMergeByTimeTheFirstTrackFirstOnTies) {
    const std::vector<TrackEvent> first = FollowingTrack(std::vector<WrittenNote>{{1000, 60}});
    const std::vector<TrackEvent> second =
        FollowingTrack(std::vector<WrittenNote>{{990, 55}, {1000, 64}});
    const ScoreChords score = BuildScoreChords(first, second, kChordSpanMs);
    ASSERT_EQ(score.Count(), 1);
    ASSERT_EQ(score.notes.size(), 3u);
    EXPECT_EQ(score.notes[0].pitch, 55);
    EXPECT_EQ(score.notes[1].pitch, 60);
    EXPECT_EQ(score.notes[2].pitch, 64);
}

TEST(ScoreChordGrouping, OnlySoundingNoteOnsOnAnyChannelCount) {
    const std::vector<TrackEvent> events = {
        {100, kNoteOff, 60, 64, 0},
        {200, kNoteOn, 61, 0, 0},
        {300, kControlChange, 64, 127, 0},
        {400, kNoteOn | 3, 62, 90, 0},
    };
    const ScoreChords score = BuildScoreChords(events, {}, kChordSpanMs);
    ASSERT_EQ(score.Count(), 1);
    EXPECT_EQ(score.chords[0].time, ScorePosition{400});
    EXPECT_EQ(score.notes[0].pitch, 62);
    EXPECT_EQ(score.notes[0].velocity, 90);
}

TEST(ScoreChordGrouping, ThePitchIndexListsAChordOncePerNote) {
    const ScoreChords score = Build({{0, 60}, {0, 60}, {0, 64}, {500, 60}});
    const auto chords = score.pitchIndex.ChordsWith(60);
    EXPECT_EQ(std::vector<std::int32_t>(chords.begin(), chords.end()),
              (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(score.pitchIndex.ChordsWith(64).size(), 1u);
    EXPECT_TRUE(score.pitchIndex.ChordsWith(61).empty());
}

TEST(ScoreChordGrouping, NoNoteOnsGiveNoChords) {
    const std::vector<TrackEvent> events = {{100, kControlChange, 7, 100, 0}};
    EXPECT_EQ(BuildScoreChords(events, {}, kChordSpanMs).Count(), 0);
}

TEST(ChordRoles, FourFourAtFiveHundredMsPerBeat) {
    const auto beats = BeatList(500, 4, 10000);
    // Beat 1 of measure 1, beats 1-4 of measure 2, beat 1 of measure 4 after a silent measure 3.
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{2000}, ScorePosition{2500},
                     ScorePosition{3000}, ScorePosition{3500}, ScorePosition{6000}},
                    beats),
              (std::vector<std::uint8_t>{0x0C, 0x1F, 0x14, 0x15, 0x16, 0x0C}));
}

TEST(ChordRoles, AHalfBeatChordInALongBeat) {
    const auto beats = BeatList(1200, 4, 20000);
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{1200}, ScorePosition{1800}}, beats),
              (std::vector<std::uint8_t>{0x0C, 0x14, 0x14}));
}

TEST(ChordRoles, TwoHalfBeatChordsInARowNeedARoleChordBetween) {
    const auto beats = BeatList(1200, 4, 20000);
    EXPECT_EQ(
        Roles({ScorePosition{0}, ScorePosition{1200}, ScorePosition{1800}, ScorePosition{3000}},
              beats),
        (std::vector<std::uint8_t>{0x0C, 0x14, 0x14, 0x00}));
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{1200}, ScorePosition{1800},
                     ScorePosition{2400}, ScorePosition{3000}},
                    beats),
              (std::vector<std::uint8_t>{0x0C, 0x14, 0x14, 0x15, 0x14}));
}

TEST(ChordRoles, AHalfBeatNeedsABeatLongerThanTheLongBeat) {
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{1000}, ScorePosition{1500}},
                    BeatList(1000, 4, 20000)),
              (std::vector<std::uint8_t>{0x0C, 0x14, 0x00}));
}

TEST(ChordRoles, AnOffBeatChordTwoBeatsOnTakesItsBeatsRole) {
    const auto beats = BeatList(500, 4, 10000);
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{2000}, ScorePosition{3250}}, beats),
              (std::vector<std::uint8_t>{0x0C, 0x1F, 0x15}));
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{2000}, ScorePosition{2600}}, beats),
              (std::vector<std::uint8_t>{0x0C, 0x1F, 0x00}));
}

TEST(ChordRoles, AnOffBeatChordAfterADownbeatAMeasureOnMeasures) {
    const auto beats = BeatList(500, 4, 10000);
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{3000}, ScorePosition{4100}}, beats),
              (std::vector<std::uint8_t>{0x0C, 0x15, 0x1F}));
    EXPECT_EQ(
        Roles({ScorePosition{0}, ScorePosition{2000}, ScorePosition{3000}, ScorePosition{4100}},
              beats),
        (std::vector<std::uint8_t>{0x0C, 0x1F, 0x15, 0x00}));
}

TEST(ChordRoles, WithoutBeatsOnlyTheFirstChordHasARole) {
    EXPECT_EQ(Roles({ScorePosition{0}, ScorePosition{500}, ScorePosition{1000}}, {}),
              (std::vector<std::uint8_t>{0x0C, 0x00, 0x00}));
}

using FollowerScore = FollowerFixture;

TEST_F(FollowerScore, ChordGroupingSeenThroughTheLastEventBefore) {
    LoadScore(std::vector<WrittenNote>{{1000, 60}, {1050, 64}});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{1060}), ScorePosition{1000});
    LoadScore(std::vector<WrittenNote>{{1000, 60}, {1051, 64}});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{1060}), ScorePosition{1051});
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{999}), ScorePosition{-1});
}

TEST_F(FollowerScore, SetScoreWhileRunningIsRefusedAndChangesNothing) {
    LoadScore(std::vector<WrittenNote>{{1000, 60}});
    StartAt(ScorePosition{0});
    const std::vector<TrackEvent> other = FollowingTrack(std::vector<WrittenNote>{{3000, 62}});
    EXPECT_FALSE(follower.SetScore(other, {}, {}));
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{5000}), ScorePosition{1000});
    EXPECT_FALSE(follower.SetBeats(BeatList(500, 4, 2000)));
    EXPECT_FALSE(follower.SetOptions(FollowerOptions{}));
    const std::vector<ScorePosition> markers = {ScorePosition{2000}};
    EXPECT_FALSE(follower.SetWaitMarkers(markers));
    EXPECT_FALSE(follower.SetSignalMarkers(markers));
    EXPECT_FALSE(follower.SetRestoreMarkers(markers));
    const std::vector<ScoreRange> ranges = {{ScorePosition{100}, ScorePosition{200}}};
    EXPECT_FALSE(follower.SetIgnoreRanges(ranges));
    follower.Stop();
    EXPECT_TRUE(follower.SetScore(other, {}, {}));
    EXPECT_EQ(follower.LastEventAtOrBefore(ScorePosition{5000}), ScorePosition{3000});
}

TEST_F(FollowerScore, AScoreWithoutNotesStillStartsAndMatchesNothing) {
    const std::vector<TrackEvent> controllers = {{100, kControlChange, 7, 100, 0}};
    ASSERT_TRUE(follower.SetScore(controllers, {}, {}));
    StartAt(ScorePosition{0});
    EXPECT_TRUE(follower.Running());
    Play(kStartClock + 100, 60);
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(FollowerScore, StartNeedsAScoreOrABeatList) {
    EXPECT_FALSE(follower.Start(ScorePosition{0}, kFixedOne));
    EXPECT_TRUE(follower.SetBeats(BeatList(500, 4, 2000)));
    EXPECT_TRUE(follower.Start(ScorePosition{0}, kFixedOne));
    EXPECT_FALSE(follower.Start(ScorePosition{0}, kFixedOne));
}

TEST(FollowerCreate, RefusesANonPositiveQueueOrScale) {
    follower_test::RecordingCallback callback;
    Follower follower;
    EXPECT_FALSE(follower.Create(callback, 0, 1000));
    EXPECT_FALSE(follower.Create(callback, 256, 0));
    EXPECT_TRUE(follower.Create(callback, 256, 1000));
    follower.Destroy();
    EXPECT_FALSE(follower.Running());
}

}  // namespace
}  // namespace ostinel
