#include <gtest/gtest.h>

#include <vector>

#include "playback/playback_tick.h"
#include "playback_test_rig.h"

namespace ostinel {
namespace {

using testing::Arrival;
using testing::Off;
using testing::On;
using testing::PieceOf;
using testing::TickRig;

constexpr platform::ClockMs kT0 = TickRig::kStartClock;

void TransmitSync(TickRig& rig, std::uint16_t type, std::uint16_t frameRate = 1) {
    OutputSettings settings = rig.output.Settings();
    settings.transmitExternalSync = true;
    settings.syncType = type;
    settings.frameRate = frameRate;
    rig.output.SetSettings(settings);
}

std::vector<platform::ClockMs> TimesOf(const std::vector<Arrival>& arrivals, std::uint8_t status) {
    std::vector<platform::ClockMs> times;
    for (const Arrival& arrival : arrivals)
        if (arrival.bytes[0] == status) times.push_back(arrival.time);
    return times;
}

TEST(PlaybackSync, ADottedQuarterBeatSendsTwentyThreeClocksOnTimeAndThirteenAtTheNextBeat) {
    TickRig rig;
    TransmitSync(rig, kSyncTypeMidiSync);
    rig.piece = PieceOf({{On(0, 60), Off(1500, 60)}});
    // Dotted quarters of 750 ms: 36 clocks each, 21 ms apart.
    rig.piece.beatMap = {BeatRecord{0, 1, 1, 0}, BeatRecord{750, 1, 2, 6},
                         BeatRecord{1500, 2, 1, 12}};
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(1600);
    std::vector<platform::ClockMs> expected;
    for (std::int32_t i = 1; i <= 23; ++i)
        expected.push_back(kT0 + i * 21);
    for (int i = 0; i < 13; ++i)
        expected.push_back(kT0 + 750);
    for (std::int32_t i = 1; i <= 23; ++i)
        expected.push_back(kT0 + 750 + i * 21);
    for (int i = 0; i < 13; ++i)
        expected.push_back(kT0 + 1500);
    EXPECT_EQ(TimesOf(rig.Arrivals(), kMidiTimingClock), expected);
    // The clocks owed at a beat go out before the beat's notes.
    const auto arrivals = rig.Arrivals();
    EXPECT_EQ(arrivals.back(), (Arrival{{0x80, 60, 64}, kT0 + 1500}));
}

TEST(PlaybackSync, StartingBetweenBeatsResumesTheClocksOfTheBeatBefore) {
    TickRig rig;
    TransmitSync(rig, kSyncTypeMidiSync);
    rig.piece = PieceOf({{On(300, 60), Off(1500, 60)}});
    rig.piece.beatMap = {BeatRecord{0, 1, 1, 0}, BeatRecord{750, 1, 2, 6},
                         BeatRecord{1500, 2, 1, 12}};
    rig.start.beatIndex = 1;
    // One whole sixteenth (126 ms) has passed at 250: its 6 clocks count as
    // sent, the next is due one interval (21 ms) after the start.
    ASSERT_TRUE(rig.Play(kOwnTempoSpeed, PlaybackMotion::Playing, ScorePosition{250}));
    rig.timers.Advance(520);
    std::vector<platform::ClockMs> expected;
    for (std::int32_t i = 1; i <= 17; ++i)
        expected.push_back(kT0 + i * 21);
    for (int i = 0; i < 13; ++i)
        expected.push_back(kT0 + 500);
    EXPECT_EQ(TimesOf(rig.Arrivals(), kMidiTimingClock), expected);
    EXPECT_EQ(rig.Arrivals().front(), (Arrival{{0xF8}, kT0 + 21}));
}

TEST(PlaybackSync, NoClocksWhileSyncIsOff) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(1500, 60)}});
    rig.piece.beatMap = {BeatRecord{0, 1, 1, 0}, BeatRecord{750, 1, 2, 6}};
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(1600);
    EXPECT_EQ(rig.Sent().size(), 2u);
}

TEST(PlaybackSync, TimeCodeQuarterFramesAt25FpsArriveEveryTenMilliseconds) {
    TickRig rig;
    TransmitSync(rig, kSyncTypeTimeCode, 1);
    rig.piece = PieceOf({{On(0, 60), Off(200, 60)}});
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(200);
    std::vector<platform::ClockMs> expected;
    for (std::int32_t t = 0; t <= 200; t += 10)
        expected.push_back(kT0 + t);
    const auto arrivals = rig.Arrivals();
    EXPECT_EQ(TimesOf(arrivals, 0xF1), expected);
    // Frame 0 carries pieces 0-3, frame 1 pieces 4-7 (rate 25 fps in piece 7).
    std::vector<std::uint8_t> data;
    for (const Arrival& arrival : arrivals)
        if (arrival.bytes[0] == 0xF1 && data.size() < 8) data.push_back(arrival.bytes[1]);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x72}));
}

TEST(PlaybackSync, PreviewSendsNoSync) {
    TickRig rig;
    TransmitSync(rig, kSyncTypeTimeCode, 1);
    rig.piece = PieceOf({{On(0, 60), Off(200, 60)}});
    rig.start.previewing = true;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(200);
    EXPECT_TRUE(TimesOf(rig.Arrivals(), 0xF1).empty());
}

TEST(PlaybackSync, SystemExclusiveFollowsTheModeRule) {
    for (const std::uint16_t mode : {kSysexWhenFileOpened, kSysexAsTheyAppear}) {
        TickRig rig;
        OutputSettings settings = rig.output.Settings();
        settings.sysexMode = mode;
        rig.output.SetSettings(settings);
        rig.piece = PieceOf({{On(10, 60), Off(100, 60)}});
        rig.piece.sysExBuffers = {
            {0xF0, 0x7E, 0x01, 0xF7}, {0xF0, 0x7E, 0x02, 0xF7}, {0xF0, 0x7E, 0x03, 0xF7}};
        rig.piece.sysExList = {SysExRecord{0, 0xF0, 0, 0}, SysExRecord{50, 0xF0, 0, 1},
                               SysExRecord{150, 0xF0, 0, 2}};
        ASSERT_TRUE(rig.Play());
        rig.timers.Advance(200);
        std::vector<Arrival> sysex;
        for (const Arrival& arrival : rig.Arrivals())
            if (arrival.bytes[0] == 0xF0) sysex.push_back(arrival);
        if (mode == kSysexWhenFileOpened) {
            EXPECT_EQ(sysex, (std::vector<Arrival>{{{0xF0, 0x7E, 0x02, 0xF7}, kT0 + 50}}));
        } else {
            EXPECT_EQ(sysex.size(), 3u);
        }
    }
}

}  // namespace
}  // namespace ostinel
