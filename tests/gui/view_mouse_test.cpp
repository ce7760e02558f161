#include <QTest>
#include <QTimer>
#include <QWindow>

#include <string>
#include <vector>

#include "app/command_ids.h"
#include "desktop_fixture.h"
#include "dialogs/display_preferences_dialog.h"
#include "dialogs/file_information_dialog.h"
#include "dialogs/settings_dialog.h"
#include "support/pickup_score.h"
#include "support/test_folder.h"
#include "views/element_table.h"

namespace ostinel::testing {
namespace {

using views::kDesignElements;
namespace element = views::element;

class ViewMouseTest : public DesktopTest {
  protected:
    QPoint Center(int e) { return Area().ElementCenter(e); }
    // A point of a track column's lamp or thumb.
    QPoint InColumn(int track, int e, int dy = 0) {
        const views::Box box = kDesignElements[std::size_t(e)];
        const int left = Area().Layout().ColumnLeft(track - Area().Layout().FirstTrack());
        return Area().WidgetPoint(views::kTracksView, left + (box.left + box.right) / 2,
                                  (box.top + box.bottom) / 2 + dy);
    }
    bool Plays(int track) {
        return engine_.CurrentPiece()->tracks[std::size_t(track)].playFlag != 0;
    }
};

TEST_F(ViewMouseTest, AButtonLetGoElsewhereDoesNothingAndDraggingBackPressesItAgain) {
    const QPoint play = Center(element::kPlayFile);
    Press(play);
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStatePressed);
    MoveTo(play + QPoint(0, 80));
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStateNormal);
    Release(play + QPoint(0, 80));
    EXPECT_FALSE(GetTransport().Mode().playing);

    Press(play);
    MoveTo(play + QPoint(0, 80));
    MoveTo(play);
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStatePressed);
    Release(play);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    // The key of the running mode stays lit.
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStateLit);
    Click(Center(element::kStop));
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStateNormal);
}

TEST_F(ViewMouseTest, TriangularKeysAnswerOnlyInsideTheirTriangle) {
    // The top right corner of the right-pointing Play and Follow key is outside it.
    const views::Box key = kDesignElements[element::kPlayAndFollow];
    Press(Area().WidgetPoint(views::kMainTransportView, key.right - 4, key.top + 1));
    EXPECT_NE(Area().Layout().State(element::kPlayAndFollow), views::kStatePressed);
    Release(Area().WidgetPoint(views::kMainTransportView, key.right - 4, key.top + 1));
    EXPECT_FALSE(GetTransport().Mode().playing);
}

TEST_F(ViewMouseTest, TheMasterTempoThumbAtTheBottomGivesFortyNotNothing) {
    const QPoint thumb = Center(element::kMasterTempoThumb);
    const views::Box bar = kDesignElements[element::kMasterTempoBar];
    Press(thumb);
    MoveTo(
        Area().WidgetPoint(views::kMasterTempoView, (bar.left + bar.right) / 2, bar.bottom + 10));
    EXPECT_EQ(GetTransport().Master().speed, SpeedFactor{40});
    // Far away from the bar the thumb goes back to where the drag began.
    MoveTo(thumb + QPoint(200, 0));
    EXPECT_EQ(GetTransport().Master().speed, SpeedFactor{4096});
    MoveTo(Area().WidgetPoint(views::kMasterTempoView, (bar.left + bar.right) / 2, bar.top - 10));
    Release(Area().WidgetPoint(views::kMasterTempoView, (bar.left + bar.right) / 2, bar.top - 10));
    EXPECT_EQ(GetTransport().Master().speed, SpeedFactor{8192});
    // A double click on the thumb is 100 %.
    DoubleClick(Center(element::kMasterTempoThumb));
    EXPECT_EQ(GetTransport().Master().speed, SpeedFactor{4096});
}

TEST_F(ViewMouseTest, TheMasterVolumeFollowsItsThumb) {
    const QPoint thumb = Center(element::kMasterVolumeThumb);
    Press(thumb);
    MoveTo(thumb + QPoint(0, -11));  // a quarter of the 44-pixel span up
    Release(thumb + QPoint(0, -11));
    EXPECT_EQ(GetTransport().Master().volume, (22 + 33 * 512) / 44);
}

