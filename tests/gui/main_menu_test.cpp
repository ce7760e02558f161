#include <QAction>
#include <QApplication>
#include <QStyle>
#include <QTest>
#include <cstdlib>

#include "app/command_ids.h"
#include "desktop_fixture.h"
#include "dialogs/dialog_launcher.h"
#include "gui/desktop_style.h"
#include "gui/menu_table.h"

namespace ostinel::testing {
namespace {

using namespace ostinel::command;

class MainMenuTest : public DesktopTest {
  protected:
    bool Enabled(int command) { return window_.Menu().Action(command)->isEnabled(); }
};

TEST(DesktopStyle, DisabledTextIsDimAndNotEngravedAndPlaceholdersAreReadable) {
    const QPalette before = QApplication::palette();
    gui::ApplyDesktopStyle(*qApp);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_EtchDisabledText), 0);
    const QPalette palette = QApplication::palette();
    const int window = palette.color(QPalette::Window).lightness();
    const auto contrast = [window](const QColor& colour) {
        return std::abs(colour.lightness() - window);
    };
    // A disabled item stands out from the panel less than an enabled one.
    EXPECT_LT(contrast(palette.color(QPalette::Disabled, QPalette::WindowText)),
              contrast(palette.color(QPalette::Active, QPalette::WindowText)));
    EXPECT_LT(contrast(palette.color(QPalette::Disabled, QPalette::ButtonText)),
              contrast(palette.color(QPalette::Active, QPalette::ButtonText)));
    // The edge drawn under disabled text, if any, is the panel itself.
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Light).lightness(), window);
    // A field's hint stands out from the field.
    const int base = palette.color(QPalette::Base).lightness();
    EXPECT_GT(std::abs(palette.color(QPalette::PlaceholderText).lightness() - base), 90);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(before);
}

TEST_F(MainMenuTest, TheNoSoundWarningStaysUntilDismissed) {
    window_.ShowLastingWarning(QStringLiteral("No ALSA sequencer: no MIDI devices."));
    QTest::qWait(50);
    for (int i = 0; i < 3; ++i) {
        window_.DispatchCommand(kPlayFile);
        window_.DispatchCommand(kStop);
    }
    EXPECT_EQ(window_.LastingWarning(), QStringLiteral("No ALSA sequencer: no MIDI devices."));
    window_.DismissLastingWarning();
    EXPECT_TRUE(window_.LastingWarning().isEmpty());
}

TEST_F(MainMenuTest, EveryItemReadsAsTheTableSaysWithItsAccelerator) {
    int items = 0;
    for (const gui::MenuEntry& entry : gui::MainMenuEntries()) {
        if (entry.kind != gui::MenuEntryKind::Item) continue;
        ++items;
        QAction* action = window_.Menu().Action(entry.command);
        ASSERT_NE(action, nullptr) << entry.command;
        EXPECT_EQ(action->text().toStdString(), entry.text);
        if (entry.accelerator != 0) {
            EXPECT_EQ(action->shortcut(),
                      QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (entry.accelerator - 'A'))));
        }
    }
    EXPECT_EQ(items, 46);  // with File's Render to Audio File and the Views menu's Score
    EXPECT_EQ(window_.Menu().Action(kPlayAndFollow)->text(),
              QStringLiteral("&Play and Follow\tCtrl + P"));
    EXPECT_EQ(window_.Menu().Action(kFirstView + 2)->text(),
              QStringLiteral("Song &Position && Looping"));
    // The filled-in submenus: eight output ports, and per input port All,
    // None and sixteen channels.
    for (int port = 0; port < 8; ++port)
        EXPECT_NE(window_.Menu().Action(140 + port), nullptr);
    EXPECT_EQ(window_.Menu().Action(200 + 20 * 7 + 17)->text(), QStringLiteral("Channel 16"));
}

TEST_F(MainMenuTest, EveryDialogCommandOpensItsOwnDialog) {
    int dialogs = 0;
    for (const gui::MenuEntry& entry : gui::MainMenuEntries()) {
        if (entry.kind != gui::MenuEntryKind::Item || gui::DialogTitle(entry.command).isEmpty() ||
            entry.command == kSavePerformanceAs) {
            continue;
        }
        SCOPED_TRACE(entry.command);
        const auto dialog = dialogs::MakeDialogForCommand(entry.command, window_.Dialogs());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), gui::DialogTitle(entry.command));
        ++dialogs;
    }
    EXPECT_EQ(dialogs, 15);
}

