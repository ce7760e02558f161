#include "playback/transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "transport_test_rig.h"

namespace ostinel {
namespace {

using testing::Arrival;
using testing::Bytes;
using testing::Control;
using testing::Off;
using testing::On;
using testing::PieceOf;
using testing::SoundingNotes;
using testing::TransportRig;

constexpr platform::ClockMs kT0 = TransportRig::kStartClock;

TrackEvent Program(std::uint32_t time, std::uint8_t entry) {
    return TrackEvent{time, kProgramChange, entry, 0, 0};
}
TrackEvent Bend(std::uint32_t time, std::uint8_t lsb, std::uint8_t msb) {
    return TrackEvent{time, kPitchWheel, lsb, msb, 0};
}

void GiveProgram(Track& track, std::uint8_t program) {
    track.patches.entries[0].file = Patch{PatchKind::Program, {program, 0, 0}};
}

// --- starting in the middle ------------------------------------------------

TEST(TransportChase, StartInTheMiddleSendsControllersProgramBendThenHeldNotesAfterAPause) {
    TransportRig rig;
    Piece piece = PieceOf({{Control(0, 7, 90), Control(0, 32, 1), Control(0, 0, 2), Program(0, 0),
                            Bend(0, 0x10, 0x45), On(100, 60, 80), Off(2000, 60)}});
    GiveProgram(piece.tracks[0], 5);
    rig.Use(std::move(piece));
    rig.transport.JumpTo(ScorePosition{1000});
    rig.output.SetSettings(rig.output.Settings());
    rig.transport.PlayFile();
    ASSERT_TRUE(rig.transport.Mode().playingFile);
    // Four chased messages of three bytes: (12 + 49) / 50 × 50 / 3 = 16 ms.
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0xB0, 0, 2}, kT0},
                                                    {{0xB0, 32, 1}, kT0},
                                                    {{0xB0, 7, 90}, kT0},
                                                    {{0xC0, 5}, kT0},
                                                    {{0xE0, 0x10, 0x45}, kT0},
                                                    {{0x90, 60, 80}, kT0 + 16}}));
    // The tick goes on from the anchor taken after the pause.
    rig.system.Output(0).Clear();
    rig.timers.Advance(999);
    EXPECT_TRUE(rig.Sent().empty());
    rig.timers.Advance(1);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x80, 60, 64}}));
}

TEST(TransportChase, HeldNotesStaySilentWhenNotSounded) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60, 100), Off(2000, 60), On(2500, 62), Off(3000, 62)}}));
    OutputSettings settings = rig.output.Settings();
    settings.soundHeldNotes = false;
    rig.output.SetSettings(settings);
    rig.transport.JumpTo(ScorePosition{1000});
    rig.transport.PlayFile();
    rig.timers.Advance(1000);
    // The note-off of the unsounded note is not sent either.
    EXPECT_TRUE(rig.Sent().empty());
    rig.timers.Advance(1000);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 62, 100}, {0x80, 62, 64}}));
}

TEST(TransportChase, ChasedVelocityFollowsTheVolumesAndIsQuarteredInFastForward) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60, 100), Off(4000, 60)}}));
    rig.piece.tracks[0].volume = 128;
    rig.transport.SetMasterSettings(MasterSettings{kOwnTempoSpeed, 256, 12});
    rig.transport.JumpTo(ScorePosition{1000});
    rig.transport.PlayFile();
    rig.transport.Stop();
    // Half of 100, one octave up; released at the stop on the same key.
    const auto sent = rig.Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], (Bytes{0x90, 72, 50}));
    EXPECT_TRUE(SoundingNotes(sent).empty());

    rig.system.Output(0).Clear();
    rig.transport.FastForward();
    EXPECT_EQ(rig.Sent()[0], (Bytes{0x90, 72, 13}));  // (50 + 2) >> 2
}

TEST(TransportChase, ANoteOnExactlyAtTheStartSoundsOnceFromTheTick) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 48), Off(1000, 48)}, {On(1000, 60, 90), Off(1500, 60)}}));
    rig.transport.JumpTo(ScorePosition{1000});
    rig.transport.PlayFile();
    // The note-off at the start is passed by the locate; only the new note sounds.
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x91, 60, 90}}));
}

