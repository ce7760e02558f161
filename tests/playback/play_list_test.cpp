#include "playback/play_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "playback_test_rig.h"

namespace ostinel {
namespace {

using testing::Control;
using testing::Off;
using testing::On;
using testing::PieceOf;

std::vector<std::int32_t> Tags(const PlayList& list) {
    std::vector<std::int32_t> tags;
    for (std::size_t i = 0; i < list.Count(); ++i)
        tags.push_back(list.At(i).tag);
    return tags;
}

TEST(PlayList, OneInstantServesBeatThenNoteOffThenOtherMessagesThenNoteOn) {
    Piece piece = PieceOf({{On(0, 60)}, {Control(0, 7, 90)}, {Off(0, 62)}});
    piece.beatMap = {BeatRecord{0, 1, 1, 0}};
    piece.sysExList = {SysExRecord{10, 0xF0, 0, 0}};
    PlayList list;
    ASSERT_TRUE(list.Build(piece, {}, 0, 0));
    EXPECT_EQ(list.Capacity(), 6u);  // three file tracks, the performance track, two lists
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{kBeatSourceTag, 2, 1, 0, kSysExSourceTag}));
}

TEST(PlayList, LeavesOutTheFollowingTracksAndTheExhaustedOnes) {
    Piece piece = PieceOf({{On(0, 60)}, {On(5, 61)}, {On(7, 62)}, {On(9, 63)}});
    piece.tracks[3].nextIndex = 1;  // played to its end
    PlayListOptions options;
    options.leftOutTrack = 0;
    options.secondLeftOutTrack = 2;
    PlayList list;
    ASSERT_TRUE(list.Build(piece, options, 0, 0));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(list.Head().due, ScorePosition{5});
}

TEST(PlayList, ThePerformanceTrackPlaysOnlyWhenAskedFor) {
    Piece piece = PieceOf({{On(4, 60)}});
    piece.PerformanceTrack().events = {On(2, 50)};
    piece.PerformanceTrack().count = 1;
    PlayList list;
    ASSERT_TRUE(list.Build(piece, {}, 0, 0));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{0}));
    PlayListOptions options;
    options.includePerformanceTrack = true;
    ASSERT_TRUE(list.Build(piece, options, 0, 0));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{1, 0}));
}

TEST(PlayList, NothingLeftBuildsAnEmptyList) {
    Piece piece = PieceOf({{On(4, 60)}});
    piece.tracks[0].nextIndex = 1;
    piece.beatMap = {BeatRecord{0, 1, 1, 0}};
    PlayList list;
    EXPECT_FALSE(list.Build(piece, {}, 0, 1));
    EXPECT_TRUE(list.Empty());
}

TEST(PlayList, AnAdvancedHeadMovesPastEveryEntryThatGoesFirst) {
    Piece piece = PieceOf({{On(0, 60)}, {On(10, 61)}, {Control(10, 7, 1)}, {On(20, 62)}});
    PlayList list;
    ASSERT_TRUE(list.Build(piece, {}, 0, 0));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{0, 2, 1, 3}));
    // A note-on at 10 goes behind the controller at 10, and a note-on that ties
    // does not go first of it.
    list.AdvanceHead(ScorePosition{10}, TrackEventWord(On(10, 64)));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{2, 0, 1, 3}));
    // A note-off at 10 goes first of the note-ons, so it stays ahead of them.
    list.AdvanceHead(ScorePosition{10}, TrackEventWord(Off(10, 64)));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{2, 0, 1, 3}));
    list.AdvanceHead(ScorePosition{30}, TrackEventWord(Off(30, 64)));
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{0, 1, 3, 2}));
    list.RemoveHead();
    EXPECT_EQ(Tags(list), (std::vector<std::int32_t>{1, 3, 2}));
}

}  // namespace
}  // namespace ostinel
