#include "dialog_fixture.h"
#include "dialogs/banks_and_programs_dialog.h"
#include "dialogs/patch_rules.h"
#include "dialogs/performance_settings_dialog.h"
#include "dialogs/tracks_dialog.h"

namespace ostinel::testing {
namespace {

using dialogs::OkState;

Patch MakePatch(PatchKind kind, std::uint8_t a = 0, std::uint8_t b = 0, std::uint8_t c = 0) {
    return Patch{kind, {a, b, c}};
}

std::optional<Patch> Read(int kind, std::string a, std::string b, std::string c, bool allowEmpty) {
    return dialogs::ReadPatchValues(kind, {std::move(a), std::move(b), std::move(c)}, allowEmpty);
}

TEST(PatchRulesTest, ReadingTakesTheValuesTheKindUsesWithinZeroTo127) {
    EXPECT_EQ(Read(0, "x", "y", "z", false), MakePatch(PatchKind::None));
    EXPECT_EQ(Read(1, "5", "", "", false), MakePatch(PatchKind::Program, 5));
    EXPECT_EQ(Read(2, "1", "7", "", false), MakePatch(PatchKind::Bank0Program, 1, 7));
    EXPECT_EQ(Read(4, "1", "2", "3", false), MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3));
    EXPECT_EQ(Read(1, "127", "", "", false), MakePatch(PatchKind::Program, 127));
    EXPECT_FALSE(Read(1, "128", "", "", false));
    EXPECT_FALSE(Read(1, "+5", "", "", false));
    EXPECT_FALSE(Read(3, "1", "", "", false));
    EXPECT_FALSE(Read(4, "1", "2", "200", true));
    // Empty fields count as 0 only when allowed.
    EXPECT_EQ(Read(3, "1", "", "", true), MakePatch(PatchKind::Bank32Program, 1, 0));
    EXPECT_FALSE(Read(6, "1", "", "", true));
}

TEST(PatchRulesTest, KindFiveTakesAFirstProgramBelow100OnlyWithEmptyFieldsAllowed) {
    EXPECT_FALSE(Read(5, "99", "3", "", false));
    EXPECT_TRUE(Read(5, "99", "3", "", true));
    EXPECT_EQ(Read(5, "100", "3", "", false), MakePatch(PatchKind::HighProgramThenProgram, 100, 3));
}

TEST(PatchRulesTest, ValueFieldsAndListTextsFollowTheKind) {
    EXPECT_EQ(dialogs::PatchValueCount(0), 0);
    EXPECT_EQ(dialogs::PatchValueCount(1), 1);
    EXPECT_EQ(dialogs::PatchValueCount(2), 2);
    EXPECT_EQ(dialogs::PatchValueCount(3), 2);
    EXPECT_EQ(dialogs::PatchValueCount(4), 3);
    EXPECT_EQ(dialogs::PatchValueCount(5), 2);
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::None)), "--no change--");
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::Program, 5)), "P: 5");
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::Bank0Program, 1, 7)), "C0: 1;  P: 7");
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::Bank32Program, 2, 9)), "C32: 2;  P: 9");
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3)),
              "C0: 1;  C32: 2;  P: 3");
    EXPECT_EQ(dialogs::FormatPatch(MakePatch(PatchKind::HighProgramThenProgram, 100, 3)),
              "P: 100;  P: 3");
    EXPECT_EQ(dialogs::FormatPatchLine({MakePatch(PatchKind::Program, 5), Patch{}}),
              "P: 5\t--no change--");
}

class PatchDialogsTest : public DialogTest {
  protected:
    // Track 0 with three selections: a program, a bank 0 and a bank 32 one.
    void GiveTrackZeroThreePatches() {
        PatchTable& table = GetPiece().tracks[0].patches;
        table = PatchTable{};
        table.entries[0].file = MakePatch(PatchKind::Program, 5);
        table.entries[1].file = MakePatch(PatchKind::Bank0Program, 1, 7);
        table.entries[1].substitute = MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3);
        table.entries[2].file = MakePatch(PatchKind::Bank32Program, 2, 9);
        table.entries[2].substitute = MakePatch(PatchKind::HighProgramThenProgram, 100, 3);
        table.count = 3;
    }
};

