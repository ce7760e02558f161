#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::ControlWord;
using follower_test::FollowerFixture;
using follower_test::NoteWord;
using follower_test::WrittenNote;

class FollowerInput : public FollowerFixture {
  protected:
    void SetUp() override {
        FollowerFixture::SetUp();
        LoadScore(std::vector<WrittenNote>{{1000, 60}, {2000, 62}, {3000, 64}});
    }
};

TEST_F(FollowerInput, TheTwoHundredFiftySeventhEntryWhileBusyIsLost) {
    std::vector<bool> accepted;
    // Inside Start the follower is busy: everything played meanwhile waits in the queue.
    callback.whileBusy = [&] {
        callback.whileBusy = nullptr;
        for (int i = 0; i < 257; ++i)
            accepted.push_back(follower.NoteIn(NoteWord(30), ScorePosition{0}));
    };
    StartAt(ScorePosition{0});
    ASSERT_EQ(accepted.size(), 257u);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(accepted[static_cast<std::size_t>(i)]) << i;
    EXPECT_FALSE(accepted.back());
    // The 256 queued notes were handled when Start ended, and the queue is empty again.
    EXPECT_EQ(callback.events.size(), 256u);
    Play(kStartClock + 10, 30);
    EXPECT_EQ(callback.events.size(), 257u);
}

TEST_F(FollowerInput, AControllerTriggerArrivesAsTheSignalKey) {
    follower.SetSignal(256 + 64);
    StartAt(ScorePosition{0});
    callback.now = kStartClock + 100;
    EXPECT_TRUE(follower.NoteIn(ControlWord(64, 127, 2), ScorePosition{0}));
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().word, 0x90u | (0xFFu << 8) | (127u << 16));
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    EXPECT_TRUE(follower.NoteIn(ControlWord(65, 127), ScorePosition{0}));
    EXPECT_EQ(callback.events.size(), 1u);
}

TEST_F(FollowerInput, ANoteTriggerArrivesAsTheNoteItself) {
    follower.SetSignal(61);
    StartAt(ScorePosition{0});
    Play(kStartClock + 100, 61);
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().word, NoteWord(61));
}

TEST_F(FollowerInput, OnlySoundingNoteOnsAreFollowed) {
    StartAt(ScorePosition{1000});
    callback.now = kStartClock;
    EXPECT_TRUE(follower.NoteIn(NoteWord(60, 0), ScorePosition{0}));
    EXPECT_TRUE(follower.NoteIn(0x80u | (60u << 8) | (64u << 16), ScorePosition{0}));
    EXPECT_TRUE(follower.NoteIn(ControlWord(64, 127), ScorePosition{0}));
    EXPECT_TRUE(callback.events.empty());
    // The channel nibble does not matter, and the word is reported as it came.
    EXPECT_TRUE(follower.NoteIn(NoteWord(60, 64, 5), ScorePosition{0}));
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().word, NoteWord(60, 64, 5));
    EXPECT_EQ(LastEvent().position, ScorePosition{1000});
}

TEST_F(FollowerInput, WhileIdleANoteMovesThePositionToTheSongPosition) {
    FollowerOptions options;
    options.startAutomatically = false;
    ASSERT_TRUE(follower.SetOptions(options));
    EXPECT_TRUE(follower.NoteIn(NoteWord(60), ScorePosition{4321}));
    EXPECT_EQ(follower.Position(), ScorePosition{4321});
    EXPECT_TRUE(callback.events.empty());
    EXPECT_TRUE(callback.jumps.empty());
    EXPECT_EQ(follower.TimeUntil(ScorePosition{5000}), -1);
}

TEST_F(FollowerInput, InBeatModeNotesAreIgnoredAndTapsNeedFollowing) {
    ASSERT_TRUE(follower.SetBeats(BeatList(500, 4, 4000)));
    EXPECT_TRUE(follower.TapIn(0));  // not running: accepted and ignored
    StartAt(ScorePosition{0});
    Play(kStartClock + 480, 60);
    EXPECT_TRUE(callback.events.empty());
    Tap(kStartClock + 480);
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().position, ScorePosition{500});
    EXPECT_EQ(LastEvent().word, 0u);
}

TEST_F(FollowerInput, AnInvalidTimingLevelKeepsTheOldOne) {
    ASSERT_TRUE(follower.SetOptions(follower_test::Options(TimingLevel::None)));
    FollowerOptions invalid;
    invalid.timingLevel = static_cast<TimingLevel>(7);
    ASSERT_TRUE(follower.SetOptions(invalid));
    StartAt(ScorePosition{1000});
    Play(kStartClock, 60);
    ASSERT_EQ(callback.events.size(), 1u);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});  // timing None matches nothing
}

}  // namespace
}  // namespace ostinel
