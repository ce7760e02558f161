// What the input and timer threads ask of the follower allocates nothing,
// with either method: while they ask, every allocation fails.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"
#include "support/failing_allocations.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::NoteWord;
using follower_test::WrittenNote;

constexpr int kChords = 64;
constexpr std::uint32_t kChordMs = 250;

int MelodyKey(int chord) {
    return 48 + (chord * 7) % 37;
}

class RealTimeCalls : public follower_test::EitherMethod {
  protected:
    void SetUp() override {
        EitherMethod::SetUp();
        std::vector<WrittenNote> notes;
        for (int c = 0; c < kChords; ++c) {
            const auto time = static_cast<std::uint32_t>(c) * kChordMs;
            notes.push_back({time, MelodyKey(c)});
            notes.push_back({time, 36 + c % 12});
        }
        LoadScore(notes, BeatList(2 * kChordMs, 4, kChords * kChordMs));
        const std::vector<ScorePosition> wait = {ScorePosition{30 * kChordMs}};
        ASSERT_TRUE(follower.SetWaitMarkers(wait));
        const std::vector<ScoreRange> ignored = {
            {ScorePosition{40 * kChordMs}, ScorePosition{44 * kChordMs}}};
        ASSERT_TRUE(follower.SetIgnoreRanges(ignored));
        // The reports are kept without growing while allocations fail.
        callback.positions.reserve(1024);
        callback.events.reserve(1024);
        callback.jumps.reserve(64);
        callback.dynamics.reserve(1024);
    }

    // Plays chords [first, end) as written from clock `at`, and after each
    // note asks what the tick asks; returns the clock after the last chord.
    std::uint32_t PlayChords(int first, int end, std::uint32_t at) {
        const testing::FailingLargeAllocations noneAtAll(1);
        for (int c = first; c < end; ++c) {
            for (const int key : {MelodyKey(c), 36 + c % 12}) {
                callback.now = at;
                refused_ += follower.NoteIn(NoteWord(key), ScorePosition{0}) ? 0 : 1;
                follower.Position();
                follower.TimeUntil(static_cast<ScorePosition>((c + 1) * kChordMs));
                at += 10;
            }
            at += kChordMs - 20;
        }
        return at;
    }

    int refused_ = 0;
};

TEST_P(RealTimeCalls, ListeningFollowingWaitingAndSkippingAllocateNothing) {
    // Listening for an automatic start, the soloist begins at chord 8.
    std::uint32_t clock = PlayChords(8, 14, 20000);
    ASSERT_EQ(callback.jumps.size(), 1u);
    callback.now = clock;
    follower.Stop();
    ASSERT_TRUE(follower.Resume(kFixedOne));
    // Following up to the wait, through the ignored range, then a skip ahead.
    clock = PlayChords(14, 46, clock);
    clock = PlayChords(56, kChords, clock + 1000);
    EXPECT_EQ(refused_, 0);
    EXPECT_GE(callback.positions.size(), 10u);
    EXPECT_GE(callback.jumps.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, RealTimeCalls, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