TEST_F(PatchDialogsTest, BanksListShowsFilePatchTabSubstituteUpToTheFirstEmptyEntry) {
    ASSERT_GE(GetPiece().TrackCount(), 2);
    GiveTrackZeroThreePatches();
    GetPiece().tracks[1].patches = PatchTable{};
    dialogs::BanksAndProgramsDialog dialog(context_);
    ASSERT_EQ(dialog.PatchList()->topLevelItemCount(), 3);
    EXPECT_EQ(dialog.PatchLine(0), QStringLiteral("P: 5\t--no change--"));
    EXPECT_EQ(dialog.PatchLine(1), QStringLiteral("C0: 1;  P: 7\tC0: 1;  C32: 2;  P: 3"));
    EXPECT_EQ(dialog.PatchLine(2), QStringLiteral("C32: 2;  P: 9\tP: 100;  P: 3"));
    EXPECT_EQ(dialog.PatchList()->currentItem(), dialog.PatchList()->topLevelItem(0));
    // A track without program changes still offers entry 0 for a substitute.
    dialog.TrackList()->setCurrentIndex(1);
    ASSERT_EQ(dialog.PatchList()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.PatchLine(0), QStringLiteral("--no change--\t--no change--"));
}

TEST_F(PatchDialogsTest, BanksValueFieldsAndLabelFollowTheKind) {
    GiveTrackZeroThreePatches();
    dialogs::BanksAndProgramsDialog dialog(context_);
    dialogs::PatchEditor& editor = dialog.Editor();
    const std::array<int, 6> fields = {0, 1, 2, 2, 3, 2};
    for (int kind = 0; kind < 6; ++kind) {
        editor.KindList()->setCurrentIndex(kind);
        EXPECT_EQ(editor.ShownFieldCount(), fields[static_cast<std::size_t>(kind)]) << kind;
        EXPECT_EQ(dialog.ValueLabel()->isHidden(), kind == 0) << kind;
        if (kind != 0) {
            EXPECT_EQ(dialog.ValueLabel()->text(), fields[static_cast<std::size_t>(kind)] == 1
                                                       ? QStringLiteral("New Value:")
                                                       : QStringLiteral("New Values:"));
        }
    }
    // Selecting a line shows its substitute; choosing a kind empties the values.
    dialog.PatchList()->setCurrentItem(dialog.PatchList()->topLevelItem(1));
    EXPECT_EQ(editor.Kind(), 4);
    EXPECT_EQ(editor.ShownFieldCount(), 3);
    EXPECT_EQ(editor.ValueField(2)->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog.ValueLabel()->text(), QStringLiteral("New Values:"));
    editor.KindList()->setCurrentIndex(1);
    EXPECT_TRUE(editor.ValueField(0)->text().isEmpty());
    EXPECT_EQ(dialog.ValueLabel()->text(), QStringLiteral("New Value:"));
}

TEST_F(PatchDialogsTest, BanksSetNewRefusesKindFiveBelow100AndTakes100) {
    GiveTrackZeroThreePatches();
    dialogs::BanksAndProgramsDialog dialog(context_);
    dialogs::PatchEditor& editor = dialog.Editor();
    editor.KindList()->setCurrentIndex(5);
    Retype(editor.ValueField(0), QStringLiteral("99"));
    Retype(editor.ValueField(1), QStringLiteral("3"));
    QTest::mouseClick(dialog.SetNewButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.PatchLine(0), QStringLiteral("P: 5\t--no change--"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
    Retype(editor.ValueField(0), QStringLiteral("100"));
    QTest::mouseClick(dialog.SetNewButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.PatchLine(0), QStringLiteral("P: 5\tP: 100;  P: 3"));
    EXPECT_EQ(dialog.PatchList()->currentItem(), dialog.PatchList()->topLevelItem(0));
    // An empty value is no value for Set New.
    dialog.PatchList()->setCurrentItem(dialog.PatchList()->topLevelItem(2));
    editor.KindList()->setCurrentIndex(1);
    QTest::mouseClick(dialog.SetNewButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.PatchLine(2), QStringLiteral("C32: 2;  P: 9\tP: 100;  P: 3"));
}

TEST_F(PatchDialogsTest, BanksCancelKeepsTheTrackBlockAndOkStoresSubstitutesAndFlags) {
    ASSERT_GE(GetPiece().TrackCount(), 2);
    GiveTrackZeroThreePatches();
    const auto setProgram = [this](dialogs::BanksAndProgramsDialog& dialog, int program) {
        dialog.Editor().KindList()->setCurrentIndex(1);
        Retype(dialog.Editor().ValueField(0), QString::number(program));
        QTest::mouseClick(dialog.SetNewButton(), Qt::LeftButton);
    };
    {
        dialogs::BanksAndProgramsDialog dialog(context_);
        dialog.SubstituteButton()->click();
        setProgram(dialog, 40);
        dialog.reject();
    }
    EXPECT_EQ(GetPiece().tracks[0].substituteFlag, 0);
    EXPECT_EQ(GetPiece().tracks[0].patches.entries[0].substitute, Patch{});
    {
        dialogs::BanksAndProgramsDialog dialog(context_);
        dialog.SubstituteButton()->click();
        setProgram(dialog, 40);
        // The flag of a track stays with it when another track is chosen.
        dialog.TrackList()->setCurrentIndex(1);
        EXPECT_TRUE(dialog.UseFilesButton()->isChecked());
        dialog.SubstituteButton()->click();
        setProgram(dialog, 41);
        dialog.TrackList()->setCurrentIndex(0);
        EXPECT_TRUE(dialog.SubstituteButton()->isChecked());
        EXPECT_EQ(dialog.PatchLine(0), QStringLiteral("P: 5\tP: 40"));
        dialog.UseFilesButton()->click();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }
    const Track& first = GetPiece().tracks[0];
    EXPECT_EQ(first.substituteFlag, 0);
    EXPECT_EQ(first.patches.entries[0].substitute, MakePatch(PatchKind::Program, 40));
    EXPECT_EQ(first.patches.entries[0].file, MakePatch(PatchKind::Program, 5));
    EXPECT_EQ(first.patches.entries[1].substitute,
              MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3));
    EXPECT_EQ(GetPiece().tracks[1].substituteFlag, 1);
    EXPECT_EQ(GetPiece().tracks[1].patches.entries[0].substitute,
              MakePatch(PatchKind::Program, 41));
}

TEST_F(PatchDialogsTest, TracksResetTrackLeavesTheSubstitutesBehindItsFlag) {
    GiveTrackZeroThreePatches();
    GetPiece().tracks[0].substituteFlag = 1;
    dialogs::TracksDialog dialog(context_);
    QTest::mouseClick(dialog.ResetTrackButton(), Qt::LeftButton);
    dialog.accept();
    const Track& track = GetPiece().tracks[0];
    EXPECT_EQ(track.substituteFlag, 0);
    EXPECT_EQ(track.patches.entries[1].substitute,
              MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3));
    EXPECT_EQ(track.patches.entries[2].substitute,
              MakePatch(PatchKind::HighProgramThenProgram, 100, 3));
}

