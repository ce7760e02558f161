#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/performance_saving.h"
#include "app/piece_settings_application.h"
#include "following_rig.h"
#include "support/sounding_notes.h"

namespace ostinel {
namespace {

using testing::kAccompanimentChannel;
using testing::kSoloistChannel;
constexpr std::int16_t kTakeChannel = 5;

// A take of the melody from 2000 ms, played at 400 ms a beat where the file
// has 500, then Play Performance on its own channel.
class PerformancePlayback : public testing::FollowingRig {
  protected:
    void SetUp() override {
        FollowingRig::SetUp();
        RecordTake();
        engine_.CurrentPiece()->PerformanceTrack().channel = kTakeChannel;
        settings_.useFollowingTrackSound = false;
        settings_.playMode = PerformancePlayMode::SoundOnSound;
    }

    void RecordTake() {
        Transport& transport = engine_.GetTransport();
        transport.JumpTo(ScorePosition{2000});
        transport.PlayAndFollow();
        ASSERT_TRUE(transport.Mode().following);
        PlayNotes(4, 12, 150, 250);
        transport.Stop();
        ASSERT_TRUE(PerformanceExists(transport.PerformanceTempos()));
    }

    // Plays the take from `from` for `ms` of clock time.
    void PlayTakeFrom(ScorePosition from, std::int32_t ms) {
        Transport& transport = engine_.GetTransport();
        transport.SetPerformanceSettings(settings_);
        transport.JumpTo(from);
        midi_.Output(0).Clear();
        transport.PlayPerformance();
        ASSERT_TRUE(transport.Mode().playingPerformance);
        RunTo(clock_.Now() + ms);
    }

