#include "midi/sync/mtc_quarter_frames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "midi_sync/smpte_readings.h"

namespace ostinel {
namespace {

std::vector<std::uint8_t> Take(MtcQuarterFrames& frames, int count) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(frames.TakeQuarterFrame());
    return bytes;
}

TEST(MtcQuarterFrames, PiecesOfAnEvenAndAnOddFrame) {
    // 01:37:52:29 at 30 fps: frames 0x1D, seconds 0x34, minutes 0x25, hours
    // byte 0x61 (rate code 3 in bits 5-6, hour 1).
    const std::vector<std::uint8_t> even = {0x0D, 0x11, 0x24, 0x33};
    const std::vector<std::uint8_t> odd = {0x45, 0x52, 0x61, 0x76};
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(QuarterFrameByte(Reading(1, 37, 52, 29, step * 25, false), SmpteFrameRate::Fps30),
                  even[step]);
        EXPECT_EQ(QuarterFrameByte(Reading(1, 37, 52, 29, step * 25, true), SmpteFrameRate::Fps30),
                  odd[step]);
    }
    // Hour 17 sets bit 4 of the hours, carried with the rate code in piece 7:
    // 24 fps 0x11 → 0x71, 30 drop 0x51 → 0x75.
    EXPECT_EQ(QuarterFrameByte(Reading(17, 0, 0, 1, 75, true), SmpteFrameRate::Fps24), 0x71);
    EXPECT_EQ(QuarterFrameByte(Reading(17, 0, 0, 1, 75, true), SmpteFrameRate::Fps30Drop), 0x75);
}

TEST(MtcQuarterFrames, StartOnAWholeFrameBeginsThere) {
    const MtcQuarterFrames frames =
        MtcQuarterFrames::StartAt(ScorePosition{1000}, SmpteFrameRate::Fps24);
    EXPECT_EQ(frames.FullFrameTime(), Reading(0, 0, 1, 0, 0, false));
    EXPECT_EQ(frames.Current(), Reading(0, 0, 1, 0, 0, false));
    EXPECT_EQ(frames.NextDue(), ScorePosition{1000});
}

TEST(MtcQuarterFrames, StartInsideAFrameBeginsAtTheNextOne) {
    // 1012 ms lies in the second quarter of frame 00:00:01:00 at 24 fps: that
    // frame is announced, the quarter frames begin with frame 1 at 1042 ms.
    const MtcQuarterFrames frames =
        MtcQuarterFrames::StartAt(ScorePosition{1010}, SmpteFrameRate::Fps24);
    EXPECT_EQ(frames.FullFrameTime(), Reading(0, 0, 1, 0, 25, false));
    EXPECT_EQ(frames.Current(), Reading(0, 0, 1, 1, 0, true));
    EXPECT_EQ(frames.NextDue(), ScorePosition{1042});
}

TEST(MtcQuarterFrames, StartInsideTheLastFrameOfADropFrameMinute) {
    // 60040 ms: 00:00:59:29 + 25; the next whole frame is 00:01:00:02.
    const MtcQuarterFrames frames =
        MtcQuarterFrames::StartAt(ScorePosition{60038}, SmpteFrameRate::Fps30Drop);
    EXPECT_EQ(frames.FullFrameTime(), Reading(0, 0, 59, 29, 25, true));
    EXPECT_EQ(frames.Current(), Reading(0, 1, 0, 2, 0, false));
    EXPECT_EQ(frames.NextDue(), ScorePosition{60060});
}

TEST(MtcQuarterFrames, PositionConvertedFromAReadingStartsOnIt) {
    // 59993 ms is 00:00:59:28 rounded down (59993.8): the 2 ms lead keeps it
    // from reading the quarter frame before.
    const MtcQuarterFrames frames =
        MtcQuarterFrames::StartAt(ScorePosition{59993}, SmpteFrameRate::Fps30Drop);
    EXPECT_EQ(frames.Current(), Reading(0, 0, 59, 28, 0, false));
    EXPECT_EQ(frames.NextDue(), ScorePosition{59993});
}

