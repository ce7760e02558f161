#include "playback/loop_and_metronome.h"

#include <gtest/gtest.h>

#include "transport_test_rig.h"

namespace ostinel {
namespace {

using testing::Arrival;
using testing::Bytes;
using testing::Off;
using testing::On;
using testing::PieceOf;
using testing::SoundingNotes;
using testing::TransportRig;

// Eight 4/4 measures at 500 ms a beat, a note every quarter on track 0.
Piece EightMeasures() {
    std::vector<TrackEvent> notes;
    for (std::uint32_t beat = 0; beat < 32; ++beat) {
        notes.push_back(On(beat * 500, 60));
        notes.push_back(Off(beat * 500 + 250, 60));
    }
    Piece piece = PieceOf({notes});
    for (std::uint32_t beat = 0; beat < 32; ++beat)
        piece.beatMap.push_back(BeatRecord{beat * 500, static_cast<std::uint16_t>(1 + beat / 4),
                                           static_cast<std::uint16_t>(1 + beat % 4), beat * 4});
    return piece;
}

LoopSettings LoopFrom2To4(bool restart) {
    LoopSettings loop;
    loop.on = true;
    loop.begin = ScorePosition{2000};  // 2:1
    loop.end = ScorePosition{6000};    // 4:1
    loop.restartAutomatically = restart;
    loop.restartDelaySec = 2;
    return loop;
}

TEST(LoopMode, ThePassStopsAfterTheLoopEndAndRestartsAtTheBeginTwoSecondsLater) {
    TransportRig rig;
    rig.Use(EightMeasures());
    rig.transport.SetLoopSettings(LoopFrom2To4(true));
    rig.transport.PlayFile();
    EXPECT_EQ(rig.transport.History().Front(), ScorePosition{2000});
    rig.RunFor(4100);
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{6000});
    EXPECT_TRUE(rig.transport.LoopRestartPending());
    EXPECT_TRUE(rig.transport.MenuState().stop);  // Stop cancels the pending restart
    // The note on 4:1 itself still sounds; nothing after it, and nothing hangs.
    platform::ClockMs lastNoteOn{};
    for (const Arrival& arrival : rig.Arrivals())
        if (arrival.bytes[0] == 0x90 && arrival.bytes[2] > 0) lastNoteOn = arrival.time;
    EXPECT_EQ(lastNoteOn, TransportRig::kStartClock + 4000);
    EXPECT_TRUE(SoundingNotes(rig.Sent()).empty());
    rig.RunFor(1800);
    EXPECT_FALSE(rig.transport.Mode().playing);
    rig.RunFor(300);
    EXPECT_TRUE(rig.transport.Mode().playingFile);
    EXPECT_EQ(rig.transport.History().Front(), ScorePosition{2000});
}

TEST(LoopMode, TurningItOffDuringTheDelayCancelsTheRestart) {
    TransportRig rig;
    rig.Use(EightMeasures());
    rig.transport.SetLoopSettings(LoopFrom2To4(true));
    rig.transport.PlayFile();
    rig.RunFor(4100);
    ASSERT_TRUE(rig.transport.LoopRestartPending());
    rig.requests.PostRequest(TransportRequest::LoopMode);
    rig.IdlePass();
    EXPECT_FALSE(rig.transport.Loop().on);
    rig.RunFor(3000);
    EXPECT_FALSE(rig.transport.Mode().playing);
}

TEST(LoopMode, AJumpOutsideTheLoopTurnsItOffAndPreviewIgnoresTheEnd) {
    TransportRig rig;
    rig.Use(EightMeasures());
    rig.transport.SetLoopSettings(LoopFrom2To4(false));
    rig.transport.JumpTo(ScorePosition{5000});
    EXPECT_TRUE(rig.transport.Loop().on);
    rig.transport.Preview();
    rig.RunFor(4010);
    // The preview played past 4:1: to 5000 + 4000.
    EXPECT_EQ(rig.transport.Position(), ScorePosition{5000});
    rig.transport.JumpTo(ScorePosition{9000});
    EXPECT_FALSE(rig.transport.Loop().on);
}

TEST(LoopMode, AnEndMovedWhilePlayingIsWhereTheRunningPassStops) {
    TransportRig rig;
    rig.Use(EightMeasures());
    rig.transport.SetLoopSettings(LoopFrom2To4(false));
    rig.transport.PlayFile();
    rig.RunFor(1000);
    ASSERT_TRUE(rig.transport.Mode().playingFile);
    LoopSettings nearer = LoopFrom2To4(false);
    nearer.end = ScorePosition{4000};  // 3:1
    rig.transport.SetLoopSettings(nearer);
    rig.RunFor(1100);
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{4000});
}

