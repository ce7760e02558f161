#include "dialogs/metronome_dialog.h"
#include "learn_fixture.h"

namespace ostinel::testing {
namespace {

using Bytes = std::vector<std::vector<std::uint8_t>>;
using dialogs::MetronomeDialog;

class MetronomeDialogTest : public LearnDialogTest {
  protected:
    void UseMetronome(const MetronomeSettings& metronome) {
        engine_.GetTransport().SetMetronomeSettings(metronome);
    }
    MetronomeSettings OnChannelThree() {
        MetronomeSettings metronome;
        metronome.on = true;
        metronome.port = 0;
        metronome.channel = 2;
        metronome.patch = 5;
        metronome.downbeatNote = 76;
        metronome.downbeatVelocity = 100;
        metronome.otherNote = 77;
        metronome.otherVelocity = 80;
        return metronome;
    }
    void UseThru() {
        OutputSettings output = engine_.Output().Settings();
        output.thruOn = true;
        output.thruPort = 0;
        engine_.SetOutputSettings(output);
    }
    platform::RecordingOutputDevice& Synth() { return midi_.Output(0); }
};

TEST_F(MetronomeDialogTest, ShowsTheSettingsAndOffLeavesOnlyTheSwitch) {
    MetronomeSettings metronome = OnChannelThree();
    metronome.on = false;
    metronome.otherNote = kNoMidiValue;
    UseMetronome(metronome);
    MetronomeDialog dialog(context_);
    EXPECT_TRUE(dialog.OffButton()->isChecked());
    EXPECT_EQ(dialog.ChannelList()->currentIndex(), 2);
    EXPECT_EQ(dialog.PatchField()->text(), QStringLiteral("5"));
    EXPECT_EQ(dialog.DownbeatNoteField()->text(), QStringLiteral("E6"));
    EXPECT_EQ(dialog.DownbeatVolumeField()->text(), QStringLiteral("100"));
    EXPECT_TRUE(dialog.OtherNoteField()->text().isEmpty());
    EXPECT_TRUE(dialog.OtherVolumeField()->text().isEmpty());
    EXPECT_FALSE(dialog.PortList()->isEnabled());
    EXPECT_FALSE(dialog.PatchField()->isEnabled());
    EXPECT_FALSE(dialog.LearnBox()->isEnabled());
    EXPECT_TRUE(dialog.OnButton()->isEnabled());
    dialog.OnButton()->click();
    EXPECT_TRUE(dialog.OtherNoteField()->isEnabled());
    EXPECT_TRUE(dialog.LearnBox()->isEnabled());
    EXPECT_EQ(dialog.HelpTopic(), 6);
}

TEST_F(MetronomeDialogTest, ANoteNeedsItsVolumeAndValuesStayBelowOneHundredTwentyEight) {
    UseMetronome(OnChannelThree());
    MetronomeDialog dialog(context_);
    Retype(dialog.PatchField(), QStringLiteral("128"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    Retype(dialog.PatchField(), QStringLiteral("127"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Erase(dialog.OtherVolumeField());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    // A volume without a note is fine.
    Retype(dialog.OtherVolumeField(), QStringLiteral("90"));
    Erase(dialog.OtherNoteField());
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.DownbeatNoteField(), QStringLiteral("C11"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 2);
}

TEST_F(MetronomeDialogTest, OkStoresEmptyFieldsAsNoneCancelStoresNothing) {
    UseMetronome(OnChannelThree());
    {
        MetronomeDialog dialog(context_);
        dialog.OffButton()->click();
        Erase(dialog.PatchField());
        dialog.reject();
    }
    EXPECT_EQ(engine_.GetTransport().Metronome(), OnChannelThree());
    MetronomeDialog dialog(context_);
    dialog.PortList()->setCurrentIndex(1);
    dialog.ChannelList()->setCurrentIndex(9);
    Erase(dialog.PatchField());
    Retype(dialog.DownbeatNoteField(), QStringLiteral("Bb3"));
    Retype(dialog.DownbeatVolumeField(), QStringLiteral("64"));
    Erase(dialog.OtherNoteField());
    Erase(dialog.OtherVolumeField());
    dialog.OkButton()->click();
    const MetronomeSettings& stored = engine_.GetTransport().Metronome();
    EXPECT_TRUE(stored.on);
    EXPECT_EQ(stored.port, 1);
    EXPECT_EQ(stored.channel, 9);
    EXPECT_EQ(stored.patch, kNoMidiValue);
    EXPECT_EQ(stored.downbeatNote, 46);
    EXPECT_EQ(stored.downbeatVelocity, 64);
    EXPECT_EQ(stored.otherNote, kNoMidiValue);
    EXPECT_EQ(stored.otherVelocity, kNoMidiValue);
    EXPECT_EQ(engine_.SystemRecord().metronomeDownbeatNote, 46);
    EXPECT_EQ(engine_.SystemRecord().metronomeOn, 1);
}

TEST_F(MetronomeDialogTest, APlayedNoteFillsTheRowLastEditedAndIsHeard) {
    UseMetronome(OnChannelThree());
    MetronomeDialog dialog(context_);
    const InputMode before = engine_.Intake().Mode();
    EXPECT_TRUE(engine_.Intake().InputDialogOpen());
    dialog.LearnBox()->click();
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);
    Synth().Clear();

    // Played on channel 1; heard on the dialog's channel 3.
    Send({0x90, 60, 90});
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.DownbeatNoteField()->text(), QStringLiteral("C5"));
    EXPECT_EQ(dialog.DownbeatVolumeField()->text(), QStringLiteral("90"));
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0xC2, 5}, {0x92, 60, 90}}));
    timers_.Advance(MetronomeDialog::kAuditionMs);
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0xC2, 5}, {0x92, 60, 90}, {0x92, 60, 0}}));

    // A program change fills the patch; the other row edited last takes the next note.
    Send({0xC0, 12});
    Retype(dialog.OtherVolumeField(), QStringLiteral("1"));
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.PatchField()->text(), QStringLiteral("12"));
    Synth().Clear();
    Erase(dialog.PatchField());
    Send({0x80, 60, 0});
    Send({0x90, 62, 70});
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.OtherNoteField()->text(), QStringLiteral("D5"));
    EXPECT_EQ(dialog.OtherVolumeField()->text(), QStringLiteral("70"));
    EXPECT_EQ(dialog.DownbeatNoteField()->text(), QStringLiteral("C5"));
    // No patch: only the note and its release.
    timers_.Advance(MetronomeDialog::kAuditionMs);
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0x92, 62, 70}, {0x92, 62, 0}}));

    dialog.OkButton()->click();
    EXPECT_EQ(engine_.Intake().Mode(), before);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());
    EXPECT_EQ(engine_.GetTransport().Metronome().otherNote, 62);
    EXPECT_EQ(engine_.GetTransport().Metronome().otherVelocity, 70);
}

