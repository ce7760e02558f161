#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "follower/special_markers.h"
#include "following_rig.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "smf_builder.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

class EngineFollowing : public testing::FollowingRig {};

TEST_P(EngineFollowing, TheFollowingTrackIsLeftToTheSoloistAndGivenBackAtTheStop) {
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    ASSERT_TRUE(transport.Mode().following);
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].playFlag, 0);
    PlayNotes(0, 8, 200, 200);
    transport.Stop();
    EXPECT_FALSE(transport.Mode().playing);
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].playFlag, 1);
    // Only the accompaniment sounded: nothing on the soloist's channel.
    for (const auto& message : midi_.Output(0).Bytes()) {
        if ((message[0] & 0xF0) == 0x90) {
            EXPECT_EQ(message[0] & 0x0F, 1);
        }
    }
    EXPECT_NE(std::find(ui_.changedTracks.begin(), ui_.changedTracks.end(), 0),
              ui_.changedTracks.end());
}

TEST_P(EngineFollowing, TheTakeIsKeptInScoreTimeAndTheStopNeverGoesBeforeTheStart) {
    Transport& transport = engine_.GetTransport();
    transport.JumpTo(ScorePosition{2000});
    transport.PlayAndFollow();
    ASSERT_TRUE(transport.Mode().following);
    // Played at 400 ms a beat: faster than written.
    PlayNotes(4, 12, 150, 250);
    transport.Stop();
    EXPECT_GE(transport.Position(), ScorePosition{2000});
    // The take is kept with its tempos: it can be played and saved.
    EXPECT_EQ(transport.Punch().start, ScorePosition{2000});
    EXPECT_EQ(transport.Punch().end, ScorePosition{transport.Position()});
    EXPECT_TRUE(PerformanceExists(transport.PerformanceTempos()));
    EXPECT_TRUE(transport.MenuState().savePerformance);
    EXPECT_GT(transport.PerformanceTempos().averageTempo, kOwnTempoSpeed);
    const Track& performance = engine_.CurrentPiece()->PerformanceTrack();
    ASSERT_EQ(performance.count, 16);
    // Each recorded note-on stands near its written time (500 ms a beat).
    for (int i = 0; i < 8; ++i) {
        const TrackEvent& on = performance.events[static_cast<std::size_t>(2 * i)];
        EXPECT_EQ(on.kind & 0xF0, kNoteOn);
        EXPECT_NEAR(static_cast<double>(on.time), 2000.0 + 500.0 * i, 60.0) << "note " << i;
    }
}

TEST_P(EngineFollowing, AnAutomaticStartKeepsTheNotesThatStartedItInTheTake) {
    FollowingOptions options = engine_.Following();
    options.startAutomatically = true;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    Transport& transport = engine_.GetTransport();
    // Played at the written 500 ms a beat; the follower starts after a few.
    PlayNotes(0, 10, 200, 300);
    ASSERT_TRUE(transport.Mode().following);
    transport.Stop();
    const Track& performance = engine_.CurrentPiece()->PerformanceTrack();
    ASSERT_EQ(performance.count, 20);
    for (int i = 0; i < 10; ++i) {
        const TrackEvent& on = performance.events[static_cast<std::size_t>(2 * i)];
        EXPECT_EQ(on.kind & 0xF0, kNoteOn);
        EXPECT_EQ(on.data1, testing::MelodyKey(i));
        EXPECT_NEAR(static_cast<double>(on.time), 500.0 * i, 60.0) << "note " << i;
    }
    EXPECT_LE(transport.Punch().start, ScorePosition{60});
}

TEST_P(EngineFollowing, NotesPlayedBeforeAnAutomaticStartAfterAPauseAreNotInTheTake) {
    FollowingOptions options = engine_.Following();
    options.startAutomatically = true;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    Transport& transport = engine_.GetTransport();
    Play(20);
    RunTo(clock_.Now() + 200);
    Release(20);
    RunTo(clock_.Now() + 5000);
    PlayNotes(0, 10, 200, 300);
    ASSERT_TRUE(transport.Mode().following);
    transport.Stop();
    EXPECT_EQ(engine_.CurrentPiece()->PerformanceTrack().count, 20);
}

TEST_P(EngineFollowing, ASpanTooShortForTempoLeavesNoPerformance) {
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    RunTo(clock_.Now() + 100);
    transport.Stop();
    EXPECT_FALSE(PerformanceExists(transport.PerformanceTempos()));
    EXPECT_FALSE(transport.MenuState().savePerformance);
    EXPECT_FALSE(transport.MenuState().playPerformance);
}