TEST(MtcQuarterFrames, DropFrameMinuteSkipsFramesZeroAndOne) {
    MtcQuarterFrames frames =
        MtcQuarterFrames::StartAt(ScorePosition{59993}, SmpteFrameRate::Fps30Drop);
    // 00:00:59:28 (frame 0x1C, seconds 0x3B), 00:00:59:29 (minute 0, hours
    // byte 0x40), then 00:01:00:02.
    const std::vector<std::uint8_t> expected = {0x0C, 0x11, 0x2B, 0x33, 0x40, 0x50,
                                                0x60, 0x74, 0x02, 0x10, 0x20, 0x30};
    EXPECT_EQ(Take(frames, 12), expected);
    EXPECT_EQ(frames.Current(), Reading(0, 1, 0, 3, 0, true));
    EXPECT_EQ(frames.NextDue(),
              ToScorePosition(Reading(0, 1, 0, 3, 0, true), SmpteFrameRate::Fps30Drop));
}

TEST(MtcQuarterFrames, DropFrameTenthMinuteKeepsFramesZeroAndOne) {
    const ScorePosition start =
        ToScorePosition(Reading(0, 9, 59, 28, 0, false), SmpteFrameRate::Fps30Drop);
    MtcQuarterFrames frames = MtcQuarterFrames::StartAt(start, SmpteFrameRate::Fps30Drop);
    ASSERT_EQ(frames.Current(), Reading(0, 9, 59, 28, 0, false));
    // ...:28 (0x1C, 0x3B), ...:29 (minute 9), 00:10:00:00, 00:10:00:01 (minute 0x0A).
    const std::vector<std::uint8_t> expected = {0x0C, 0x11, 0x2B, 0x33, 0x49, 0x50, 0x60, 0x74,
                                                0x00, 0x10, 0x20, 0x30, 0x4A, 0x50, 0x60, 0x74};
    EXPECT_EQ(Take(frames, 16), expected);
    EXPECT_EQ(frames.Current(), Reading(0, 10, 0, 2, 0, false));
}

TEST(MtcQuarterFrames, SecondAndHourCarries) {
    const ScorePosition start =
        ToScorePosition(Reading(0, 59, 59, 28, 0, false), SmpteFrameRate::Fps30Drop);
    MtcQuarterFrames frames = MtcQuarterFrames::StartAt(start, SmpteFrameRate::Fps30Drop);
    ASSERT_EQ(frames.Current(), Reading(0, 59, 59, 28, 0, false));
    // ...:29 carries minute 59 (0x3B); then 01:00:00:00 and 01:00:00:01 (hours byte 0x41).
    const std::vector<std::uint8_t> expected = {0x0C, 0x11, 0x2B, 0x33, 0x4B, 0x53, 0x60, 0x74,
                                                0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61, 0x74};
    EXPECT_EQ(Take(frames, 16), expected);

    MtcQuarterFrames seconds = MtcQuarterFrames::StartAt(
        ToScorePosition(Reading(0, 0, 1, 29, 0, true), SmpteFrameRate::Fps30Drop),
        SmpteFrameRate::Fps30Drop);
    Take(seconds, 4);
    EXPECT_EQ(seconds.Current(), Reading(0, 0, 2, 0, 0, false));
}

// Over twelve minutes of quarter frames at every rate: the pieces run 0-7
// without a break (25 fps included, where a second holds an odd number of
// frames), each due position is the one its reading converts to, reading it
// 2 ms later gives the reading back, and it comes one quarter frame after the
// last.
TEST(MtcQuarterFrames, LongRunStaysInStepWithThePositions) {
    for (const SmpteFrameRate rate : {SmpteFrameRate::Fps24, SmpteFrameRate::Fps25,
                                      SmpteFrameRate::Fps30Drop, SmpteFrameRate::Fps30}) {
        MtcQuarterFrames frames = MtcQuarterFrames::StartAt(ScorePosition{0}, rate);
        int expectedPiece = 0;
        ScorePosition previous = frames.NextDue();
        ASSERT_EQ(previous, ScorePosition{});
        for (int i = 0; i < 12 * 60 * 30 * 4; ++i) {
            const std::uint8_t data = frames.TakeQuarterFrame();
            ASSERT_EQ(data >> 4, expectedPiece) << "quarter frame " << i;
            expectedPiece = (expectedPiece + 1) % 8;
            const ScorePosition due = frames.NextDue();
            ASSERT_EQ(due, ToScorePosition(frames.Current(), rate));
            ASSERT_EQ(ToSmpteTime(due + 2, rate), frames.Current()) << due.Ms();
            ASSERT_GE(due - previous, 8);
            ASSERT_LE(due - previous, 11);
            previous = due;
        }
    }
}

}  // namespace
}  // namespace ostinel
