#include "dialogs/following_dialog.h"

#include "app/system_settings_application.h"
#include "learn_fixture.h"
#include "platform/manual/memory_settings_store.h"

namespace ostinel::testing {
namespace {

using dialogs::FollowingDialog;

class FollowingDialogTest : public LearnDialogTest {
  protected:
    void UseOptions(const FollowingOptions& options) {
        ASSERT_TRUE(engine_.SetFollowingOptions(options));
    }
    // A recorded take stands in the performance track.
    void RecordFakeTake() {
        Track& take = GetPiece().PerformanceTrack();
        take.events.assign(3, TrackEvent{100, 0x90, 60, 90, 1});
        take.count = 3;
    }
};

TEST_F(FollowingDialogTest, ShowsTheStoredOptions) {
    FollowingOptions options;
    options.followSource = FollowSource::TappedBeats;
    options.tapSource = TapSource::Controller;
    options.tapNote = 61;
    options.tapController = 64;
    options.jumpEnabled = true;
    options.jumpSeveralBeatsOnly = true;
    options.timingFollowLevel = 1;
    options.volumeFollowLevel = 3;
    UseOptions(options);
    FollowingDialog dialog(context_);
    EXPECT_TRUE(dialog.TappedButton()->isChecked());
    EXPECT_TRUE(dialog.TapSourceButton(TapSource::Controller)->isChecked());
    EXPECT_EQ(dialog.TapNoteField()->text(), QStringLiteral("C#5"));
    EXPECT_EQ(dialog.TapControllerField()->text(), QStringLiteral("64"));
    EXPECT_TRUE(dialog.JumpSeveralBeatsButton()->isChecked());
    EXPECT_EQ(dialog.TimingList()->currentText(), QStringLiteral("Low"));
    EXPECT_EQ(dialog.VolumeList()->currentText(), QStringLiteral("High"));
    EXPECT_EQ(dialog.HelpTopic(), 2);
}

TEST_F(FollowingDialogTest, StoredValuesOutOfRangeAreShownAsTheirDefaults) {
    platform::MemorySettingsStore store;
    engine_.UseSettingsStore(store);
    ASSERT_TRUE(store.Write("Settings Version", ".", std::vector<std::uint8_t>{0, 0}));
    SystemSettings damaged = ostinel::DefaultSystemSettings();
    damaged.followSource = 1;
    damaged.tapSource = 6;  // one past "Any Controller"
    damaged.timingFollowLevel = 9;
    damaged.volumeFollowLevel = 4;
    damaged.tapNote = 200;
    const SystemSettingsBytes bytes = EncodeSystemSettings(damaged);
    ASSERT_TRUE(store.Write("System Variables", ".", bytes));
    LoadSystemSettings(engine_, ".", false);
    FollowingDialog dialog(context_);
    EXPECT_TRUE(dialog.TappedButton()->isChecked());
    EXPECT_TRUE(dialog.TapSourceButton(TapSource::SpaceBar)->isChecked());
    EXPECT_EQ(dialog.TimingList()->currentText(), QStringLiteral("Highest"));
    EXPECT_EQ(dialog.VolumeList()->currentText(), QStringLiteral("Moderate"));
    EXPECT_EQ(dialog.TapNoteField()->text(), QString());
}

TEST_F(FollowingDialogTest, StopDelayShowsRoundedSecondsAndAcceptsUpToSixty) {
    FollowingOptions options;
    options.stopAutomatically = true;
    options.autoStopDelayMs = 5499;
    UseOptions(options);
    {
        FollowingDialog dialog(context_);
        EXPECT_EQ(dialog.StopSecondsField()->text(), QStringLiteral("5"));
    }
    options.autoStopDelayMs = 5500;
    UseOptions(options);
    FollowingDialog dialog(context_);
    EXPECT_EQ(dialog.StopSecondsField()->text(), QStringLiteral("6"));
    Retype(dialog.StopSecondsField(), QStringLiteral("61"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.StopSecondsField(), QStringLiteral("60"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.accept();
    EXPECT_EQ(engine_.Following().autoStopDelayMs, 60000u);
}

TEST_F(FollowingDialogTest, TapFieldsRefuseBadValuesAndNeedOneWhenInUse) {
    FollowingDialog dialog(context_);
    dialog.TappedButton()->click();
    dialog.TapSourceButton(TapSource::Controller)->click();
    EXPECT_TRUE(dialog.TapControllerField()->isEnabled());
    EXPECT_FALSE(dialog.TapNoteField()->isEnabled());
    // Empty while in use: not finished, but no beep.
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
    Retype(dialog.TapControllerField(), QStringLiteral("122"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.TapControllerField(), QStringLiteral("121"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    // A bad note blocks OK even while its field is not in use.
    dialog.TapSourceButton(TapSource::Note)->click();
    Retype(dialog.TapNoteField(), QStringLiteral("H5"));
    dialog.TapSourceButton(TapSource::AnyNote)->click();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
}

TEST_F(FollowingDialogTest, TimingNoneTakesAwayWhatNeedsFollowing) {
    FollowingDialog dialog(context_);
    EXPECT_TRUE(dialog.JumpAnywhereButton()->isEnabled());
    EXPECT_FALSE(dialog.SecondTrackList()->isEnabled());
    dialog.TimingList()->setCurrentIndex(4);  // None
    EXPECT_FALSE(dialog.JumpOffButton()->isEnabled());
    EXPECT_FALSE(dialog.StopAutomaticallyBox()->isEnabled());
    EXPECT_FALSE(dialog.WaitBox()->isEnabled());
    EXPECT_FALSE(dialog.VolumeList()->isEnabled());
    dialog.TimingList()->setCurrentIndex(3);  // Low: waiting, but no stop or jumps
    EXPECT_TRUE(dialog.WaitBox()->isEnabled());
    EXPECT_FALSE(dialog.StopAutomaticallyBox()->isEnabled());
    EXPECT_TRUE(dialog.VolumeList()->isEnabled());
    dialog.TwoTracksButton()->click();
    EXPECT_TRUE(dialog.SecondTrackList()->isEnabled());
    // Taps from a controller carry no loudness; the soloist's tracks go idle.
    dialog.TappedButton()->click();
    dialog.TapSourceButton(TapSource::AnyController)->click();
    EXPECT_FALSE(dialog.VolumeList()->isEnabled());
    EXPECT_FALSE(dialog.FirstTrackList()->isEnabled());
    EXPECT_FALSE(dialog.StartAutomaticallyBox()->isEnabled());
    EXPECT_FALSE(dialog.JumpAnywhereButton()->isEnabled());
}

TEST_F(FollowingDialogTest, LearnsATapNoteOnceThenAController) {
    FollowingDialog dialog(context_);
    const InputMode before = engine_.Intake().Mode();
    EXPECT_TRUE(engine_.Intake().InputDialogOpen());
    dialog.TappedButton()->click();
    dialog.LearnBox()->click();
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);

    PlayKey(60);
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.TapNoteField()->text(), QStringLiteral("C5"));
    EXPECT_TRUE(dialog.TapSourceButton(TapSource::Note)->isChecked());
    // The same key again is not taken a second time.
    Retype(dialog.TapNoteField(), QStringLiteral("D5"));
    PlayKey(60);
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.TapNoteField()->text(), QStringLiteral("D5"));

    MoveController(64, 127);
    MoveController(64, 0);
    dialog.Learn().Deliver();
    EXPECT_TRUE(dialog.TapSourceButton(TapSource::Controller)->isChecked());
    EXPECT_EQ(dialog.TapControllerField()->text(), QStringLiteral("64"));

    // Back to the soloist's playing: no more learning, the old mode again.
    dialog.SoloistButton()->click();
    EXPECT_EQ(engine_.Intake().Mode(), before);
    PlayKey(62);
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.TapNoteField()->text(), QStringLiteral("D5"));
}

TEST_F(FollowingDialogTest, OkStoresTheOptionsAndSetsTheIdleMode) {
    FollowingOptions options;
    options.startAutomatically = false;
    UseOptions(options);
    ASSERT_EQ(engine_.Intake().Mode(), InputMode::InputIdle);
    FollowingDialog dialog(context_);
    dialog.StartAutomaticallyBox()->click();
    dialog.StopAutomaticallyBox()->click();
    Retype(dialog.StopSecondsField(), QStringLiteral("12"));
    dialog.JumpOffButton()->click();
    dialog.TimingList()->setCurrentIndex(1);
    dialog.VolumeList()->setCurrentIndex(3);
    dialog.PreviewBox()->click();
    dialog.TappedButton()->click();
    dialog.TapSourceButton(TapSource::Note)->click();
    Retype(dialog.TapNoteField(), QStringLiteral("Eb4"));
    dialog.SoloistButton()->click();
    dialog.LearnBox()->click();  // ticked, but not learning with the soloist's playing
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputIdle);
    ASSERT_TRUE(dialog.OkButton()->isEnabled());
    dialog.OkButton()->click();

    const FollowingOptions& stored = engine_.Following();
    EXPECT_EQ(stored.followSource, FollowSource::SoloistsPlaying);
    EXPECT_TRUE(stored.startAutomatically);
    EXPECT_TRUE(stored.stopAutomatically);
    EXPECT_EQ(stored.autoStopDelayMs, 12000u);
    EXPECT_FALSE(stored.jumpEnabled);
    EXPECT_FALSE(stored.jumpSeveralBeatsOnly);
    EXPECT_TRUE(stored.previewBeforeStarting);
    EXPECT_EQ(stored.timingFollowLevel, 3);
    EXPECT_EQ(stored.volumeFollowLevel, 0);
    EXPECT_EQ(stored.tapSource, TapSource::Note);
    EXPECT_EQ(stored.tapNote, 51);
    EXPECT_EQ(stored.tapController, kNoTapValue);
    // Starting automatically with the soloist's playing: listening for the start.
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputAwaitStart);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());
}

TEST_F(FollowingDialogTest, TheMethodIsChosenWithALineOfHelpAndStored) {
    UseOptions(FollowingOptions{});
    FollowingDialog dialog(context_);
    ASSERT_EQ(dialog.MethodList()->count(), 2);
    EXPECT_EQ(dialog.MethodList()->currentText(), QStringLiteral("Matching"));
    const QString matchingHelp = dialog.MethodHelp()->text();
    EXPECT_FALSE(matchingHelp.isEmpty());
    dialog.MethodList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.MethodList()->currentText(), QStringLiteral("Probability"));
    EXPECT_NE(dialog.MethodHelp()->text(), matchingHelp);
    // Taps are placed by one rule only.
    dialog.TappedButton()->click();
    EXPECT_FALSE(dialog.MethodList()->isEnabled());
    dialog.SoloistButton()->click();
    EXPECT_TRUE(dialog.MethodList()->isEnabled());
    dialog.OkButton()->click();
    EXPECT_EQ(engine_.Following().method, FollowingMethod::Probability);