TEST_F(ViewMouseTest, DraggingTheSongPositionMovesThePieceWhileStopped) {
    const QPoint thumb = Center(element::kPositionThumb);
    Press(thumb);
    MoveTo(thumb + QPoint(100, 0));
    const views::Box travel = kDesignElements[element::kPositionTravel];
    const int span = travel.Width() - kDesignElements[element::kPositionThumb].Width();
    const ScorePosition expected{(span / 2 + 100 * GetTransport().End().Ms()) / span};
    EXPECT_EQ(GetTransport().Position(), ScorePosition{expected});
    Release(thumb + QPoint(100, 0));
    EXPECT_FALSE(GetTransport().Mode().playing);
}

TEST_F(ViewMouseTest, ShiftClickingFollowLampsOfTracksTwoThenFiveFollowsBoth) {
    Click(InColumn(1, element::kFollowLamp), Qt::ShiftModifier);
    Click(InColumn(4, element::kFollowLamp), Qt::ShiftModifier);
    EXPECT_TRUE(engine_.Following().twoFollowTracks);
    EXPECT_EQ(engine_.Following().followTrack1, 4);
    EXPECT_EQ(engine_.Following().followTrack2, 1);
    // Without SHIFT one track follows.
    Click(InColumn(2, element::kFollowLamp));
    EXPECT_FALSE(engine_.Following().twoFollowTracks);
    EXPECT_EQ(engine_.Following().followTrack1, 2);
}

TEST_F(ViewMouseTest, ChoosingAnotherFollowingTrackDiscardsTheTake) {
    Track& take = engine_.CurrentPiece()->PerformanceTrack();
    take.events.assign(3, TrackEvent{100, 0x90, 60, 90, 1});
    take.count = 3;
    // The track already followed: nothing changes, the take stays.
    Click(InColumn(engine_.Following().followTrack1, element::kFollowLamp));
    EXPECT_EQ(take.count, 3);
    Click(InColumn(2, element::kFollowLamp));
    EXPECT_EQ(take.count, 0);
    EXPECT_TRUE(take.events.empty());
}

TEST_F(ViewMouseTest, DoubleClickingAPlayLampSolosTheTrackAndAgainBringsAllBack) {
    Click(InColumn(2, element::kPlayLamp));
    EXPECT_FALSE(Plays(2));
    Click(InColumn(2, element::kPlayLamp));
    EXPECT_TRUE(Plays(2));
    DoubleClick(InColumn(3, element::kPlayLamp));
    for (int track = 0; track < engine_.CurrentPiece()->TrackCount(); ++track)
        EXPECT_EQ(Plays(track), track == 3) << track;
    DoubleClick(InColumn(3, element::kPlayLamp));
    for (int track = 0; track < engine_.CurrentPiece()->TrackCount(); ++track)
        EXPECT_TRUE(Plays(track)) << track;
}

TEST_F(ViewMouseTest, ATrackFaderSetsItsVolume) {
    const QPoint thumb = InColumn(1, element::kTrackVolumeThumb);
    // At 100 % the thumb stands 50 of its 75 pixels up.
    Press(thumb + QPoint(0, -50));
    MoveTo(thumb + QPoint(0, -75));
    Release(thumb + QPoint(0, -75));
    EXPECT_EQ(engine_.CurrentPiece()->tracks[1].volume, 384);
    EXPECT_TRUE(window_.Menu().Action(131)->isEnabled());  // Reset Volume on All Tracks
}