TEST(TransportChase, ATrackWithoutProgramChangesSendsOnlyItsSubstitute) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(100, 60)}, {On(0, 62), Off(100, 62)}}));
    Track& substituted = rig.piece.tracks[1];
    substituted.patches.entries[0].substitute = Patch{PatchKind::Bank0Bank32Program, {1, 2, 3}};
    substituted.substituteFlag = 1;
    rig.transport.PlayFile();
    EXPECT_EQ(rig.Sent(),
              (std::vector<Bytes>{
                  {0xB1, 0, 1}, {0xB1, 32, 2}, {0xC1, 3}, {0x90, 60, 100}, {0x91, 62, 100}}));
}

// --- stopping ----------------------------------------------------------------

TEST(TransportStop, NoNoteIsLeftSoundingWhereverTheStopFalls) {
    std::mt19937 random(7);
    std::vector<std::vector<TrackEvent>> tracks(4);
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        std::uint32_t time = 0;
        for (int n = 0; n < 200; ++n) {
            const auto key = static_cast<std::uint8_t>(40 + random() % 40);
            const std::uint32_t length = 1 + random() % 400;
            tracks[t].push_back(On(time, key, static_cast<std::uint8_t>(1 + random() % 127)));
            tracks[t].push_back(Off(time + length, key));
            time += random() % 150;  // notes overlap, on the same key too
        }
        std::stable_sort(tracks[t].begin(), tracks[t].end(),
                         [](const TrackEvent& a, const TrackEvent& b) { return a.time < b.time; });
    }
    for (int trial = 0; trial < 30; ++trial) {
        TransportRig rig;
        rig.Use(PieceOf(tracks));
        rig.piece.tracks[1].transpose = 5;
        rig.transport.SetMasterSettings(MasterSettings{kOwnTempoSpeed, 256, -3});
        rig.transport.JumpTo(static_cast<ScorePosition>(random() % 20000));
        const bool fastForward = trial % 3 == 0;
        if (fastForward) {
            rig.transport.FastForward();
        } else {
            rig.transport.PlayFile();
        }
        rig.timers.Advance(static_cast<std::uint32_t>(random() % 5000));
        rig.transport.Stop();
        EXPECT_TRUE(SoundingNotes(rig.Sent()).empty()) << "trial " << trial;
        EXPECT_FALSE(rig.transport.Mode().playing);
    }
}

TEST(TransportStop, StopSilencesEveryTrackAndReturnsUsedControllersToRest) {
    TransportRig rig;
    rig.Use(PieceOf(
        {{Control(0, 64, 127), Control(0, 7, 80), Bend(0, 0, 0x50), On(0, 60), Off(3000, 60)}}));
    rig.transport.PlayFile();
    rig.timers.Advance(500);
    rig.system.Output(0).Clear();
    rig.transport.Stop();
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xB0, 120, 0},
                                              {0xB0, 123, 0},
                                              {0x80, 60, 64},
                                              {0xE0, 0, 0x40},
                                              {0xB0, 64, 0},
                                              {0xB0, 7, 100}}));
    EXPECT_EQ(rig.transport.Position(), ScorePosition{500});
}

TEST(TransportStop, TheEndOfThePieceStopsThroughTheRequestQueue) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(1000, 60)}}));
    rig.transport.PlayFile();
    rig.RunFor(1200);
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{1000});
    EXPECT_TRUE(SoundingNotes(rig.Sent()).empty());
    // Nothing is left to play: starting again leaves everything as it was.
    rig.system.Output(0).Clear();
    rig.transport.PlayFile();
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_FALSE(rig.transport.Mode().playingFile);
    EXPECT_TRUE(rig.Sent().empty());
    EXPECT_TRUE(rig.transport.MenuState().rewind);
    // At the very end the command is not even offered.
    rig.transport.JumpTo(rig.transport.End());
    EXPECT_FALSE(rig.transport.MenuState().playFile);
    EXPECT_FALSE(rig.transport.MenuState().fastForward);
}

TEST(TransportStop, StopWithExternalSyncSendsStopAndStartSendsPositionThenContinue) {
    TransportRig rig;
    Piece piece = PieceOf({{On(0, 60), Off(4000, 60)}});
    for (std::uint32_t beat = 0; beat < 8; ++beat)
        piece.beatMap.push_back(BeatRecord{beat * 500, static_cast<std::uint16_t>(1 + beat / 4),
                                           static_cast<std::uint16_t>(1 + beat % 4), beat * 4});
    rig.Use(std::move(piece));
    OutputSettings settings = rig.output.Settings();
    settings.transmitExternalSync = true;
    rig.output.SetSettings(settings);
    rig.transport.JumpTo(ScorePosition{1000});  // beat 3: sixteenth 8
    rig.system.Output(0).Clear();
    rig.transport.PlayFile();
    auto sent = rig.Sent();
    // After the held note: the receiver starts with the notes already sounding.
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], (Bytes{0x90, 60, 100}));
    EXPECT_EQ(sent[1], (Bytes{0xF2, 8, 0}));
    EXPECT_EQ(sent[2], (Bytes{0xFB}));
    rig.timers.Advance(100);
    rig.transport.Stop();
    sent = rig.Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{0xFC}), sent.end());
}