class PerformanceSettingsTest : public DialogTest {
  protected:
    Track& PerformanceTrack() { return GetPiece().PerformanceTrack(); }
};

TEST_F(PerformanceSettingsTest, OpensWithTheSettingsAndThePerformanceTracksSound) {
    PerformanceSettings settings;
    settings.playMode = PerformancePlayMode::Overwrite;
    settings.playTappedNotes = true;
    settings.useFollowingTrackSound = false;
    settings.tempos.before = TempoBeforePerformed::AverageTempo;
    settings.tempos.during = TempoDuringPerformed::FileTempo;
    settings.tempos.after = TempoAfterPerformed::LastTempo;
    engine_.SetPerformanceSettings(settings);
    PerformanceTrack().port = 2;
    PerformanceTrack().channel = 5;
    PerformanceTrack().patches.entries[0].substitute = MakePatch(PatchKind::Bank0Program, 8, 20);
    dialogs::PerformanceSettingsDialog dialog(context_);
    EXPECT_EQ(dialog.PlayList()->currentText(),
              QStringLiteral("Performance Instead of Following Track (Overwrite)"));
    EXPECT_EQ(dialog.PlayList()->count(), 4);
    EXPECT_TRUE(dialog.PlayTappedNotesBox()->isChecked());
    EXPECT_TRUE(dialog.UsePortButton()->isChecked());
    EXPECT_EQ(dialog.PortList()->currentIndex(), 2);
    EXPECT_EQ(dialog.ChannelList()->currentIndex(), 5);
    EXPECT_EQ(dialog.Editor().Kind(), 2);
    EXPECT_EQ(dialog.Editor().ValueField(1)->text(), QStringLiteral("20"));
    EXPECT_EQ(dialog.Editor().ShownFieldCount(), 2);
    EXPECT_EQ(dialog.BeforeList()->currentText(), QStringLiteral("Use Average Performed Tempo"));
    EXPECT_EQ(dialog.DuringList()->currentText(), QStringLiteral("Use File's Original Tempo"));
    EXPECT_EQ(dialog.AfterList()->currentText(), QStringLiteral("Use Last Performed Tempo"));
    EXPECT_EQ(dialog.AfterList()->count(), 3);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(PerformanceSettingsTest, PortChannelAndPatchAreAvailableOnlyWithUseMidiPort) {
    dialogs::PerformanceSettingsDialog dialog(context_);
    ASSERT_TRUE(dialog.UseFollowingTrackButton()->isChecked());
    EXPECT_FALSE(dialog.PortList()->isEnabled());
    EXPECT_FALSE(dialog.ChannelList()->isEnabled());
    EXPECT_FALSE(dialog.Editor().KindList()->isEnabled());
    dialog.UsePortButton()->click();
    EXPECT_TRUE(dialog.PortList()->isEnabled());
    EXPECT_TRUE(dialog.ChannelList()->isEnabled());
    EXPECT_TRUE(dialog.Editor().KindList()->isEnabled());
    EXPECT_TRUE(dialog.Editor().ValueField(0)->isEnabled());
    EXPECT_TRUE(dialog.PlayList()->isEnabled());
    dialog.UseFollowingTrackButton()->click();
    EXPECT_FALSE(dialog.Editor().ValueField(0)->isEnabled());
}

TEST_F(PerformanceSettingsTest, OkStateFollowsThePatchRead) {
    dialogs::PerformanceSettingsDialog dialog(context_);
    dialog.UsePortButton()->click();
    dialogs::PatchEditor& editor = dialog.Editor();
    editor.KindList()->setCurrentIndex(1);
    // Empty fields: unavailable, without a beep.
    EXPECT_EQ(dialog.CurrentOkState(), OkState::Incomplete);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(editor.ValueField(0), QStringLiteral("5"));
    EXPECT_EQ(dialog.CurrentOkState(), OkState::Valid);
    Retype(editor.ValueField(0), QStringLiteral("128"));
    EXPECT_EQ(dialog.CurrentOkState(), OkState::Invalid);
    EXPECT_EQ(beeper_.beeps, 1);
    QTest::keyClick(editor.ValueField(0), Qt::Key_0);
    EXPECT_EQ(beeper_.beeps, 1);
    editor.KindList()->setCurrentIndex(5);
    Retype(editor.ValueField(0), QStringLiteral("99"));
    Retype(editor.ValueField(1), QStringLiteral("1"));
    EXPECT_EQ(dialog.CurrentOkState(), OkState::Incomplete);
    Retype(editor.ValueField(0), QStringLiteral("100"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    // The patch counts even while the following track's sound is chosen.
    Retype(editor.ValueField(1), QStringLiteral("x"));
    dialog.UseFollowingTrackButton()->click();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 2);
}

TEST_F(PerformanceSettingsTest, OkStoresIntoTheEngineAndThePerformanceTrackCancelNothing) {
    const PerformanceSettings before = engine_.GetTransport().Performance();
    const auto fill = [this](dialogs::PerformanceSettingsDialog& dialog) {
        dialog.PlayList()->setCurrentIndex(1);
        dialog.PlayTappedNotesBox()->setChecked(true);
        dialog.UsePortButton()->click();
        dialog.PortList()->setCurrentIndex(1);
        dialog.ChannelList()->setCurrentIndex(3);
        dialog.Editor().KindList()->setCurrentIndex(4);
        Retype(dialog.Editor().ValueField(0), QStringLiteral("1"));
        Retype(dialog.Editor().ValueField(1), QStringLiteral("2"));
        Retype(dialog.Editor().ValueField(2), QStringLiteral("3"));
        dialog.BeforeList()->setCurrentIndex(1);
        dialog.DuringList()->setCurrentIndex(0);
        dialog.AfterList()->setCurrentIndex(2);
    };
    {
        dialogs::PerformanceSettingsDialog dialog(context_);
        fill(dialog);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    }
    EXPECT_EQ(engine_.GetTransport().Performance().playMode, before.playMode);
    EXPECT_TRUE(engine_.GetTransport().Performance().useFollowingTrackSound);
    EXPECT_EQ(PerformanceTrack().patches.entries[0].substitute.kind, PatchKind::None);
    {
        dialogs::PerformanceSettingsDialog dialog(context_);
        fill(dialog);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }
    const PerformanceSettings& stored = engine_.GetTransport().Performance();
    EXPECT_EQ(stored.playMode, PerformancePlayMode::SoundOnSound);
    EXPECT_TRUE(stored.playTappedNotes);
    EXPECT_FALSE(stored.useFollowingTrackSound);
    EXPECT_EQ(stored.tempos.before, TempoBeforePerformed::AverageTempo);
    EXPECT_EQ(stored.tempos.during, TempoDuringPerformed::FileTempo);
    EXPECT_EQ(stored.tempos.after, TempoAfterPerformed::LastTempo);
    EXPECT_EQ(PerformanceTrack().port, 1);
    EXPECT_EQ(PerformanceTrack().channel, 3);
    EXPECT_EQ(PerformanceTrack().patches.entries[0].substitute,
              MakePatch(PatchKind::Bank0Bank32Program, 1, 2, 3));
}

}  // namespace
}  // namespace ostinel::testing