TEST_F(ViewMouseTest, AViewDroppedWhereItStartedStaysAndAShiftDragMovesIt) {
    const views::Box before = Area().Layout().Frame(views::kMeasureBeatView);
    const QPoint grab = Area().WidgetPoint(views::kMeasureBeatView, 40, 8);
    // SHIFT is required by default: a plain drag does nothing.
    Press(grab);
    MoveTo(grab + QPoint(30, 20));
    Release(grab + QPoint(30, 20));
    EXPECT_EQ(Area().Layout().Frame(views::kMeasureBeatView), before);
    Press(grab, Qt::ShiftModifier);
    MoveTo(grab + QPoint(30, 20));
    MoveTo(grab);
    Release(grab);
    EXPECT_EQ(Area().Layout().Frame(views::kMeasureBeatView), before);
    Press(grab, Qt::ShiftModifier);
    MoveTo(grab + QPoint(30, 20));
    Release(grab + QPoint(30, 20));
    EXPECT_EQ(Area().Layout().Frame(views::kMeasureBeatView), before.Moved(30, 20));
    // Center All Views brings it home.
    window_.DispatchCommand(110);
    EXPECT_EQ(Area().Layout().Frame(views::kMeasureBeatView), before);
}

TEST_F(ViewMouseTest, DisplayPreferencesDecideHowAViewIsDragged) {
    const QPoint grab = Area().WidgetPoint(views::kMeasureBeatView, 40, 8);
    const auto drag = [&](Qt::KeyboardModifiers modifiers) {
        const views::Box before = Area().Layout().Frame(views::kMeasureBeatView);
        Press(grab, modifiers);
        MoveTo(grab + QPoint(30, 20));
        Release(grab + QPoint(30, 20));
        const bool moved = !(Area().Layout().Frame(views::kMeasureBeatView) == before);
        window_.DispatchCommand(110);  // Center All Views
        return moved;
    };
    const auto choose = [&](bool freeze, bool shiftDrag) {
        dialogs::DisplayPreferencesDialog dialog(window_.Dialogs());
        (freeze ? dialog.FreezeButton() : dialog.AllowMoveButton())->setChecked(true);
        dialog.ShiftDragBox()->setChecked(shiftDrag);
        dialog.OkButton()->click();
    };
    choose(false, false);
    EXPECT_TRUE(drag(Qt::NoModifier));  // no SHIFT needed
    choose(true, false);
    EXPECT_FALSE(drag(Qt::NoModifier));
    EXPECT_FALSE(drag(Qt::ShiftModifier));  // frozen
    choose(false, true);
    EXPECT_FALSE(drag(Qt::NoModifier));
    EXPECT_TRUE(drag(Qt::ShiftModifier));
}

TEST_F(ViewMouseTest, FileInformationNamesThePieceInTheTitleViewAndTheTitleBar) {
    EXPECT_EQ(Area().PieceTitle(), "demo");
    EXPECT_TRUE(window_.windowTitle().startsWith(QStringLiteral("demo - ")));
    // The real dialog, through its menu command.
    window_.SetDialogOpener({});
    QTimer::singleShot(0, [] {
        auto* dialog =
            qobject_cast<dialogs::FileInformationDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->DisplayNameField()->setText(QStringLiteral("Ode to Joy"));
        dialog->OkButton()->click();
    });
    ASSERT_TRUE(window_.DispatchCommand(command::kGetFileInfo));
    Area().repaint();
    EXPECT_EQ(Area().DrawnTitle(), "Ode to Joy");
    EXPECT_TRUE(window_.windowTitle().startsWith(QStringLiteral("Ode to Joy - ")));
}

TEST_F(ViewMouseTest, NoViewIsLostWhenTheWindowShrinks) {
    // The smallest window shows every view at home.
    const views::Box home = Area().Layout().HomeBounds();
    EXPECT_GE(Area().minimumSizeHint().width(), home.Width());
    EXPECT_GE(Area().minimumSizeHint().height(), home.Height());
    EXPECT_GT(home.Width(), 320);
    // A view taken to the right edge comes back in when the window narrows.
    const QPoint grab = Area().WidgetPoint(views::kMeasureBeatView, 40, 8);
    const int room = kClientWidth - 2 - Area().Layout().Frame(views::kMeasureBeatView).right;
    Press(grab, Qt::ShiftModifier);
    MoveTo(grab + QPoint(room, 0));
    Release(grab + QPoint(room, 0));
    ASSERT_EQ(Area().Layout().Region(views::kMeasureBeatView).right, kClientWidth);
    Area().setFixedSize(kClientWidth - 60, kClientHeight);
    QApplication::processEvents();
    EXPECT_LE(Area().Layout().Region(views::kMeasureBeatView).right, kClientWidth - 60);
    EXPECT_GE(Area().Layout().Region(views::kMeasureBeatView).left, 0);
}