TEST(TransportStop, RelocatingAfterSyncIsSwitchedOnTellsTheReceiverWhereThePieceStands) {
    TransportRig rig;
    Piece piece = PieceOf({{On(0, 60), Off(4000, 60)}});
    for (std::uint32_t beat = 0; beat < 8; ++beat)
        piece.beatMap.push_back(BeatRecord{beat * 500, static_cast<std::uint16_t>(1 + beat / 4),
                                           static_cast<std::uint16_t>(1 + beat % 4), beat * 4});
    rig.Use(std::move(piece));
    rig.transport.JumpTo(ScorePosition{1000});
    OutputSettings settings = rig.output.Settings();
    settings.transmitExternalSync = true;
    rig.output.SetSettings(settings);
    rig.system.Output(0).Clear();
    const int menuRedraws = rig.transportUi.menuRedraws;
    rig.transport.Relocate();
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xF2, 8, 0}}));
    EXPECT_EQ(rig.transportUi.menuRedraws, menuRedraws + 1);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{1000});

    // While playing it leaves the span alone.
    rig.transport.PlayFile();
    rig.timers.Advance(10);
    rig.system.Output(0).Clear();
    rig.transport.Relocate();
    rig.transport.RefreshStoppedMenuState();
    EXPECT_TRUE(rig.transport.Mode().playingFile);
    EXPECT_TRUE(rig.transport.MenuState().stop);
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{});
}

// --- the other modes ---------------------------------------------------------

TEST(TransportRewind, FromTenSecondsItReachesTheStartInAboutTwoAndAHalfSeconds) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(20000, 60)}}));
    rig.transport.JumpTo(ScorePosition{10000});
    rig.transport.Rewind();
    ASSERT_TRUE(rig.transport.Mode().rewinding);
    EXPECT_EQ(rig.transport.MenuState().lit, LitButton::Rewind);
    std::uint32_t elapsed = 0;
    while (rig.transport.Mode().playing && elapsed < 5000) {
        rig.RunFor(10, 10);
        elapsed += 10;
    }
    EXPECT_FALSE(rig.transport.Mode().rewinding);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{});
    EXPECT_NEAR(elapsed, 2530, 40);
    EXPECT_TRUE(rig.Sent().empty());  // rewinding plays nothing
}

TEST(TransportPreview, PlaysFourSecondsQuietlyThenReturnsIgnoringQueuedStops) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60, 100), Off(3000, 60), On(3000, 62, 100), Off(9000, 62)}}));
    rig.transport.JumpTo(ScorePosition{1000});
    rig.transport.Preview();
    ASSERT_TRUE(rig.transport.Mode().previewing);
    EXPECT_EQ(rig.Sent()[0], (Bytes{0x90, 60, 25}));
    rig.requests.PostRequest(TransportRequest::Stop);
    rig.RunFor(3990);
    EXPECT_TRUE(rig.transport.Mode().previewing);
    rig.RunFor(20);
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_EQ(rig.transport.Position(), ScorePosition{1000});
    EXPECT_TRUE(SoundingNotes(rig.Sent()).empty());
}

TEST(TransportPreview, AHeldNoteSoundsInFullWhenPlayingFollowsAPreview) {
    TransportRig rig;
    // The held note's track has nothing else within the preview's four seconds.
    rig.Use(PieceOf({{On(0, 60, 100), Off(9000, 60)}}));
    rig.transport.JumpTo(ScorePosition{1000});
    rig.transport.Preview();
    rig.RunFor(4010);
    ASSERT_FALSE(rig.transport.Mode().playing);
    rig.system.Output(0).Clear();
    rig.transport.PlayFile();
    EXPECT_EQ(rig.Sent().front(), (Bytes{0x90, 60, 100}));
}

