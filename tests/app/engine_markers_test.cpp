// The special markers steer the accompaniment the same way whichever
// method follows the soloist.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower/follower_handover.h"
#include "follower/remote_table.h"
#include "follower/special_markers.h"
#include "following_rig.h"

namespace ostinel {
namespace {

using testing::kAccompanimentChannel;

constexpr std::uint8_t kSignalController = 64;

class FollowingMarkers : public testing::FollowingRig {
  protected:
    void Use(const SpecialMarkers& markers) { ASSERT_TRUE(engine_.SetSpecialMarkers(markers)); }

    void BindSignalToPedal() {
        RemoteTable table = engine_.Remote().Table();
        table[kSpecialSignalEntry] = static_cast<std::int16_t>(256 + kSignalController);
        engine_.Remote().SetTable(table);
        HandSignalToFollower(engine_.Remote(), engine_.GetFollower());
    }
    void PressPedal() {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0xB0, kSignalController, 127},
                              clock_.Now());
        engine_.IdlePass();
    }

    // Plays notes 0 to `last` - 1 at 500 ms a beat, as written.
    void PlayInTimeUpTo(int last) { PlayNotes(0, last, 200, 300); }
};

TEST_P(FollowingMarkers, AtAWaitForSoloistMarkerTheAccompanimentWaitsUntilTheSoloistPlaysThere) {
    SpecialMarkers markers;
    markers.waitForSoloist = {ScorePosition{3000}};
    Use(markers);
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    PlayInTimeUpTo(6);
    // The soloist is late by a second and a half: the accompaniment holds.
    RunTo(clock_.Now() + 1500);
    EXPECT_TRUE(transport.Mode().following);
    EXPECT_EQ(transport.Position(), ScorePosition{2999});
    EXPECT_EQ(NoteOnTimes(kAccompanimentChannel).size(), 6u);
    const platform::ClockMs late = clock_.Now();
    PlayNotes(6, 8, 200, 300);
    const auto accompaniment = NoteOnTimes(kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 7u);
    EXPECT_LE(platform::ClockElapsed(accompaniment[6], late), 5u);
}

TEST_P(FollowingMarkers, AtASignalMarkerTheAccompanimentWaitsForTheSignalAlone) {
    BindSignalToPedal();
    SpecialMarkers markers;
    markers.waitForSignal = {ScorePosition{3000}};
    Use(markers);
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    PlayInTimeUpTo(6);
    RunTo(clock_.Now() + 1000);
    // The soloist's next note does not release it; the signal does.
    PlayNotes(6, 7, 200, 300);
    EXPECT_EQ(transport.Position(), ScorePosition{2999});
    EXPECT_EQ(NoteOnTimes(kAccompanimentChannel).size(), 6u);
    const platform::ClockMs signal = clock_.Now();
    PressPedal();
    RunTo(clock_.Now() + 600);
    const auto accompaniment = NoteOnTimes(kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 7u);
    EXPECT_LE(platform::ClockElapsed(accompaniment[6], signal), 5u);
    EXPECT_NEAR(transport.Position().Ms(), 3600, 30);
}

TEST_P(FollowingMarkers, AtARestoreTempoMarkerTheAccompanimentReturnsToTheStartingTempo) {
    // Played at 400 ms a beat up to the chord at 4000; then the soloist
    // pauses, and the accompaniment goes on at the tempo it has.
    const auto positionSoonAfterTheMarker = [this](std::vector<ScorePosition> restore) {
        SpecialMarkers markers;
        markers.restoreTempo = std::move(restore);
        Use(markers);
        Transport& transport = engine_.GetTransport();
        transport.JumpTo(ScorePosition{0});
        transport.PlayAndFollow();
        PlayNotes(0, 8, 150, 250);
        Play(8);
        RunTo(clock_.Now() + 300);
        const ScorePosition position = transport.Position();
        transport.Stop();
        return position;
    };
    EXPECT_GT(positionSoonAfterTheMarker({}), ScorePosition{4340});
    EXPECT_NEAR(positionSoonAfterTheMarker({ScorePosition{4000}}).Ms(), 4300, 15);
}

TEST_P(FollowingMarkers,
       InAnIgnoreSoloistRangeTheAccompanimentKeepsTimeAndTheSoloistIsNotFollowed) {
    SpecialMarkers markers;
    markers.ignoreSoloist = {{ScorePosition{2000}, ScorePosition{4000}}};
    Use(markers);
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    PlayInTimeUpTo(4);
    // Inside the range the soloist plays what the piece has near its end.
    PlayNotes(18, 22, 200, 300);
    EXPECT_TRUE(transport.Mode().following);
    EXPECT_NEAR(transport.Position().Ms(), 4000, 30);
    const auto accompaniment = NoteOnTimes(kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 8u);
    for (std::size_t i = 4; i < 8; ++i)
        EXPECT_EQ(platform::ClockElapsed(accompaniment[i], accompaniment[i - 1]), 500u)
            << "beat " << i;
    // After it the soloist is followed again, a little faster.
    PlayNotes(8, 12, 150, 250);
    EXPECT_GE(transport.Position(), ScorePosition{5850});
    EXPECT_LE(transport.Position(), ScorePosition{6050});
    transport.Stop();
    EXPECT_EQ(transport.Punch().start, ScorePosition{});
}

INSTANTIATE_TEST_SUITE_P(BothMethods, FollowingMarkers, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