TEST_F(ViewMouseTest, ADialogsHelpOpensBesideItAndIsNotHeldByIt) {
    window_.SetDialogOpener({});
    bool helpShown = false;
    bool helpBelongsToTheWindow = false;
    bool helpAboveTheDialog = false;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<dialogs::SettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        modality = dialog->windowModality();
        dialog->HelpButton()->click();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowTitle() == QStringLiteral("Ostinel Help") && top->isVisible()) {
                helpShown = true;
                // A dialog-type window transient for the dialog: window managers
                // keep it above the dialog, where it takes input.
                helpBelongsToTheWindow = top->parentWidget() == &window_;
                helpAboveTheDialog =
                    top->windowType() == Qt::Dialog &&
                    top->windowHandle()->transientParent() == dialog->windowHandle();
            }
        }
        dialog->reject();
    });
    ASSERT_TRUE(window_.DispatchCommand(command::kDisplayPreferences));
    EXPECT_TRUE(helpShown);
    // Modal to the main window alone: the help window, its other child, is
    // neither its parent nor a sibling of it, so it takes input.
    EXPECT_EQ(modality, Qt::WindowModal);
    EXPECT_TRUE(helpBelongsToTheWindow);
    EXPECT_TRUE(helpAboveTheDialog);
}

TEST_F(ViewMouseTest, PlayAndFollowWithNoInputDeviceSaysNothingCanBeFollowed) {
    // The fixture opens no input port.
    Click(Center(element::kPlayAndFollow));
    EXPECT_TRUE(GetTransport().Mode().following);
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_TRUE(presenter_.shown[0].startsWith(QStringLiteral("There is no MIDI input device")));
    Click(Center(element::kStop));
    // With the keyboard open it is heard, and nothing is said.
    engine_.Ports().SetInputDevice(0, 0);
    engine_.OpenInputPorts();
    Click(Center(element::kPlayAndFollow));
    EXPECT_EQ(presenter_.shown.size(), 1u);
}

TEST_F(ViewMouseTest, AWindowAHundredPixelsWiderMovesEveryViewFiftyRight) {
    std::array<views::Box, views::kViewCount> before{};
    for (int view = 0; view < views::kViewCount; ++view)
        before[std::size_t(view)] = Area().Layout().Frame(view);
    Area().setFixedSize(kClientWidth + 100, kClientHeight);
    QApplication::processEvents();
    for (int view = 0; view < views::kViewCount; ++view)
        EXPECT_EQ(Area().Layout().Frame(view), before[std::size_t(view)].Moved(50, 0)) << view;
}

TEST_F(ViewMouseTest, TheLoopButtonsSetTheLoopAtThePosition) {
    GetTransport().JumpTo(ScorePosition{4000});
    Click(Center(element::kLoopEndButton));
    EXPECT_EQ(GetTransport().Loop().end, ScorePosition{4000});
    GetTransport().JumpTo(ScorePosition{1500});
    Click(Center(element::kLoopBeginButton));
    EXPECT_EQ(GetTransport().Loop().begin, ScorePosition{1500});
    // A begin after the end swaps them.
    GetTransport().JumpTo(ScorePosition{6000});
    Click(Center(element::kLoopBeginButton));
    EXPECT_EQ(GetTransport().Loop().begin, ScorePosition{4000});
    EXPECT_EQ(GetTransport().Loop().end, ScorePosition{6000});
    Click(Center(element::kLoopButton));
    EXPECT_TRUE(GetTransport().Loop().on);
    EXPECT_EQ(Area().Layout().State(element::kLoopButton), views::kStateLit);
}