TEST_F(MainMenuTest, StoppedAtTheStartThePlayCommandsAreOnAndTheWayBackIsOff) {
    for (const int on :
         {kOpen, kPlayAndFollow, kPlayFile, kFastForward, kPreview, kJumpAhead, kAllNotesOff,
          kMidiReset, kFollowing, kTracks, kDisplayPreferences, kChangeAllTracksFirst,
          kSystemRevert, kPieceDefault, kJumpAgain, kShowAllViews})  // the Score view starts hidden
        EXPECT_TRUE(Enabled(on)) << on;
    for (const int off : {kRewind, kJumpBack, kStop, kPlayPerformance, kSavePerformanceAs,
                          kResetVolume, kSystemLoadFirst, kPieceLoadFirst})
        EXPECT_FALSE(Enabled(off)) << off;
    EXPECT_TRUE(Enabled(kHideAllViews));
    for (int view = 0; view < 8; ++view)
        EXPECT_TRUE(window_.Menu().Action(kFirstView + view)->isChecked());
}

TEST_F(MainMenuTest, PlayingGraysTheSettingsAndTheRunningMode) {
    window_.DispatchCommand(kPlayFile);
    RunFor(500);
    ASSERT_TRUE(GetTransport().Mode().playingFile);
    for (const int off : {kOpen, kPlayFile, kAllNotesOff, kMidiReset, kFollowing, kTracks,
                          kChangeAllTracksFirst + 3, kSystemRevert, kPieceDefault})
        EXPECT_FALSE(Enabled(off)) << off;
    for (const int on : {kStop, kPreview, kJumpAhead, kJumpBack, kPlayAndFollow, kFastForward,
                         kRewind, kDisplayPreferences, kFirstView})
        EXPECT_TRUE(Enabled(on)) << on;
    window_.DispatchCommand(kStop);
    EXPECT_TRUE(Enabled(kOpen));
    EXPECT_TRUE(Enabled(kRewind));  // the position moved on
    EXPECT_FALSE(Enabled(kStop));
}

TEST_F(MainMenuTest, AcceleratorsReachTheirCommands) {
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    QTest::keyClick(&window_, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    RunFor(300);
    // Ctrl+O while playing does nothing: no dialog, no message.
    QTest::keyClick(&window_, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(presenter_.shown.empty());
    QTest::keyClick(&window_, Qt::Key_B, Qt::ControlModifier);  // Jump Back, then resume
    EXPECT_EQ(GetTransport().Position(), ScorePosition{});
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    QTest::keyClick(&window_, Qt::Key_Space);
    EXPECT_FALSE(GetTransport().Mode().playing);
    // Ctrl+L opens the Following dialog.
    QTest::keyClick(&window_, Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_EQ(presenter_.shown[0], QStringLiteral("Following"));
    QTest::keyClick(&window_, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(GetTransport().Mode().following);
}

TEST_F(MainMenuTest, TheViewsMenuTogglesViewsAndKeepsItsMarks) {
    window_.DispatchCommand(kFirstView + 3);
    EXPECT_FALSE(Area().Layout().Shown(3));
    EXPECT_FALSE(window_.Menu().Action(kFirstView + 3)->isChecked());
    EXPECT_TRUE(Enabled(kShowAllViews));
    window_.DispatchCommand(kHideAllViews);
    EXPECT_FALSE(Area().Layout().AnyShown());
    EXPECT_FALSE(Enabled(kHideAllViews));
    window_.DispatchCommand(kShowAllViews);
    for (int view = 0; view < 8; ++view)
        EXPECT_TRUE(Area().Layout().Shown(view));
    // Showing a view brings it to the front.
    window_.DispatchCommand(kFirstView + 6);
    window_.DispatchCommand(kFirstView + 6);
    EXPECT_EQ(Area().Layout().Order()[0], 6);
}

TEST_F(MainMenuTest, ChangingAllTracksToAPortReachesThePerformanceTrackToo) {
    window_.DispatchCommand(kChangeAllTracksFirst + 2);
    for (const Track& track : engine_.CurrentPiece()->tracks)
        EXPECT_EQ(track.port, 2);
}

TEST_F(MainMenuTest, MidiResetAsksFirst) {
    window_.DispatchCommand(kMidiReset);
    ASSERT_EQ(presenter_.asked.size(), 1u);
    EXPECT_EQ(presenter_.asked[0],
              QStringLiteral("Are you sure you want to reset your MIDI system?"));
    EXPECT_FALSE(window_.DispatchCommand(999));
}

}  // namespace
}  // namespace ostinel::testing