TEST(TransportJumps, JumpAgainCyclesThroughTheLastFourStarts) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(20000, 60)}}));
    for (ScorePosition start :
         {ScorePosition{1000}, ScorePosition{2000}, ScorePosition{3000}, ScorePosition{4000}}) {
        rig.transport.JumpTo(start);
        rig.transport.PlayFile();
        rig.transport.Stop();
    }
    EXPECT_EQ(rig.transport.History().Entries(),
              (std::array<ScorePosition, 4>{ScorePosition{4000}, ScorePosition{3000},
                                            ScorePosition{2000}, ScorePosition{1000}}));
    // Stopped at 4000: the jump does not resume, and it starts nothing.
    std::vector<ScorePosition> visited;
    for (int i = 0; i < 5; ++i) {
        rig.transport.JumpAgain();
        visited.push_back(rig.transport.Position());
    }
    EXPECT_EQ(visited, (std::vector<ScorePosition>{ScorePosition{3000}, ScorePosition{2000},
                                                   ScorePosition{1000}, ScorePosition{4000},
                                                   ScorePosition{3000}}));
    EXPECT_FALSE(rig.transport.Mode().playing);
}

TEST(TransportJumps, AJumpWhilePlayingResumesTheModeItStopped) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(20000, 60)}}));
    rig.transport.SetRehearsalPoints({ScorePosition{5000}, ScorePosition{12000}});
    rig.transport.PlayFile();
    rig.timers.Advance(1000);
    rig.transport.JumpAhead();
    EXPECT_TRUE(rig.transport.Mode().playingFile);
    EXPECT_EQ(rig.transport.History().Front(), ScorePosition{5000});
    rig.transport.JumpAhead();
    EXPECT_EQ(rig.transport.History().Front(), ScorePosition{12000});
    rig.timers.Advance(10);
    rig.transport.JumpBack();
    EXPECT_EQ(rig.transport.History().Front(),
              ScorePosition{12000});  // 12010: the point just before
    rig.transport.Stop();
    rig.transport.JumpBack();
    EXPECT_EQ(rig.transport.Position(), ScorePosition{5000});
    EXPECT_FALSE(rig.transport.Mode().playing);
    EXPECT_TRUE(SoundingNotes(rig.Sent()).empty());
}

TEST(TransportSpeed, ChangingTheMasterTempoWhilePlayingMovesTheRestOfThePiece) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(1000, 60), On(2000, 62), Off(3000, 62)}}));
    rig.transport.PlayFile();
    rig.timers.Advance(1000);
    rig.transport.SetMasterSettings(
        MasterSettings{SpeedFactor{2048}, 256, 0});  // half speed from 1000
    rig.system.Output(0).Clear();
    rig.timers.Advance(1999);
    EXPECT_TRUE(rig.Sent().empty());
    rig.timers.Advance(1);
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 62, 100}, kT0 + 3000}}));
    EXPECT_EQ(rig.transport.Position(), ScorePosition{2000});
}

TEST(TransportTracks, MutingATrackWhilePlayingReleasesItsNotesAndUnmutingChasesThem) {
    TransportRig rig;
    rig.Use(PieceOf({{Control(0, 10, 30), On(0, 60), Off(3000, 60)}}));
    rig.transport.PlayFile();
    rig.timers.Advance(500);
    rig.system.Output(0).Clear();
    rig.transport.SetTrackPlaying(0, false);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x80, 60, 64}, {0xB0, 10, 64}}));
    rig.system.Output(0).Clear();
    rig.transport.SetTrackPlaying(0, true);
    // The counter held the count of sounding notes, not a velocity: the note
    // comes back at the least velocity, to be released at its note-off.
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xB0, 10, 30}, {0x90, 60, 1}}));
    rig.timers.Advance(3000);
    EXPECT_TRUE(SoundingNotes(rig.Sent()).empty());
}

// --- device commands ---------------------------------------------------------

TEST(TransportDevices, AllNotesOffReachesEachDistinctDeviceOnceWithPausesBetweenChannels) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(100, 60)}}));
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetOutputDevice(port, port % 2);
    rig.ports.OpenOutputPorts(rig.ui);
    rig.transport.AllNotesOff();
    EXPECT_TRUE(rig.transport.NeedsIdlePass());
    EXPECT_EQ(rig.system.Output(0).MessageCount(), 32u + 128u);
    rig.RunFor(15 * 16 + 5, 1);
    EXPECT_FALSE(rig.transport.NeedsIdlePass());
    for (int device = 0; device < 2; ++device) {
        const auto messages = rig.system.Output(device).Messages();
        ASSERT_EQ(messages.size(), 16u * 2u + 16u * 128u);
        // Channel c's note-ons come 16 ms after channel c - 1's.
        EXPECT_EQ(platform::ClockElapsed(messages[32 + 128 * 15].time, messages[32].time),
                  15u * 16u);
        EXPECT_EQ(messages[32 + 128 * 15].bytes, (Bytes{0x9F, 0, 0}));
    }
}