TEST_P(EngineFollowing, StopAutomaticallyEndsTheSpanWhenTheSoloistFallsSilent) {
    FollowingOptions options = engine_.Following();
    options.stopAutomatically = true;
    options.autoStopDelayMs = 2000;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    for (int i = 0; i < 4; ++i) {
        Play(i);
        RunTo(clock_.Now() + 500);
    }
    RunTo(clock_.Now() + 1000);
    EXPECT_TRUE(transport.Mode().following);
    RunTo(clock_.Now() + 3000);
    EXPECT_FALSE(transport.Mode().playing);
    // Every accompaniment note that sounded was released.
    int sounding = 0;
    for (const auto& message : midi_.Output(0).Bytes()) {
        if ((message[0] & 0xF0) == 0x90 && message[2] > 0) ++sounding;
        if ((message[0] & 0xF0) == 0x80) --sounding;
    }
    EXPECT_EQ(sounding, 0);
}

TEST_P(EngineFollowing, PreviewBeforeStartingPlaysFourSecondsThenFollowsAfterAPause) {
    FollowingOptions options = engine_.Following();
    options.previewBeforeStarting = true;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    EXPECT_TRUE(transport.Mode().previewing);
    EXPECT_FALSE(transport.Mode().following);
    RunTo(clock_.Now() + 4010);
    EXPECT_FALSE(transport.Mode().playing);
    EXPECT_EQ(transport.Position(), ScorePosition{});
    RunTo(clock_.Now() + 1980);
    EXPECT_FALSE(transport.Mode().following);
    RunTo(clock_.Now() + 30);
    EXPECT_TRUE(transport.Mode().following);
    transport.Stop();
    // A stop during the preview cancels the follow that was to come.
    transport.JumpTo(ScorePosition{0});
    transport.PlayAndFollow();
    transport.Stop();
    RunTo(clock_.Now() + 7000);
    EXPECT_FALSE(transport.Mode().playing);
}

TEST_P(EngineFollowing, TheAccompanimentPlaysLouderWithALoudSoloistAndSofterWithASoftOne) {
    FollowingOptions options = engine_.Following();
    options.volumeFollowLevel = 3;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    // The accompaniment's velocity on the last beat the soloist plays, at `velocity` (80 written).
    const auto lastVelocity = [this](std::uint8_t velocity) {
        Transport& transport = engine_.GetTransport();
        transport.JumpTo(ScorePosition{0});
        midi_.Output(0).Clear();
        transport.PlayAndFollow();
        for (int i = 0; i < 8; ++i) {
            Play(i, velocity);
            RunTo(clock_.Now() + 200);
            Release(i);
            RunTo(clock_.Now() + 300);
        }
        transport.Stop();
        int last = -1;
        for (const auto& bytes : midi_.Output(0).Bytes())
            if (bytes.size() == 3 && bytes[0] == (0x90 | testing::kAccompanimentChannel))
                last = bytes[2] > 0 ? bytes[2] : last;
        return last;
    };
    const int loud = lastVelocity(120);
    const int soft = lastVelocity(40);
    EXPECT_GT(loud, 70 + 10);
    EXPECT_LT(soft, 70 - 10);
}

TEST_P(EngineFollowing, WaitForSoloToStartHoldsTheAccompanimentUntilTheFirstNote) {
    FollowingOptions options = engine_.Following();
    options.waitForSoloToStart = true;
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    Transport& transport = engine_.GetTransport();
    transport.JumpTo(ScorePosition{2000});
    transport.PlayAndFollow();
    RunTo(clock_.Now() + 1500);
    EXPECT_TRUE(transport.Mode().following);
    EXPECT_EQ(transport.Position(), ScorePosition{1999});
    EXPECT_TRUE(NoteOnTimes(testing::kAccompanimentChannel).empty());
    const platform::ClockMs first = clock_.Now();
    PlayNotes(4, 8, 200, 300);
    const auto accompaniment = NoteOnTimes(testing::kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 4u);
    EXPECT_LE(platform::ClockElapsed(accompaniment[0], first), 5u);
}

TEST_P(EngineFollowing, JumpAheadToARehearsalPointFollowsTheSoloistFromThere) {
    SpecialMarkers markers;
    markers.rehearsalPoints = {ScorePosition{6000}};
    ASSERT_TRUE(engine_.SetSpecialMarkers(markers));
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    PlayNotes(0, 4, 200, 300);
    midi_.Output(0).Clear();
    transport.JumpAhead();
    ASSERT_TRUE(transport.Mode().following);
    EXPECT_EQ(transport.Punch().start, ScorePosition{6000});
    // From the rehearsal point the soloist plays faster than written.
    std::vector<platform::ClockMs> played;
    for (int i = 12; i < 20; ++i) {
        played.push_back(clock_.Now());
        PlayNotes(i, i + 1, 150, 250);
    }
    const auto accompaniment = NoteOnTimes(testing::kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 8u);
    for (std::size_t i = 4; i < 8; ++i)
        EXPECT_NEAR(static_cast<double>(accompaniment[i].Ms()), played[i].Ms(), 60.0)
            << "beat " << i;
    EXPECT_TRUE(transport.Mode().following);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, EngineFollowing, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
