#include <QTimer>

#include "app/command_ids.h"
#include "dialog_fixture.h"
#include "dialogs/beat_lookup.h"
#include "dialogs/dialog_launcher.h"
#include "dialogs/location_dialog.h"
#include "dialogs/loop_mode_dialog.h"
#include "dialogs/master_transpose_dialog.h"
#include "dialogs/tempo_dialog.h"
#include "dialogs/tracks_dialog.h"
#include "smf_builder.h"
#include "support/file_bytes.h"
#include "support/pickup_score.h"
#include "support/test_folder.h"

namespace ostinel::testing {
namespace {

class PlaybackDialogsTest : public DialogTest {};

TEST_F(PlaybackDialogsTest, TracksVolumeAboveOneHundredFiftyBeepsOnce) {
    dialogs::TracksDialog dialog(context_);
    Retype(dialog.VolumeField(), QStringLiteral("151"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.VolumeField(), QStringLiteral("150"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.accept();
    EXPECT_EQ(GetPiece().tracks[0].volume, (150 * 256 + 50) / 100);
}

TEST_F(PlaybackDialogsTest, TracksTransposeStopsAtOneHundredTwentySeven) {
    dialogs::TracksDialog dialog(context_);
    Retype(dialog.TransposeField(), QStringLiteral("-128"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.TransposeField(), QStringLiteral("-127"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.accept();
    EXPECT_EQ(GetPiece().tracks[0].transpose, -127);
}

TEST_F(PlaybackDialogsTest, TracksRefusesAnotherTrackWhileInputIsInvalid) {
    ASSERT_GE(GetPiece().TrackCount(), 2);
    dialogs::TracksDialog dialog(context_);
    Retype(dialog.VolumeField(), QStringLiteral("200"));
    EXPECT_EQ(beeper_.beeps, 1);
    dialog.TrackList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.TrackList()->currentIndex(), 0);
    EXPECT_EQ(beeper_.beeps, 2);
}

TEST_F(PlaybackDialogsTest, TracksOkStoresEveryEditedTrackAndCancelNone) {
    ASSERT_GE(GetPiece().TrackCount(), 2);
    const std::string fileName = GetPiece().tracks[0].name;
    {
        dialogs::TracksDialog dialog(context_);
        Retype(dialog.NameField(), QStringLiteral("Lead"));
        dialog.TrackList()->setCurrentIndex(1);
        dialog.MuteButton()->click();
        dialog.ChannelList()->setCurrentIndex(4);
        dialog.reject();
    }
    EXPECT_FALSE(GetPiece().tracks[0].userName.has_value());
    EXPECT_EQ(GetPiece().tracks[1].playFlag, 1);
    {
        dialogs::TracksDialog dialog(context_);
        EXPECT_EQ(dialog.TrackList()->currentIndex(), 1);  // the last track chosen
        dialog.MuteButton()->click();
        dialog.ChannelList()->setCurrentIndex(4);
        dialog.TrackList()->setCurrentIndex(0);
        Retype(dialog.NameField(), QStringLiteral("Lead"));
        dialog.accept();
    }
    EXPECT_EQ(GetPiece().tracks[0].userName, std::optional<std::string>("Lead"));
    EXPECT_EQ(GetPiece().tracks[1].playFlag, 0);
    EXPECT_EQ(GetPiece().tracks[1].channel, 4);
    {
        dialogs::TracksDialog dialog(context_);
        Retype(dialog.NameField(), QString::fromStdString(fileName));
        EXPECT_FALSE(dialog.ResetNameButton()->isEnabled());
        dialog.accept();
    }
    EXPECT_FALSE(GetPiece().tracks[0].userName.has_value());
}

TEST_F(PlaybackDialogsTest, ResetTrackKeepsThePort) {
    GetPiece().tracks[0].port = 3;
    GetPiece().tracks[0].volume = 128;
    dialogs::TracksDialog dialog(context_);
    QTest::mouseClick(dialog.ResetTrackButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.VolumeField()->text(), QStringLiteral("100"));
    EXPECT_EQ(dialog.PortList()->currentIndex(), 3);
    dialog.accept();
    EXPECT_EQ(GetPiece().tracks[0].volume, 256);
    EXPECT_EQ(GetPiece().tracks[0].port, 3);
}

TEST_F(PlaybackDialogsTest, MasterTransposeAcceptsMinus127AndRefusesMinus128) {
    {
        dialogs::MasterTransposeDialog dialog(context_);
        EXPECT_FALSE(dialog.ResetButton()->isEnabled());
        Retype(dialog.TransposeField(), QStringLiteral("-128"));
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        EXPECT_EQ(beeper_.beeps, 1);
        Retype(dialog.TransposeField(), QStringLiteral("-127"));
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        dialog.reject();
    }
    EXPECT_EQ(engine_.GetTransport().Master().transpose, 0);
    {
        dialogs::MasterTransposeDialog dialog(context_);
        Retype(dialog.TransposeField(), QStringLiteral("-127"));
        dialog.accept();
    }
    EXPECT_EQ(engine_.GetTransport().Master().transpose, -127);
    dialogs::MasterTransposeDialog dialog(context_);
    EXPECT_EQ(dialog.TransposeField()->text(), QStringLiteral("-127"));
    QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.TransposeField()->text().isEmpty());
    dialog.accept();
    EXPECT_EQ(engine_.GetTransport().Master().transpose, 0);
}

TEST_F(PlaybackDialogsTest, TempoBeatsPerMinuteOfTheCurrentBeatLinkToPercent) {
    // The demo piece's first beat lasts 600 ms: 100 beats per minute at 100 %.
    ASSERT_EQ(dialogs::BeatLengthAt(GetPiece().beatMap, engine_.GetTransport().Position()), 600);
    dialogs::TempoDialog dialog(context_);
    Retype(dialog.BeatsPerMinuteField(), QStringLiteral("120"));
    EXPECT_EQ(dialog.PercentField()->text(), QStringLiteral("120"));
    Retype(dialog.BeatsPerMinuteField(), QStringLiteral("100"));
    EXPECT_EQ(dialog.PercentField()->text(), QStringLiteral("100"));
    Retype(dialog.PercentField(), QStringLiteral("150"));
    EXPECT_EQ(dialog.BeatsPerMinuteField()->text(), QStringLiteral("150"));
    dialog.accept();
    EXPECT_EQ(engine_.GetTransport().Master().speed, SpeedFactor{(150 * 4096 + 50) / 100});
}

TEST_F(PlaybackDialogsTest, TempoOf120BeatsPerMinuteOnAHalfSecondBeatIsTheFilesOwn) {
    // A piece at 120 beats per minute: each beat lasts 500 score ms.
    TestFolder folder("ostinel-tempo-dialog");
    smf::FileBuilder file(1, 480);
    file.AddTrack().Bpm(0, 120).TimeSignature(0, 4, 2).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 90).NoteOff(1920, 0, 60).EndOfTrack();
    const std::string path = (folder / "half-second-beats.mid").string();
    ASSERT_TRUE(file.WriteFile(path));
    ASSERT_EQ(engine_.OpenPiece(path), LoadResult::Loaded);
    ASSERT_EQ(dialogs::BeatLengthAt(GetPiece().beatMap, engine_.GetTransport().Position()), 500);

    dialogs::TempoDialog dialog(context_);
    Retype(dialog.PercentField(), QStringLiteral("50"));
    Retype(dialog.BeatsPerMinuteField(), QStringLiteral("120"));
    EXPECT_EQ(dialog.PercentField()->text(), QStringLiteral("100"));
    EXPECT_FALSE(dialog.ResetButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
}

TEST_F(PlaybackDialogsTest, TempoAbove200PercentBeepsAndCancelKeepsTheTempo) {
    const SpeedFactor before = engine_.GetTransport().Master().speed;
    dialogs::TempoDialog dialog(context_);
    Retype(dialog.PercentField(), QStringLiteral("201"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.PercentField(), QStringLiteral("0"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    dialog.reject();
    EXPECT_EQ(engine_.GetTransport().Master().speed, SpeedFactor{before});
}

TEST_F(PlaybackDialogsTest, JumpToOffersTheCurrentMeasureFromItsFirstBeat) {
    // Between the third and fourth beats of measure 5.
    const auto third = *dialogs::BeatPosition(GetPiece().beatMap, 5, 3);
    const auto fourth = *dialogs::BeatPosition(GetPiece().beatMap, 5, 4);
    engine_.GetTransport().JumpTo(third + (fourth - third) / 2);
    QString measure;
    QString beat;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<dialogs::LocationDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        measure = dialog->MeasureField()->text();
        beat = dialog->BeatField()->text();
        dialog->reject();
    });
    EXPECT_TRUE(dialogs::RunDialogForCommand(command::kJumpTo, context_));
    EXPECT_EQ(measure, QStringLiteral("5"));
    EXPECT_EQ(beat, QStringLiteral("1"));
}

TEST_F(PlaybackDialogsTest, LocationRefusesABeatTheMeasureLacks) {
    dialogs::LocationDialog dialog(context_, 2, 1);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeatField(), QStringLiteral("5"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeatField(), QStringLiteral("3"));
    dialog.accept();
    ASSERT_TRUE(dialog.Chosen().has_value());
    EXPECT_EQ(dialog.Chosen()->position, *dialogs::BeatPosition(GetPiece().beatMap, 2, 3));
    EXPECT_EQ(beeper_.beeps, 0);
}

TEST_F(PlaybackDialogsTest, LocationRefusesMeasureZeroOfAMidiFile) {
    dialogs::LocationDialog dialog(context_, 0, 1);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.MeasureField(), QStringLiteral("1"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(PlaybackDialogsTest, LocationTakesTheMeasureZeroOfAScoresPickup) {
    TestFolder folder("ostinel-pickup-location");
    const std::string text = kPickupScore;
    ASSERT_EQ(engine_.OpenPiece(folder.Write("pickup.musicxml", Bytes(text))), LoadResult::Loaded);
    dialogs::LocationDialog dialog(context_, 0, 1);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    // An empty measure is not the pickup.
    dialog.MeasureField()->clear();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.MeasureField(), QStringLiteral("0"));
    Retype(dialog.BeatField(), QStringLiteral("2"));  // the pickup has one beat
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeatField(), QStringLiteral("1"));
    dialog.accept();
    ASSERT_TRUE(dialog.Chosen().has_value());
    EXPECT_EQ(dialog.Chosen()->position, ScorePosition{});
    EXPECT_EQ(beeper_.beeps, 0);
}

TEST_F(PlaybackDialogsTest, LoopModeTakesAScoresPickupAsItsBegin) {
    TestFolder folder("ostinel-pickup-loop");
    const std::string text = kPickupScore;
    ASSERT_EQ(engine_.OpenPiece(folder.Write("pickup.musicxml", Bytes(text))), LoadResult::Loaded);
    dialogs::LoopModeDialog dialog(context_);
    dialog.OnButton()->click();
    Retype(dialog.BeginMeasureField(), QStringLiteral("0"));
    Retype(dialog.BeginBeatField(), QStringLiteral("1"));
    Retype(dialog.EndMeasureField(), QStringLiteral("2"));
    Retype(dialog.EndBeatField(), QStringLiteral("1"));
    ASSERT_TRUE(dialog.OkButton()->isEnabled());
    dialog.OkButton()->click();
    EXPECT_EQ(engine_.GetTransport().Loop().begin, ScorePosition{});
    EXPECT_EQ(engine_.GetTransport().Loop().end, ScorePosition{5000});
    EXPECT_EQ(beeper_.beeps, 0);
}

TEST_F(PlaybackDialogsTest, LoopModeSamePointsWaitWithoutBeepAndLongDelayBeeps) {
    dialogs::LoopModeDialog dialog(context_);
    dialog.OnButton()->click();
    Retype(dialog.EndMeasureField(), QStringLiteral("5"));
    Retype(dialog.EndBeatField(), QStringLiteral("1"));
    Retype(dialog.BeginMeasureField(), QStringLiteral("3"));
    Retype(dialog.BeginBeatField(), QStringLiteral("1"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.EndMeasureField(), QStringLiteral("3"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
    Retype(dialog.EndMeasureField(), QStringLiteral("5"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.DelayField(), QStringLiteral("11"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.DelayField(), QStringLiteral("4"));
    dialog.accept();
    const LoopSettings& loop = engine_.GetTransport().Loop();
    EXPECT_TRUE(loop.on);
    EXPECT_EQ(loop.begin, *dialogs::BeatPosition(GetPiece().beatMap, 3, 1));
    EXPECT_EQ(loop.end, *dialogs::BeatPosition(GetPiece().beatMap, 5, 1));
    EXPECT_EQ(loop.restartDelaySec, 4u);
}

TEST_F(PlaybackDialogsTest, LoopModeWithoutLoopPointsStillTakesTheCheckBoxes) {
    ASSERT_EQ(engine_.GetTransport().Loop().begin,
              ScorePosition{engine_.GetTransport().Loop().end});
    dialogs::LoopModeDialog dialog(context_);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.SetPointsBox()->click();
    dialog.accept();
    EXPECT_TRUE(engine_.GetTransport().Loop().setPointsAutomatically);
    EXPECT_EQ(beeper_.beeps, 0);
}

TEST_F(PlaybackDialogsTest, LoopModeOffMakesThePointsUnavailableAndCancelStoresNothing) {
    const LoopSettings before = engine_.GetTransport().Loop();
    dialogs::LoopModeDialog dialog(context_);
    dialog.OffButton()->click();
    EXPECT_FALSE(dialog.BeginMeasureField()->isEnabled());
    EXPECT_FALSE(dialog.DelayField()->isEnabled());
    EXPECT_TRUE(dialog.SetPointsBox()->isEnabled());
    dialog.OnButton()->click();
    Retype(dialog.EndMeasureField(), QStringLiteral("6"));
    dialog.reject();
    EXPECT_EQ(engine_.GetTransport().Loop(), before);
}

}  // namespace
}  // namespace ostinel::testing