TEST_F(MetronomeDialogTest, LearningNeedsTheMetronomeOnAndKeepsThruQuiet) {
    MetronomeSettings metronome = OnChannelThree();
    metronome.on = false;
    UseMetronome(metronome);
    UseThru();
    const InputMode before = engine_.Intake().Mode();
    MetronomeDialog dialog(context_);
    dialog.LearnBox()->setChecked(true);
    EXPECT_EQ(engine_.Intake().Mode(), before);
    Synth().Clear();
    Send({0x90, 64, 80});
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0x90, 64, 80}}));  // thru as usual

    dialog.OnButton()->click();
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);
    Synth().Clear();
    Send({0x90, 65, 80});
    dialog.Learn().Deliver();
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0xC2, 5}, {0x92, 65, 80}}));  // the audition alone

    dialog.OffButton()->click();
    EXPECT_EQ(engine_.Intake().Mode(), before);
    Synth().Clear();
    Send({0x90, 67, 80});
    dialog.Learn().Deliver();
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0x90, 67, 80}}));
    dialog.OnButton()->click();
    dialog.CancelButton()->click();
    EXPECT_EQ(engine_.Intake().Mode(), before);
    Synth().Clear();
    Send({0x90, 69, 80});
    EXPECT_EQ(Synth().Bytes(), (Bytes{{0x90, 69, 80}}));
}

}  // namespace
}  // namespace ostinel::testing