TEST_F(ViewMouseTest, TheMetronomeButtonPressedWhilePlayingClicksFromTheNextBeatOn) {
    MetronomeSettings metronome;
    metronome.channel = 15;
    metronome.downbeatNote = 33;
    metronome.otherNote = 33;
    GetTransport().SetMetronomeSettings(metronome);
    const auto clicks = [this] {
        int count = 0;
        for (const auto& message : midi_.Output(0).Bytes())
            if (message.size() == 3 && message[0] == 0x9F && message[1] == 33 && message[2] > 0)
                ++count;
        return count;
    };
    Click(Center(element::kPlayFile));
    ASSERT_TRUE(GetTransport().Mode().playingFile);
    RunFor(1000);
    EXPECT_EQ(clicks(), 0);
    Click(Center(element::kMetronomeButton));
    EXPECT_EQ(Area().Layout().State(element::kMetronomeButton), views::kStateLit);
    RunFor(2000);
    const int clicked = clicks();
    EXPECT_GE(clicked, 2);
    Click(Center(element::kMetronomeButton));
    EXPECT_EQ(Area().Layout().State(element::kMetronomeButton), views::kStateNormal);
    RunFor(2000);
    EXPECT_EQ(clicks(), clicked);
}

TEST_F(ViewMouseTest, TheTitlePictureTakesTheFirstClickOnly) {
    Area().ShowTitlePicture(0);
    Click(Center(element::kPlayFile));
    EXPECT_FALSE(Area().TitlePictureShown());
    EXPECT_FALSE(GetTransport().Mode().playing);
}

}  // namespace
}  // namespace ostinel::testing

namespace ostinel::testing {
namespace {

class HeldKeyTest : public DesktopTest {
  protected:
    QPoint Center(int e) { return Area().ElementCenter(e); }
};

TEST_F(HeldKeyTest, RewindActsWhileHeldAndStopsWhenLetGo) {
    GetTransport().JumpTo(ScorePosition{8000});
    Press(Center(element::kHoldRewind));
    EXPECT_TRUE(GetTransport().Mode().rewinding);
    RunFor(300);
    const ScorePosition held = GetTransport().Position();
    EXPECT_LT(held, ScorePosition{8000});
    // Off the key the rewind stops; back on it starts again.
    MoveTo(Center(element::kHoldRewind) + QPoint(0, 60));
    EXPECT_FALSE(GetTransport().Mode().playing);
    MoveTo(Center(element::kHoldRewind));
    EXPECT_TRUE(GetTransport().Mode().rewinding);
    Release(Center(element::kHoldRewind));
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_EQ(Area().Layout().State(element::kHoldRewind), views::kStateNormal);
}

TEST_F(HeldKeyTest, PreviewPlaysWhileHeldAndReturnsToWhereItBegan) {
    GetTransport().JumpTo(ScorePosition{3000});
    Press(Center(element::kPreview));
    EXPECT_TRUE(GetTransport().Mode().previewing);
    RunFor(1000);
    Release(Center(element::kPreview));
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_EQ(GetTransport().Position(), ScorePosition{3000});
}

TEST_F(HeldKeyTest, PreviewAtTheEndDoesNothingAtAll) {
    GetTransport().JumpTo(GetTransport().End());
    Press(Center(element::kPreview));
    EXPECT_NE(Area().Layout().State(element::kPreview), views::kStatePressed);
    Release(Center(element::kPreview));
    EXPECT_FALSE(GetTransport().Mode().playing);
}

TEST_F(HeldKeyTest, WhilePlayingAPositionDragWaitsForTheRelease) {
    GetTransport().PlayFile();
    RunFor(200);
    const QPoint thumb = Center(element::kPositionThumb);
    Press(thumb);
    MoveTo(thumb + QPoint(120, 0));
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    Release(thumb + QPoint(120, 0));
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_GT(GetTransport().Position(), ScorePosition{GetTransport().End().Ms() / 3});
}

TEST_F(HeldKeyTest, AMenuCommandFlashesItsKey) {
    window_.DispatchCommand(121);  // Play File
    EXPECT_EQ(Area().Layout().State(element::kPlayFile), views::kStatePressed);
    const auto playFileKeyIs = [this](int state) {
        return QTest::qWaitFor([&] { return Area().Layout().State(element::kPlayFile) == state; },
                               5000);
    };
    EXPECT_TRUE(playFileKeyIs(views::kStateLit));
    window_.DispatchCommand(125);  // Stop
    EXPECT_TRUE(playFileKeyIs(views::kStateNormal));
}

TEST_F(HeldKeyTest, AClickOnTheBarJumpsAndStops) {
    GetTransport().PlayFile();
    RunFor(100);
    const views::Box bar = kDesignElements[element::kPositionBar];
    Click(Area().WidgetPoint(views::kSongPositionView, bar.right - 12, (bar.top + bar.bottom) / 2));
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_GT(GetTransport().Position(), ScorePosition{GetTransport().End().Ms() * 9 / 10});
}

}  // namespace
}  // namespace ostinel::testing

