#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "app/command_ids.h"
#include "desktop_fixture.h"
#include "gui/score_view_place.h"
#include "platform/manual/memory_settings_store.h"
#include "views/palette.h"
#include "views/score_painter.h"

namespace ostinel {
namespace {

class ScoreViewDesktop : public testing::DesktopTest {
  protected:
    views::ScoreView& Score() { return window_.Score(); }
    bool Checked() { return window_.Menu().Action(command::kScoreView)->isChecked(); }
    void ScoreMouse(QEvent::Type type, QPoint at,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), Score().mapToGlobal(QPointF(at)), button, buttons,
                          modifiers);
        QApplication::sendEvent(&Score(), &event);
    }
    void DragInside(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ScoreMouse(QEvent::MouseButtonPress, from, modifiers);
        ScoreMouse(QEvent::MouseMove, to, modifiers);
        ScoreMouse(QEvent::MouseButtonRelease, to, modifiers);
    }
};

TEST_F(ScoreViewDesktop, TheViewsMenuShowsAndHidesTheScoreViewWithItsMark) {
    EXPECT_FALSE(Score().isVisible());
    EXPECT_FALSE(Checked());
    window_.DispatchCommand(command::kScoreView);
    EXPECT_TRUE(Score().isVisible());
    EXPECT_TRUE(Checked());
    window_.DispatchCommand(command::kScoreView);
    EXPECT_FALSE(Score().isVisible());
    EXPECT_FALSE(Checked());
}

TEST_F(ScoreViewDesktop, ShowHideAndCenterAllViewsTakeTheScoreViewAlong) {
    window_.DispatchCommand(command::kShowAllViews);
    EXPECT_TRUE(Score().isVisible());
    EXPECT_TRUE(Checked());
    EXPECT_FALSE(window_.Menu().Action(command::kShowAllViews)->isEnabled());
    window_.DispatchCommand(command::kHideAllViews);
    EXPECT_FALSE(Score().isVisible());
    EXPECT_FALSE(Checked());
    window_.DispatchCommand(command::kScoreView);
    views::ScoreViewPlace moved = Score().Place();
    moved.left -= 50;
    moved.top -= 40;
    Score().SetPlace(moved);
    window_.DispatchCommand(command::kCenterAllViews);
    EXPECT_EQ(Score().Place().left, views::ScoreViewPlace{}.left);
    EXPECT_EQ(Score().Place().top, views::ScoreViewPlace{}.top);
}

TEST_F(ScoreViewDesktop, AWindowMadeSmallerKeepsTheScoreViewInSight) {
    window_.DispatchCommand(command::kScoreView);
    QWidget& area = *Score().parentWidget();
    area.setFixedSize(1200, 900);
    QApplication::processEvents();
    // Below the eight views at home: out of a window that shrinks to hold just them.
    area.setFixedSize(640, 400);
    QApplication::processEvents();
    EXPECT_TRUE(area.rect().contains(Score().geometry()))
        << Score().geometry().bottom() << " below " << area.height();
}

TEST_F(ScoreViewDesktop, FramesRunWhileTheTransportSoundsAndNoTimerRunsWhenStopped) {
    window_.DispatchCommand(command::kScoreView);
    EXPECT_FALSE(Score().Animating());
    window_.DispatchCommand(command::kPlayFile);
    ASSERT_TRUE(GetTransport().Mode().playing);
    EXPECT_TRUE(Score().Animating());
    RunFor(2000);
    Score().repaint();
    // Played for two seconds at the piece's tempo: the now line stands there.
    EXPECT_NEAR(Score().Frame().nowX,
                views::ScoreView::kNowFraction * Score().Frame().roll.w + Score().Frame().roll.x,
                0.5);
    EXPECT_NEAR(Score().Frame().from.Ms() + (Score().Frame().to - Score().Frame().from) * 0.7, 2000,
                30);
    window_.DispatchCommand(command::kStop);
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_FALSE(Score().Animating());
}

TEST_F(ScoreViewDesktop, ItsCornerMakesItLargerAndAShiftDragMovesIt) {
    window_.DispatchCommand(command::kScoreView);
    const views::ScoreViewPlace before = Score().Place();
    const QPoint corner(before.width - 3, before.height - 3);
    DragInside(corner, corner + QPoint(40, 30));
    EXPECT_EQ(Score().Place().width, before.width + 40);
    EXPECT_EQ(Score().Place().height, before.height + 30);
    EXPECT_EQ(Score().width(), before.width + 40 + 2);
    // Without SHIFT (the default asks for it) the view stays; with it, it moves.
    DragInside(QPoint(100, 60), QPoint(80, 20));
    EXPECT_EQ(Score().Place().left, before.left);
    const QPoint at = Score().pos();
    DragInside(QPoint(100, 60), QPoint(80, 20), Qt::ShiftModifier);
    EXPECT_EQ(Score().Place().left, before.left - 20);
    EXPECT_EQ(Score().Place().top, before.top - 40);
    EXPECT_EQ(Score().pos(), at + QPoint(-20, -40));
}