TEST(TransportDevices, AStartDuringAllNotesOffFirstReleasesEveryChannelStillOwed) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(100, 60)}}));
    rig.transport.AllNotesOff();
    rig.RunFor(20, 1);  // channels 0 and 1 are released, 14 are still owed
    rig.transport.PlayFile();
    rig.RunFor(300);
    const std::vector<Arrival> arrivals = rig.Arrivals();
    const auto lastRelease = std::find_if(arrivals.begin(), arrivals.end(), [](const Arrival& a) {
        return a.bytes == Bytes{0x9F, 127, 0};
    });
    const auto firstNote = std::find_if(arrivals.begin(), arrivals.end(), [](const Arrival& a) {
        return a.bytes.size() == 3 && a.bytes[0] == 0x90 && a.bytes[1] == 60 && a.bytes[2] > 0;
    });
    ASSERT_NE(lastRelease, arrivals.end());
    ASSERT_NE(firstNote, arrivals.end());
    // All at the start, before the piece's first note, and never again after it.
    EXPECT_LT(lastRelease - arrivals.begin(), firstNote - arrivals.begin());
    EXPECT_EQ(lastRelease->time, kT0 + 20);
    EXPECT_EQ(std::count_if(arrivals.begin(), arrivals.end(),
                            [](const Arrival& a) { return a.bytes[0] == 0x9F; }),
              128);
}

TEST(TransportDevices, MidiResetAsksFirst) {
    TransportRig rig;
    rig.transportUi.confirmAnswer = false;
    EXPECT_FALSE(rig.transport.MidiReset());
    EXPECT_TRUE(rig.Sent().empty());
    rig.transportUi.confirmAnswer = true;
    EXPECT_TRUE(rig.transport.MidiReset());
    EXPECT_EQ(rig.Sent().front(), (Bytes{0xFF}));
    EXPECT_EQ(rig.transportUi.confirmations, 2);
}

// --- menu state ----------------------------------------------------------------

TEST(TransportMenu, StatesFollowThePositionAndTheRunningMode) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(5000, 60)}}));
    TransportMenuState stopped = rig.transport.MenuState();
    EXPECT_TRUE(stopped.playFile && stopped.fastForward && stopped.preview && stopped.allNotesOff);
    EXPECT_FALSE(stopped.rewind || stopped.jumpBack || stopped.stop);
    EXPECT_TRUE(rig.availability.IsAvailable(TransportRequest::PlayFile));
    EXPECT_FALSE(rig.availability.IsAvailable(TransportRequest::Rewind));

    rig.transport.PlayFile();
    const TransportMenuState playing = rig.transport.MenuState();
    EXPECT_FALSE(playing.playFile || playing.allNotesOff || playing.midiReset ||
                 playing.settingsEditable);
    EXPECT_TRUE(playing.stop && playing.fastForward && playing.rewind && playing.jumpBack);
    EXPECT_EQ(playing.lit, LitButton::PlayFile);
    EXPECT_FALSE(rig.availability.IsAvailable(TransportRequest::PlayFile));
    EXPECT_FALSE(rig.availability.IsAvailable(TransportRequest::AllNotesOff));
    EXPECT_FALSE(rig.availability.IsAvailable(TransportRequest::LoopMode));

    rig.timers.Advance(100);
    rig.transport.Stop();
    stopped = rig.transport.MenuState();
    EXPECT_TRUE(stopped.rewind && stopped.jumpBack && stopped.playFile);
    EXPECT_EQ(stopped.lit, LitButton::None);
}

TEST(TransportMenu, ResetVolumeIsOfferedOnlyWhenAVolumeChanged) {
    TransportRig rig;
    rig.Use(PieceOf({{On(0, 60), Off(5000, 60)}}));
    EXPECT_FALSE(rig.transport.MenuState().resetVolume);
    rig.piece.tracks[0].volume = 100;
    EXPECT_TRUE(rig.transport.MenuState().resetVolume);
    rig.transport.ResetVolumeOnAllTracks();
    EXPECT_EQ(rig.piece.tracks[0].volume, 256);
    EXPECT_FALSE(rig.transport.MenuState().resetVolume);
}

}  // namespace
}  // namespace ostinel