namespace ostinel::testing {
namespace {

class DoubleClickTest : public DesktopTest {};

TEST_F(DoubleClickTest, OnTheLoopButtonItTogglesLoopModeAndOpensItsDialog) {
    DoubleClick(Area().ElementCenter(element::kLoopButton));
    // The first click toggled it on, the double click off again, then the dialog.
    EXPECT_FALSE(GetTransport().Loop().on);
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_TRUE(presenter_.shown[0].contains(QStringLiteral("Loop Mode")));
}

TEST_F(DoubleClickTest, OnTheCurrentTempoItOpensTheTempoDialogOnlyWhileStopped) {
    const QPoint digits = Area().ElementCenter(element::kTempoDigits);
    DoubleClick(digits);
    ASSERT_EQ(presenter_.shown.size(), 1u);
    EXPECT_TRUE(presenter_.shown[0].contains(QStringLiteral("Tempo")));
    GetTransport().PlayFile();
    DoubleClick(digits);
    EXPECT_EQ(presenter_.shown.size(), 1u);
}

TEST_F(DoubleClickTest, OnTheRewindKeyItGoesToTheStart) {
    GetTransport().JumpTo(ScorePosition{5000});
    Mouse(QEvent::MouseButtonDblClick, Area().ElementCenter(element::kRewind), Qt::LeftButton);
    Release(Area().ElementCenter(element::kRewind));
    EXPECT_EQ(GetTransport().Position(), ScorePosition{});
    EXPECT_FALSE(GetTransport().Mode().playing);
}

}  // namespace
}  // namespace ostinel::testing

namespace ostinel::testing {
namespace {

class ViewSettingsTest : public DesktopTest {};

TEST_F(ViewSettingsTest, ThePiecesStackingOrderDecidesWhichViewIsClicked) {
    EXPECT_FALSE(Area().SetViewOrder({0, 1, 2, 3, 4, 5, 6, 6}));
    EXPECT_FALSE(Area().SetViewOrder({0, 1, 2, 3, 4, 5, 6, 8}));
    ASSERT_TRUE(Area().SetViewOrder({7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(Area().Layout().Order()[0], 7);
    std::array<bool, views::kViewCount> shown{};
    shown.fill(true);
    shown[2] = false;
    Area().SetViewsShown(shown);
    EXPECT_FALSE(Area().Layout().Shown(2));
    EXPECT_FALSE(window_.Menu().Action(102)->isChecked());
    // A hidden view takes no clicks.
    Click(Area().ElementCenter(element::kLoopButton));
    EXPECT_FALSE(GetTransport().Loop().on);
}

TEST_F(ViewMouseTest, MeasureBeatShowsAScoresPickupAsMeasureZero) {
    Area().repaint();
    EXPECT_EQ(Area().DrawnMeasureBeat(), QStringLiteral("   1:1 "));  // a MIDI file starts at 1
    TestFolder folder("ostinel-pickup-view");
    const std::string text = kPickupScore;
    ASSERT_EQ(window_.OpenFile(folder.Write("pickup.musicxml",
                                            std::vector<std::uint8_t>(text.begin(), text.end()))),
              LoadResult::Loaded);
    Area().repaint();
    EXPECT_EQ(Area().DrawnMeasureBeat(), QStringLiteral("   0:1 "));
    GetTransport().JumpTo(ScorePosition{2500});
    Area().PositionChanged();
    Area().repaint();
    EXPECT_EQ(Area().DrawnMeasureBeat(), QStringLiteral("   1:2 "));
}

}  // namespace
}  // namespace ostinel::testing
