// A whole take: a melody of quarter notes played 20 % faster than written,
// with one wrong and one missing note.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::FollowerFixture;
using follower_test::WrittenNote;

constexpr int kNotes = 16;
constexpr std::uint32_t kBeatMs = 500;
constexpr int kScale[kNotes] = {60, 62, 64, 65, 67, 69, 71, 72, 74, 72, 71, 69, 67, 65, 64, 62};
constexpr int kWrongNote = 5;    // played as 61, which the melody does not have
constexpr int kMissingNote = 9;  // not played at all
constexpr std::uint32_t kMelodyStartClock = 10000;

std::uint32_t PlayedAt(int note) {
    // 20 % faster: each beat takes 500 / 1.2 ms of the clock.
    return kMelodyStartClock + static_cast<std::uint32_t>((note * 5000 + 6) / 12);
}

using FollowMelody = FollowerFixture;

TEST_F(FollowMelody, TheTempoAndPositionFollowASoloistPlayingFaster) {
    std::vector<WrittenNote> melody;
    for (int i = 0; i < kNotes; ++i) {
        melody.push_back({static_cast<std::uint32_t>(i) * kBeatMs, kScale[i]});
    }
    LoadScore(melody, BeatList(kBeatMs, 4, 10000));
    StartAt(ScorePosition{0}, kMelodyStartClock);
    for (int i = 0; i < kNotes; ++i) {
        if (i == kMissingNote) continue;
        Play(PlayedAt(i), i == kWrongNote ? 61 : kScale[i]);
        const ScorePosition expected{i == kWrongNote ? -1 : i * static_cast<int>(kBeatMs)};
        EXPECT_EQ(LastEvent().position, ScorePosition{expected}) << "note " << i;
        EXPECT_EQ(LastEvent().time, PlayedAt(i));
    }
    EXPECT_TRUE(callback.jumps.empty());

    // By the second measure the measured tempo is the soloist's.
    const std::int32_t faster = 78643;  // 1.2
    const std::int32_t tempo = LastPosition().tempo;
    EXPECT_NEAR(tempo, faster, faster / 100);
    EXPECT_EQ(LastPosition().position, ScorePosition{7500});
    EXPECT_EQ(LastPosition().time, PlayedAt(kNotes - 1));
    EXPECT_NEAR(PositionAt(PlayedAt(kNotes - 1) + 250).Ms(), 7800, 5);

    // The take maps the performance back onto the score.
    callback.now = PlayedAt(kNotes - 1) + 100;
    follower.Stop();
    for (int i = 0; i < kNotes; i += 4) {
        EXPECT_NEAR(follower.PerformedToScore(platform::ClockMs{PlayedAt(i)}).Ms(),
                    i * static_cast<int>(kBeatMs), 2)
            << "note " << i;
    }
}

TEST_F(FollowMelody, AnUnmatchedRunIsReportedAtMinusOne) {
    std::vector<WrittenNote> melody;
    for (int i = 0; i < kNotes; ++i) {
        melody.push_back({static_cast<std::uint32_t>(i) * kBeatMs, kScale[i]});
    }
    LoadScore(melody, BeatList(kBeatMs, 4, 10000));
    StartAt(ScorePosition{0}, kMelodyStartClock);
    Play(PlayedAt(0), kScale[0]);
    for (int i = 1; i < 4; ++i) {
        Play(PlayedAt(i), 30 + i);
        EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    }
    EXPECT_TRUE(callback.jumps.empty());
}

}  // namespace
}  // namespace ostinel
