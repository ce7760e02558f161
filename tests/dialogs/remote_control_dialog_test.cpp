#include "dialogs/remote_control_dialog.h"
#include "learn_fixture.h"

namespace ostinel::testing {
namespace {

using dialogs::RemoteControlDialog;

constexpr int kPlayAndFollowRow = 0;
constexpr int kStopRow = 5;
constexpr int kJumpAheadRow = 7;

class RemoteControlDialogTest : public LearnDialogTest {};

TEST_F(RemoteControlDialogTest, ShowsEachBindingUnderItsColumn) {
    RemoteTable table = DefaultRemoteTable();
    table[kStopRow] = NoteBinding(36);
    table[kPlayAndFollowRow] = ControllerBinding(64);
    engine_.Remote().SetTable(table);
    RemoteControlDialog dialog(context_);
    EXPECT_TRUE(dialog.NoteButton(kStopRow)->isChecked());
    EXPECT_EQ(dialog.NoteField(kStopRow)->text(), QStringLiteral("C3"));
    EXPECT_TRUE(dialog.ControllerButton(kPlayAndFollowRow)->isChecked());
    EXPECT_EQ(dialog.ControllerField(kPlayAndFollowRow)->text(), QStringLiteral("64"));
    EXPECT_TRUE(dialog.NoteButton(kJumpAheadRow)->isChecked());
    EXPECT_TRUE(dialog.NoteField(kJumpAheadRow)->text().isEmpty());
    EXPECT_EQ(dialog.CurrentRow(), 0);
    EXPECT_EQ(dialog.HelpTopic(), 4);
}

TEST_F(RemoteControlDialogTest, NoTwoRowsMayHoldTheSameBinding) {
    RemoteControlDialog dialog(context_);
    Retype(dialog.NoteField(0), QStringLiteral("60"));
    Retype(dialog.NoteField(1), QStringLiteral("C5"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    // The same number as a controller is another binding.
    dialog.ControllerButton(1)->click();
    Retype(dialog.ControllerField(1), QStringLiteral("60"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.ControllerField(2), QStringLiteral("60"));
    dialog.ControllerButton(2)->click();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.ControllerField(2), QStringLiteral("122"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.ControllerField(2), QStringLiteral("121"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(RemoteControlDialogTest, ClearAllEmptiesEveryField) {
    RemoteTable table = DefaultRemoteTable();
    table[kStopRow] = NoteBinding(36);
    table[kSpecialSignalEntry] = ControllerBinding(5);
    engine_.Remote().SetTable(table);
    RemoteControlDialog dialog(context_);
    Retype(dialog.ControllerField(kStopRow), QStringLiteral("7"));
    dialog.ClearAllButton()->click();
    for (int row = 0; row < RemoteControlDialog::kRows; ++row) {
        EXPECT_TRUE(dialog.NoteField(row)->text().isEmpty()) << row;
        EXPECT_TRUE(dialog.ControllerField(row)->text().isEmpty()) << row;
    }
    dialog.accept();
    EXPECT_EQ(engine_.Remote().Table(), DefaultRemoteTable());
}

TEST_F(RemoteControlDialogTest, LearnsIntoTheRowLastClicked) {
    RemoteControlDialog dialog(context_);
    dialog.show();
    const InputMode before = engine_.Intake().Mode();
    dialog.LearnBox()->click();
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);

    QTest::mouseClick(dialog.NoteField(kStopRow), Qt::LeftButton);
    EXPECT_EQ(dialog.CurrentRow(), kStopRow);
    PlayKey(36);
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.NoteField(kStopRow)->text(), QStringLiteral("C3"));

    // The same key into the same row again is ignored.
    dialog.NoteField(kStopRow)->clear();
    PlayKey(36);
    dialog.Learn().Deliver();
    EXPECT_TRUE(dialog.NoteField(kStopRow)->text().isEmpty());

    QTest::mouseClick(dialog.ControllerButton(kPlayAndFollowRow), Qt::LeftButton);
    EXPECT_EQ(dialog.CurrentRow(), kPlayAndFollowRow);
    dialog.NoteButton(kPlayAndFollowRow)->click();
    MoveController(64, 127);
    dialog.Learn().Deliver();
    EXPECT_TRUE(dialog.ControllerButton(kPlayAndFollowRow)->isChecked());
    EXPECT_EQ(dialog.ControllerField(kPlayAndFollowRow)->text(), QStringLiteral("64"));

    // Another row takes the same key: two rows alike, so OK waits.
    Retype(dialog.NoteField(kStopRow), QStringLiteral("36"));
    QTest::mouseClick(dialog.NoteField(kJumpAheadRow), Qt::LeftButton);
    PlayKey(36);
    dialog.Learn().Deliver();
    EXPECT_EQ(dialog.NoteField(kJumpAheadRow)->text(), QStringLiteral("C3"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());

    dialog.LearnBox()->click();
    EXPECT_EQ(engine_.Intake().Mode(), before);
    dialog.reject();
}

TEST_F(RemoteControlDialogTest, OkStoresTheTableAndTheSignalCancelNothing) {
    {
        RemoteControlDialog dialog(context_);
        Retype(dialog.NoteField(kStopRow), QStringLiteral("36"));
        dialog.LearnBox()->click();
        dialog.CancelButton()->click();
    }
    EXPECT_EQ(engine_.Remote().Table(), DefaultRemoteTable());
    EXPECT_NE(engine_.Intake().Mode(), InputMode::InputLearn);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());

    const InputMode before = engine_.Intake().Mode();
    RemoteControlDialog dialog(context_);
    Retype(dialog.NoteField(kStopRow), QStringLiteral("36"));
    dialog.ControllerButton(kSpecialSignalEntry)->click();
    Retype(dialog.ControllerField(kSpecialSignalEntry), QStringLiteral("80"));
    Retype(dialog.ControllerField(kJumpAheadRow), QStringLiteral("20"));  // radio left on Note
    dialog.LearnBox()->click();
    dialog.OkButton()->click();

    RemoteTable expected = DefaultRemoteTable();
    expected[kStopRow] = NoteBinding(36);
    expected[kSpecialSignalEntry] = ControllerBinding(80);
    EXPECT_EQ(engine_.Remote().Table(), expected);
    EXPECT_EQ(engine_.Remote().SpecialSignal(), ControllerBinding(80));
    EXPECT_EQ(engine_.Intake().Mode(), before);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());
}

TEST_F(RemoteControlDialogTest, ABoundKeyGoesOnlyToTheDialogWhileItIsOpen) {
    RemoteTable table = DefaultRemoteTable();
    table[kStopRow] = NoteBinding(36);
    engine_.Remote().SetTable(table);
    engine_.GetTransport().PlayFile();
    ASSERT_TRUE(engine_.GetTransport().Mode().playingFile);
    {
        RemoteControlDialog dialog(context_);
        dialog.LearnBox()->click();
        PlayKey(36);
        engine_.IdlePass();
        EXPECT_TRUE(engine_.GetTransport().Mode().playingFile);
        dialog.reject();
    }
    PlayKey(36);
    engine_.IdlePass();
    EXPECT_FALSE(engine_.GetTransport().Mode().playingFile);
}

}  // namespace
}  // namespace ostinel::testing