TEST(LoopMode, LoopModeTurnedOffWhilePlayingLetsThePassRunOn) {
    TransportRig rig;
    rig.Use(EightMeasures());
    rig.transport.SetLoopSettings(LoopFrom2To4(false));
    rig.transport.PlayFile();
    rig.RunFor(1000);
    LoopSettings off = LoopFrom2To4(false);
    off.on = false;
    rig.transport.SetLoopSettings(off);
    rig.RunFor(4000);
    EXPECT_TRUE(rig.transport.Mode().playingFile);
    EXPECT_GT(rig.transport.Position(), ScorePosition{6500});
}

TEST(LoopMode, PointsAreSetFromWhereTheUserStartsAndStops) {
    TransportRig rig;
    rig.Use(EightMeasures());
    LoopSettings loop;
    loop.setPointsAutomatically = true;
    rig.transport.SetLoopSettings(loop);
    rig.transport.JumpTo(ScorePosition{1500});
    rig.transport.PlayFile();
    rig.timers.Advance(2000);
    rig.transport.Stop();
    EXPECT_EQ(rig.transport.Loop().begin, ScorePosition{1500});
    EXPECT_EQ(rig.transport.Loop().end, ScorePosition{3500});
}

TEST(Metronome, ClickVelocityFollowsTheMasterVolume) {
    MetronomeSettings metronome;
    metronome.channel = 9;
    metronome.downbeatNote = 76;
    metronome.downbeatVelocity = 64;
    EXPECT_EQ(ClickFor(metronome, true, 256)->velocity, 64);
    EXPECT_EQ(ClickFor(metronome, true, 128)->velocity, 32);
    EXPECT_EQ(ClickFor(metronome, true, 1)->velocity, 1);
    metronome.downbeatVelocity = 0;
    EXPECT_FALSE(ClickFor(metronome, true, 256).has_value());
    metronome.channel = kNoMidiValue;
    EXPECT_FALSE(ClickFor(metronome, false, 256).has_value());
}

TEST(Metronome, EachBeatClicksWithItsNoteAndAShortNoteOffWhilePlayingOnly) {
    TransportRig rig;
    rig.Use(EightMeasures());
    MetronomeSettings metronome;
    metronome.on = true;
    metronome.port = 0;
    metronome.channel = 9;
    metronome.patch = 115;
    rig.transport.SetMetronomeSettings(metronome);
    rig.transport.PlayFile();
    rig.timers.Advance(1100);
    std::vector<Arrival> clicks;
    for (const Arrival& arrival : rig.Arrivals())
        if ((arrival.bytes[0] & 0x0F) == 9) clicks.push_back(arrival);
    const platform::ClockMs t0 = TransportRig::kStartClock;
    EXPECT_EQ(clicks, (std::vector<Arrival>{{{0xC9, 115}, t0},
                                            {{0x99, 76, 100}, t0},
                                            {{0x99, 76, 0}, t0 + 50},
                                            {{0x99, 77, 80}, t0 + 500},
                                            {{0x99, 77, 0}, t0 + 550},
                                            {{0x99, 77, 80}, t0 + 1000},
                                            {{0x99, 77, 0}, t0 + 1050}}));
    rig.transport.Stop();
    rig.system.Output(0).Clear();
    rig.transport.FastForward();
    rig.timers.Advance(1000);
    for (const Bytes& message : rig.Sent())
        EXPECT_NE(message[0] & 0x0F, 9);
}

TEST(Metronome, RequestTenWhilePlayingStartsAndStopsTheClicksAtTheNextBeat) {
    TransportRig rig;
    rig.Use(EightMeasures());
    MetronomeSettings metronome;
    metronome.channel = 9;
    rig.transport.SetMetronomeSettings(metronome);
    rig.transport.PlayFile();
    const auto clicksSoFar = [&rig] {
        int clicks = 0;
        for (const Bytes& message : rig.Sent())
            if (message[0] == 0x99 && message[2] > 0) ++clicks;
        return clicks;
    };
    rig.RunFor(1100);
    EXPECT_EQ(clicksSoFar(), 0);
    rig.requests.PostRequest(TransportRequest::Metronome);
    rig.RunFor(1000);  // the beats at 1500 and 2000
    EXPECT_EQ(clicksSoFar(), 2);
    rig.requests.PostRequest(TransportRequest::Metronome);
    rig.RunFor(1000);
    EXPECT_EQ(clicksSoFar(), 2);
}

}  // namespace
}  // namespace ostinel