    PerformanceSettings settings_;
};

// Milliseconds from each note-on to the next.
std::vector<long> Gaps(const std::vector<platform::ClockMs>& times) {
    std::vector<long> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(static_cast<long>(platform::ClockElapsed(times[i], times[i - 1])));
    return gaps;
}

TEST_P(PerformancePlayback, ASavedTakeOpensWithThePiecesSettingsButWithoutItsName) {
    engine_.DisplayName() = "Duet for Two";
    MasterSettings master = engine_.GetTransport().Master();
    master.volume = 200;
    engine_.GetTransport().SetMasterSettings(master);
    const std::string path = (folder_ / "take.mid").string();
    ASSERT_EQ(SavePerformanceAs(engine_, path), PerformanceWriteResult::Written);
    ASSERT_EQ(OpenPieceWithSettings(engine_, path), LoadResult::Loaded);
    EXPECT_EQ(engine_.GetTransport().Master().volume, 200);
    EXPECT_EQ(engine_.DisplayName(), "");
}

TEST_P(PerformancePlayback, InsideTheTakeTheAccompanimentKeepsThePerformedTempo) {
    PlayTakeFrom(ScorePosition{2000}, 2500);
    const auto gaps = Gaps(NoteOnTimes(kAccompanimentChannel));
    ASSERT_GE(gaps.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(gaps[i], 400, 40) << "beat " << i;
    // The take's own notes come at the times they were played.
    const auto take = Gaps(NoteOnTimes(kTakeChannel));
    ASSERT_GE(take.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(take[i], 400, 40) << "note " << i;
}

TEST_P(PerformancePlayback, BeforeTheTakeTheFileOrTheAverageTempoPlays) {
    PlayTakeFrom(ScorePosition{0}, 1600);
    for (const long gap : Gaps(NoteOnTimes(kAccompanimentChannel)))
        EXPECT_EQ(gap, 500);
    engine_.GetTransport().Stop();

    settings_.tempos.before = TempoBeforePerformed::AverageTempo;
    PlayTakeFrom(ScorePosition{0}, 1300);
    const auto gaps = Gaps(NoteOnTimes(kAccompanimentChannel));
    ASSERT_GE(gaps.size(), 3u);
    for (const long gap : gaps)
        EXPECT_NEAR(gap, 400, 25);
}

TEST_P(PerformancePlayback, HalfTheMasterTempoHalvesEveryPerformedTempo) {
    MasterSettings master = engine_.GetTransport().Master();
    master.speed = SpeedFactor{kOwnTempoSpeed.Raw() / 2};
    engine_.GetTransport().SetMasterSettings(master);
    PlayTakeFrom(ScorePosition{2000}, 4000);
    const auto gaps = Gaps(NoteOnTimes(kAccompanimentChannel));
    ASSERT_GE(gaps.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(gaps[i], 800, 80) << "beat " << i;
}

TEST_P(PerformancePlayback, PunchInHandsTheFollowingTrackToTheTakeAndBack) {
    settings_.playMode = PerformancePlayMode::PunchIn;
    const ScorePosition end = engine_.GetTransport().Punch().end;
    PlayTakeFrom(ScorePosition{0}, 12000);
    EXPECT_FALSE(engine_.GetTransport().Mode().playing);
    // The soloist's part from the file: up to the take and again after it.
    int expected = 4;
    for (int i = 0; i < testing::kNotes; ++i)
        if (ScorePosition{500 * i} >= end) ++expected;
    EXPECT_EQ(NoteOnTimes(kSoloistChannel).size(), static_cast<std::size_t>(expected));
    EXPECT_EQ(NoteOnTimes(kTakeChannel).size(), 8u);
    EXPECT_TRUE(testing::SoundingNotes(midi_.Output(0).Bytes()).empty());
}

TEST_P(PerformancePlayback, StoppingInsideThePunchSectionLeavesNothingSounding) {
    settings_.playMode = PerformancePlayMode::PunchIn;
    PlayTakeFrom(ScorePosition{2000}, 1100);
    EXPECT_TRUE(engine_.GetTransport().Mode().playingPerformance);
    engine_.GetTransport().Stop();
    EXPECT_TRUE(NoteOnTimes(kSoloistChannel).empty());
    EXPECT_FALSE(NoteOnTimes(kTakeChannel).empty());
    EXPECT_TRUE(testing::SoundingNotes(midi_.Output(0).Bytes()).empty());
}

TEST_P(PerformancePlayback, OverwriteLeavesTheFollowingTrackOutAndGivesItBack) {
    settings_.playMode = PerformancePlayMode::Overwrite;
    PlayTakeFrom(ScorePosition{0}, 4000);
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].playFlag, 0);
    engine_.GetTransport().Stop();
    EXPECT_TRUE(NoteOnTimes(kSoloistChannel).empty());
    EXPECT_FALSE(NoteOnTimes(kTakeChannel).empty());
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].playFlag, 1);
}

TEST_P(PerformancePlayback, OnlyTheFollowingTrackPlaysTheFileAtThePerformedTempos) {
    settings_.playMode = PerformancePlayMode::FollowingTrackOnly;
    PlayTakeFrom(ScorePosition{2000}, 1700);
    EXPECT_TRUE(NoteOnTimes(kTakeChannel).empty());
    const auto gaps = Gaps(NoteOnTimes(kSoloistChannel));
    ASSERT_GE(gaps.size(), 3u);
    EXPECT_NEAR(gaps[0], 400, 40);
}

TEST_P(PerformancePlayback, TheTakeBorrowsTheFollowingTracksSoundOnlyWhilePlaying) {
    settings_.useFollowingTrackSound = true;
    settings_.playMode = PerformancePlayMode::Overwrite;
    PlayTakeFrom(ScorePosition{2000}, 1500);
    // The take now sounds where the soloist's track would.
    EXPECT_FALSE(NoteOnTimes(kSoloistChannel).empty());
    EXPECT_TRUE(NoteOnTimes(kTakeChannel).empty());
    engine_.GetTransport().Stop();
    const Track& take = engine_.CurrentPiece()->PerformanceTrack();
    EXPECT_EQ(take.channel, kTakeChannel);
    EXPECT_EQ(take.substituteFlag, 1);
}

TEST_P(PerformancePlayback, AJumpWhileTheTakePlaysResumesIt) {
    PlayTakeFrom(ScorePosition{2000}, 500);
    engine_.GetTransport().JumpTo(ScorePosition{3000});
    EXPECT_TRUE(engine_.GetTransport().Mode().playingPerformance);
    EXPECT_GE(engine_.GetTransport().Position(), ScorePosition{3000});
}

TEST_P(PerformancePlayback, ThePlayPerformanceRequestStartsItWhenOffered) {
    Transport& transport = engine_.GetTransport();
    transport.SetPerformanceSettings(settings_);
    EXPECT_TRUE(transport.MenuState().playPerformance);
    engine_.Requests().PostRequest(TransportRequest::PlayPerformance);
    engine_.IdlePass();
    EXPECT_TRUE(transport.Mode().playingPerformance);
    EXPECT_FALSE(transport.MenuState().playPerformance);
}

TEST_P(PerformancePlayback, ADiscardedTakeIsGoneAndCannotPlay) {
    Transport& transport = engine_.GetTransport();
    transport.PlayFile();
    transport.DiscardPerformance();  // not while playing
    EXPECT_GT(engine_.CurrentPiece()->PerformanceTrack().count, 0);
    transport.Stop();
    transport.DiscardPerformance();
    const Track& take = engine_.CurrentPiece()->PerformanceTrack();
    EXPECT_EQ(take.count, 0);
    EXPECT_TRUE(take.events.empty());
    EXPECT_FALSE(PerformanceExists(transport.PerformanceTempos()));
    EXPECT_FALSE(transport.MenuState().playPerformance);
    transport.PlayPerformance();
    EXPECT_FALSE(transport.Mode().playingPerformance);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, PerformancePlayback, testing::kBothMethods,
                         testing::MethodName);

}  // namespace
}  // namespace ostinel
