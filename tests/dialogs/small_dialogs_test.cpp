#include <QFileInfo>

#include "dialog_fixture.h"
#include "dialogs/display_preferences_dialog.h"
#include "dialogs/file_information_dialog.h"
#include "dialogs/save_settings_dialog.h"

namespace ostinel::testing {
namespace {

using dialogs::OkState;

class SmallDialogsTest : public DialogTest {};

TEST_F(SmallDialogsTest, SaveSettingsBeepsOnceWhenTheNamePassesThirtyOneCharacters) {
    dialogs::SaveSettingsDialog dialog(context_);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    QTest::keyClicks(dialog.NameField(), QString(31, QLatin1Char('a')));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
    QTest::keyClick(dialog.NameField(), Qt::Key_B);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 1);
    QTest::keyClick(dialog.NameField(), Qt::Key_C);
    EXPECT_EQ(beeper_.beeps, 1);
    QTest::keyClick(dialog.NameField(), Qt::Key_Backspace);
    QTest::keyClick(dialog.NameField(), Qt::Key_Backspace);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.ChosenName().has_value());
    EXPECT_EQ(*dialog.ChosenName(), std::string(31, 'a'));
}

TEST_F(SmallDialogsTest, SaveSettingsCancelAndCloseBoxGiveNoName) {
    dialogs::SaveSettingsDialog dialog(context_);
    QTest::keyClicks(dialog.NameField(), QStringLiteral("Lesson"));
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.ChosenName().has_value());
}

TEST_F(SmallDialogsTest, OpenDialogHoldsItsHelpTopicAndHelpAsksForIt) {
    std::vector<int> topics;
    context_.showHelp = [&topics](int topic) { topics.push_back(topic); };
    {
        dialogs::DisplayPreferencesDialog dialog(context_);
        EXPECT_EQ(context_.helpTopic, 17);
        QTest::mouseClick(dialog.HelpButton(), Qt::LeftButton);
        dialog.reject();
    }
    EXPECT_EQ(topics, std::vector<int>{17});
    EXPECT_EQ(context_.helpTopic, 0);
}

TEST_F(SmallDialogsTest, DisplayPreferencesShiftDragFollowsAllowViewsToMove) {
    engine_.SystemRecord().allowViewsToMove = 1;
    dialogs::DisplayPreferencesDialog dialog(context_);
    EXPECT_TRUE(dialog.ShiftDragBox()->isEnabled());
    dialog.FreezeButton()->click();
    EXPECT_FALSE(dialog.ShiftDragBox()->isEnabled());
    dialog.RememberBox()->click();
    dialog.accept();
    EXPECT_EQ(engine_.SystemRecord().allowViewsToMove, 0);
    EXPECT_EQ(engine_.SystemRecord().rememberViewLocations, 0);
}

TEST_F(SmallDialogsTest, DisplayPreferencesCancelStoresNothing) {
    const SystemSettings before = engine_.SystemRecord();
    dialogs::DisplayPreferencesDialog dialog(context_);
    dialog.FreezeButton()->click();
    dialog.RememberBox()->click();
    dialog.reject();
    EXPECT_EQ(engine_.SystemRecord().allowViewsToMove, before.allowViewsToMove);
    EXPECT_EQ(engine_.SystemRecord().rememberViewLocations, before.rememberViewLocations);
}

TEST_F(SmallDialogsTest, FileInformationStoresADisplayNameAndTheFileNameRemovesIt) {
    const QString fileName = QFileInfo(QString::fromStdString(GetPiece().path)).fileName();
    {
        dialogs::FileInformationDialog dialog(context_);
        EXPECT_EQ(dialog.DisplayNameField()->text(), fileName);
        EXPECT_FALSE(dialog.ResetButton()->isEnabled());
        Retype(dialog.DisplayNameField(), QStringLiteral("Evening Song"));
        EXPECT_TRUE(dialog.ResetButton()->isEnabled());
        dialog.accept();
    }
    EXPECT_EQ(engine_.DisplayName(), "Evening Song");
    {
        dialogs::FileInformationDialog dialog(context_);
        dialog.DisplayNameField()->selectAll();
        QTest::keyClick(dialog.DisplayNameField(), Qt::Key_Delete);
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        EXPECT_EQ(beeper_.beeps, 0);
        QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.DisplayNameField()->text(), fileName);
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        dialog.accept();
    }
    EXPECT_EQ(engine_.DisplayName(), "");
}

TEST_F(SmallDialogsTest, FileInformationCancelKeepsTheName) {
    engine_.DisplayName() = "Kept";
    dialogs::FileInformationDialog dialog(context_);
    Retype(dialog.DisplayNameField(), QStringLiteral("Other"));
    dialog.reject();
    EXPECT_EQ(engine_.DisplayName(), "Kept");
}

}  // namespace
}  // namespace ostinel::testing