TEST_F(ScoreViewDesktop, OtherFollowingTracksChosenWhileStoppedShowAtOnce) {
    const auto following = [&](int track) {
        const Track& chosen = engine_.CurrentPiece()->tracks[static_cast<std::size_t>(track)];
        std::size_t notes = 0;
        for (int i = 0; i < chosen.count; ++i)
            notes += (chosen.events[static_cast<std::size_t>(i)].kind & 0xF0) == 0x90 &&
                             chosen.events[static_cast<std::size_t>(i)].data2 > 0
                         ? 1
                         : 0;
        return notes;
    };
    const auto shownFollowing = [&] {
        return static_cast<std::size_t>(
            std::count_if(Score().Roll().Notes().begin(), Score().Roll().Notes().end(),
                          [](const RollNote& n) { return n.following; }));
    };
    EXPECT_EQ(shownFollowing(), following(engine_.Following().followTrack1));
    FollowingOptions options = engine_.Following();
    options.followTrack1 = static_cast<std::int16_t>(options.followTrack1 == 0 ? 1 : 0);
    ASSERT_TRUE(engine_.SetFollowingOptions(options));
    window_.RefreshMenus();
    EXPECT_EQ(shownFollowing(), following(options.followTrack1));
}

TEST_F(ScoreViewDesktop, ItsPlaceIsKeptInAKeyOfItsOwn) {
    platform::MemorySettingsStore store;
    EXPECT_FALSE(gui::ReadScoreViewPlace(store));
    const views::ScoreViewPlace place{true, -100, 50, 400, 150};
    ASSERT_TRUE(gui::WriteScoreViewPlace(store, place));
    EXPECT_EQ(gui::ReadScoreViewPlace(store), place);
    EXPECT_EQ(store.ValueNames(gui::kScoreViewKey).size(), 1u);
    // A size below the smallest view is not taken.
    ASSERT_TRUE(gui::WriteScoreViewPlace(store, views::ScoreViewPlace{true, 0, 0, 20, 150}));
    EXPECT_FALSE(gui::ReadScoreViewPlace(store));
    Score().SetPlace(place);
    EXPECT_TRUE(Score().isVisible());
    EXPECT_TRUE(Checked());
    EXPECT_EQ(Score().pos(), QPoint(kClientWidth / 2 - 100, kClientHeight / 2 + 50));
}

TEST_F(ScoreViewDesktop, AMatchedNoteIsDrawnGreenAndAWrongOneRed) {
    const Piece& piece = *engine_.CurrentPiece();
    ScoreRoll roll;
    roll.Build(piece, engine_.Following().followTrack1, -1, {});
    const auto notes = roll.Notes();
    const auto first =
        std::find_if(notes.begin(), notes.end(), [](const RollNote& n) { return n.following; });
    ASSERT_NE(first, notes.end());
    PlayedTrace trace;
    trace.Begin(roll, ScorePosition{0});
    PlayedEvent matched{PlayedEvent::Kind::Note, first->key, 0, first->start, first->start,
                        kOwnTempoSpeed};
    PlayedEvent wrong{PlayedEvent::Kind::Note,
                      static_cast<std::uint8_t>(first->key + 1),
                      300,
                      ScorePosition{-1},
                      first->start + 400,
                      kOwnTempoSpeed};
    trace.Add(roll, matched);
    trace.Add(roll, wrong);
    ScoreViewport viewport;
    viewport.now = first->start + 500;
    ScoreFrame frame;
    ComposeScoreFrame(roll, &trace, viewport, frame);
    const views::Palette& palette = views::CurrentPalette();
    for (const double scale : {1.0, 2.0}) {
        const QImage image = views::RenderScoreImage(frame, scale, palette);
        for (const FrameBar& bar : frame.bars) {
            if (bar.kind != BarKind::PlayedMatched && bar.kind != BarKind::PlayedWrong) continue;
            const QPoint centre(static_cast<int>((bar.rect.x + bar.rect.w / 2) * scale),
                                static_cast<int>((bar.rect.y + bar.rect.h / 2) * scale));
            const QColor want =
                bar.kind == BarKind::PlayedMatched ? palette.lampPlayOn : palette.recordRed;
            EXPECT_EQ(image.pixelColor(centre).rgb(), want.rgb()) << scale;
        }
    }
    // Drawn over the kept backdrop, a frame looks as one drawn whole, also
    // when the backdrop comes from the previous frame.
    const QImage whole = views::RenderScoreImage(frame, 2.0, palette);
    QImage layered = whole;
    layered.fill(Qt::black);
    views::ScoreBackdrop backdrop;
    for (int pass = 0; pass < 2; ++pass) {
        QPainter p(&layered);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRectF(0, 0, layered.width() / 2.0, layered.height() / 2.0), palette.background);
        p.fillRect(QRectF(2, 2, frame.roll.Right() + 5, frame.timeline.Bottom() + 5),
                   palette.shadow);
        backdrop.Draw(p, frame, palette);
        views::PaintScoreMotion(p, frame, palette);
    }
    EXPECT_TRUE(layered == whole);
    EXPECT_EQ(std::count_if(frame.bars.begin(), frame.bars.end(),
                            [](const FrameBar& b) { return b.kind == BarKind::PlayedMatched; }),
              1);
    EXPECT_EQ(std::count_if(frame.bars.begin(), frame.bars.end(),
                            [](const FrameBar& b) { return b.kind == BarKind::PlayedWrong; }),
              1);
}

}  // namespace
}  // namespace ostinel