    FollowingDialog again(context_);
    EXPECT_EQ(again.MethodList()->currentText(), QStringLiteral("Probability"));
}

TEST_F(FollowingDialogTest, OkWhileLearningLeavesTheTappedIdleMode) {
    FollowingDialog dialog(context_);
    dialog.TappedButton()->click();
    dialog.LearnBox()->click();
    ASSERT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);
    dialog.accept();
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputIdle);
    EXPECT_EQ(engine_.Following().followSource, FollowSource::TappedBeats);
}

TEST_F(FollowingDialogTest, CancelStoresNothingAndPutsTheModeBack) {
    const FollowingOptions before = engine_.Following();
    const InputMode mode = engine_.Intake().Mode();
    FollowingDialog dialog(context_);
    dialog.TappedButton()->click();
    dialog.LearnBox()->click();
    dialog.TimingList()->setCurrentIndex(4);
    PlayKey(70);
    dialog.Learn().Deliver();
    dialog.CancelButton()->click();
    EXPECT_EQ(engine_.Following(), before);
    EXPECT_EQ(engine_.Intake().Mode(), mode);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());
}

TEST_F(FollowingDialogTest, OnlyANewSourceOrTrackDiscardsTheRecordedTake) {
    ASSERT_GE(GetPiece().TrackCount(), 2);
    RecordFakeTake();
    {
        FollowingDialog dialog(context_);
        dialog.TimingList()->setCurrentIndex(2);
        dialog.accept();
    }
    EXPECT_EQ(GetPiece().PerformanceTrack().count, 3);
    {
        FollowingDialog dialog(context_);
        dialog.FirstTrackList()->setCurrentIndex(1);
        dialog.accept();
    }
    EXPECT_EQ(engine_.Following().followTrack1, 1);
    EXPECT_EQ(GetPiece().PerformanceTrack().count, 0);
    EXPECT_TRUE(GetPiece().PerformanceTrack().events.empty());
    RecordFakeTake();
    {
        FollowingDialog dialog(context_);
        dialog.TwoTracksButton()->click();
        dialog.reject();
    }
    EXPECT_EQ(GetPiece().PerformanceTrack().count, 3);
    {
        FollowingDialog dialog(context_);
        dialog.TwoTracksButton()->click();
        dialog.accept();
    }
    EXPECT_EQ(GetPiece().PerformanceTrack().count, 0);
}

}  // namespace
}  // namespace ostinel::testing
