#include "views/view_layout.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "views/element_table.h"
#include "views/palette.h"
#include "views/view_painter.h"

namespace ostinel::views {
namespace {

TEST(ViewLayout, WiderWindowsShowMoreTrackColumns) {
    ViewLayout layout;
    layout.LayoutViews(710, 480, 20);
    EXPECT_EQ(layout.VisibleColumns(), 18);  // 16 + 70 / 35
    EXPECT_TRUE(layout.Scrolls());

    layout.LayoutViews(640, 480, 16);
    EXPECT_EQ(layout.VisibleColumns(), 16);
    EXPECT_FALSE(layout.Scrolls());

    layout.LayoutViews(640, 480, 17);
    EXPECT_TRUE(layout.Scrolls());
    EXPECT_EQ(layout.State(element::kScrollLeft), kStateLit);  // unavailable at the first track
    EXPECT_EQ(layout.State(element::kScrollRight), kStateNormal);
}

TEST(ViewLayout, TheTracksViewGrowsOnBothSidesAndTheDesignIsCentred) {
    ViewLayout layout;
    layout.LayoutViews(640, 422, 3);
    // Two more columns: 70 pixels, 35 on each side.
    EXPECT_EQ(layout.Element(element::kTracksRightPart).left, 75 + 70);
    const Box tracks = layout.Frame(kTracksView);
    EXPECT_EQ(tracks.left, 271 - 35);
    EXPECT_EQ(tracks.right, tracks.left + 98 + 70);
    // 640 wide: centred as designed; the height holds the design exactly.
    EXPECT_EQ(layout.Frame(kTitleView), (Box{9, 24, 631, 50}));

    layout.LayoutViews(740, 522, 3);
    EXPECT_EQ(layout.Frame(kTitleView), (Box{59, 74, 681, 100}));
    EXPECT_EQ(layout.Frame(kMasterVolumeView), (Box{59, 173, 183, 261}));
}

TEST(ViewLayout, ScrollingMovesEightColumnsWithinThePiece) {
    ViewLayout layout;
    layout.LayoutViews(640, 480, 30);
    layout.ScrollTracks(+1);
    EXPECT_EQ(layout.FirstTrack(), 8);
    EXPECT_EQ(layout.State(element::kScrollLeft), kStateNormal);
    layout.ScrollTracks(+1);
    EXPECT_EQ(layout.FirstTrack(), 14);  // 30 - 16
    EXPECT_EQ(layout.State(element::kScrollRight), kStateLit);
    layout.ScrollTracks(-1);
    layout.ScrollTracks(-1);
    EXPECT_EQ(layout.FirstTrack(), 0);
    EXPECT_EQ(layout.State(element::kScrollLeft), kStateLit);
}

// The Tracks view drawn, and the pixels of one of its elements.
QImage DrawnElement(const ViewLayout& layout, int e) {
    QImage image(1000, 300, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        ViewScene scene;
        PaintView(p, kTracksView, layout, scene, CurrentPalette());
    }
    const Box box = layout.Element(e);
    return image.copy(box.left, box.top, box.Width(), box.Height());
}

TEST(ViewLayout, EachScrollKeyShowsItsOwnPressedAndGreyedState) {
    ViewLayout layout;
    layout.LayoutViews(640, 480, 30);
    ASSERT_TRUE(layout.Scrolls());
    for (const int key : {element::kScrollLeft, element::kScrollRight}) {
        const int other =
            key == element::kScrollLeft ? element::kScrollRight : element::kScrollLeft;
        layout.SetState(other, kStateNormal);
        layout.SetState(key, kStateNormal);
        const QImage normal = DrawnElement(layout, key);
        layout.SetState(key, kStatePressed);
        EXPECT_NE(DrawnElement(layout, key), normal) << key;
        layout.SetState(key, kStateLit);
        EXPECT_NE(DrawnElement(layout, key), normal) << key;
        // The other key's state leaves this one as it was.
        layout.SetState(key, kStateNormal);
        layout.SetState(other, kStateLit);
        EXPECT_EQ(DrawnElement(layout, key), normal) << key;
    }
}

TEST(ViewLayout, TheFrontViewIsHitWhereViewsOverlap) {
    ViewLayout layout;
    layout.LayoutViews(640, 398, 1);
    // Lay the Current Tempo view over the Title view.
    layout.MoveView(kCurrentTempoView, 0, -40);
    const Box title = layout.Frame(kTitleView);
    const int x = layout.Frame(kCurrentTempoView).left + 5;
    EXPECT_EQ(layout.ViewAt(x, title.top + 5), kTitleView);
    layout.SetOrder({3, 0, 1, 2, 4, 5, 6, 7});
    EXPECT_EQ(layout.ViewAt(x, title.top + 5), kCurrentTempoView);
    // A hidden view is never hit.
    layout.SetShown(kCurrentTempoView, false);
    EXPECT_EQ(layout.ViewAt(x, title.top + 5), kTitleView);
    // The 2-pixel shadow belongs to the view.
    EXPECT_EQ(layout.ViewAt(title.right + 1, title.bottom + 1), kTitleView);
}

TEST(ViewLayout, BringingAViewToFrontKeepsTheOthersInOrder) {
    ViewLayout layout;
    layout.BringToFront(5);
    EXPECT_EQ(layout.Order(), (std::array<int, kViewCount>{5, 0, 1, 2, 3, 4, 6, 7}));
    layout.BringToFront(0);
    EXPECT_EQ(layout.Order()[0], 5);
}

TEST(ViewLayout, ViewsGoHomeAndFollowTheCentreOfTheClientArea) {
    ViewLayout layout;
    layout.LayoutViews(640, 398, 4);
    const Box volume = layout.Frame(kMasterVolumeView);
    layout.MoveView(kMasterVolumeView, 30, 12);
    layout.ClientResized(100, 41);
    EXPECT_EQ(layout.Frame(kMasterVolumeView), volume.Moved(30 + 50, 12 + 20));
    layout.CenterAllViews();
    EXPECT_EQ(layout.Frame(kMasterVolumeView), volume.Moved(50, 20));
    // The Title view's home is its centre.
    EXPECT_EQ(layout.HomeX(kTitleView), (9 + 631) / 2 + 50);
}

}  // namespace
}  // namespace ostinel::views

#include <QFontMetricsF>

#include "views/view_painter.h"

namespace ostinel::views {
namespace {

TEST(FitTitle, ALongTitleIsShortenedWithDotsUntilItFits) {
    const QString title = QStringLiteral(
        "Concerto for Violin and Orchestra in D major, Op. 61, "
        "first movement (Allegro ma non troppo), accompaniment");
    const QString fitted = FitTitle(title, 200);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("...")));
    EXPECT_TRUE(title.startsWith(fitted.left(fitted.size() - 3)));
    EXPECT_EQ(FitTitle(QStringLiteral("Short"), 200), QStringLiteral("Short"));
}

TEST(FitName, ANameKeepsItsBeginning) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(8);
    const QString fitted = FitName(QStringLiteral("Acoustic Grand Piano"), font, 30);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("...")));
    EXPECT_LE(QFontMetricsF(font).horizontalAdvance(fitted), 30);
}

}  // namespace
}  // namespace ostinel::views
