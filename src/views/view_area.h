#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "app/engine.h"
#include "settings/settings_records.h"
#include "views/view_layout.h"
#include "views/view_scene.h"

class QTimer;

namespace ostinel::views {

// The main window's client area: the eight views on a textured background,
// each drawn into its own surface only when something it shows changed, and
// every mouse press, drag and release on them.
//
// Coordinates: the layout is in design pixels; the widget shows them times
// the design scale (1, 1.5 or 2) and at the screen's pixel ratio.
//
// Threads: main thread.
class ViewArea : public QWidget {
    Q_OBJECT

  public:
    explicit ViewArea(Engine& engine, QWidget* parent = nullptr);
    ~ViewArea() override;

    void SetDesignScale(double scale);
    double DesignScale() const { return scale_; }
    // The client area in design pixels.
    int ClientWidth() const;
    int ClientHeight() const;

    // Lays the views out for the engine's piece (after every file open).
    void LayoutViews();
    bool HasPiece() const { return laidOut_; }

    // What the transport reports.
    void PositionChanged();
    void MenuStateChanged();
    void TrackChanged(int track);
    void FlashButton(int view, int element);

    // The Views menu.
    void ToggleView(int view);
    void ShowAllViews();
    void HideAllViews();
    void CenterAllViews();
    void BringViewToFront(int orderIndex);

    // The picture shown at start-up and by About; `deadlineMs` > 0 takes it
    // away by itself after that long from its first paint.
    void ShowTitlePicture(int deadlineMs);
    void RemoveTitlePicture();
    // A piece opened: the picture goes, at the latest when its time is up.
    void PieceOpenedUnderTitlePicture();
    bool TitlePictureShown() const { return titlePicture_; }

    // The piece's view settings: the stacking order (front view first) and
    // which views show. Order entries outside 0-7 or repeated are refused.
    bool SetViewOrder(const std::array<int, kViewCount>& order);
    void SetViewsShown(const std::array<bool, kViewCount>& shown);

    // Where each view stands against the client area's centre: its top edge,
    // and its left edge (the Title and Tracks views: their horizontal centre),
    // as the piece settings keep them; and moving every view there.
    std::array<ViewPlace, kViewCount> ViewPlaces() const;
    void PlaceViews(const std::array<ViewPlace, kViewCount>& places);

    // The piece as the Title view and the title bar name it: its display
    // name (File Information), else its file name; empty with no piece.
    std::string PieceTitle();
    // The title the Title view was last drawn with.
    const std::string& DrawnTitle() const { return shown_.title; }
    // What the Measure:Beat view was last drawn with, as MeasureBeatText.
    QString DrawnMeasureBeat() const;

    const ViewLayout& Layout() const { return layout_; }
    // A point of `view` (view coordinates) in widget coordinates, for tests
    // and for placing things over a view.
    QPoint WidgetPoint(int view, int x, int y) const;
    QPoint ElementCenter(int element) const;
    // Whether a drag of any kind is under way.
    bool Dragging() const { return slider_.active || viewDrag_.active || pressed_.active; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // A double click asked for a menu command (a dialog, Jump to).
    void commandRequested(int commandId);
    // Views were shown or hidden: the Views menu's check marks.
    void viewsChanged();
    // The mouse changed something in the engine: menus and the idle pass
    // look again.
    void engineTouched();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    enum class PressedKind { Element, PlayLamp, FollowLamp };
    struct PressedButton {
        bool active = false;
        PressedKind kind = PressedKind::Element;
        int view = 0;
        int element = 0;
        int track = -1;
        Box rect;  // view coordinates
        std::uint16_t before = 0;
        bool inside = true;
    };
    struct SliderDrag {
        bool active = false;
        int view = 0;
        int thumb = 0;  // element 16, 39 or 54, or 66 for a track's
        int track = -1;
        Box startThumb;
        Box thumbNow;
        Box travel;
        Box allowed;
        int grabX = 0;
        int grabY = 0;
        bool deferred = false;
    };
    struct ViewDrag {
        bool active = false;
        int view = 0;
        QPoint start;
        QPoint last;
    };

    // Mouse handling in design pixels.
    void OnMouseDown(QPoint point, bool shift, bool doubleClick);
    bool OnMouseMove(QPoint point);
    bool OnMouseUp(QPoint point);
    void ClickView(int view, QPoint local, bool shift, bool doubleClick);
    void ClickMainTransport(QPoint local, bool doubleClick);
    void ClickSongPosition(QPoint local, bool doubleClick);
    void ClickCurrentTempo(QPoint local, bool doubleClick);
    void ClickMasterTempo(QPoint local, bool doubleClick);
    void ClickMasterVolume(QPoint local, bool doubleClick);
    void ClickTracks(QPoint local, bool shift, bool doubleClick);
    bool PressTest(int element, QPoint local) const;
    void PressButton(int view, int element, PressedKind kind = PressedKind::Element,
                     int track = -1);
    void StartHeldAction(int element);
    void StopHeldAction(int element);
    void ReleaseButton();
    void StartSliderDrag(int view, int thumb, QPoint local, int track = -1);
    void MoveSlider(QPoint local);
    void ApplySlider(bool final);
    void JumpByBarClick(QPoint local);
    void StartViewDrag(int view);
    void ChooseFollowTrack(int track, bool shift);
    void SoloTrack(int track);
    bool PlayLampLocked(int track);
    void SetLoopPoint(bool begin);

    // Drawing.
    ViewScene GatherScene();
    void PlaceThumbs();
    void UpdateLitButtons();
    void InvalidateView(int view);
    void RebuildSurface(int view, const ViewScene& scene);
    QRect WidgetRect(const Box& box) const;
    QPoint DesignPoint(QPoint widgetPoint) const;
    QRectF TitlePictureRect() const;

    Engine& engine_;
    ViewLayout layout_;
    double scale_ = 1.0;
    bool laidOut_ = false;
    QSize lastClient_;  // design pixels
    std::array<QPixmap, kViewCount> surfaces_;
    std::array<bool, kViewCount> dirty_{};
    // What the views showed when last drawn, so repeated reports cost nothing.
    ViewScene shown_;

    PressedButton pressed_;
    SliderDrag slider_;
    ViewDrag viewDrag_;
    bool shiftAtPress_ = false;
    bool loopSwapped_ = false;  // the last loop button click swapped begin and end
    QPoint pressPoint_;         // design pixels, window coordinates
    // Following tracks before the first click of a double click on a follow lamp.
    FollowingOptions followBeforeClick_;

    // Keys lit briefly by FlashButton: how many flashes each still has running.
    std::array<int, kElementCount> flashes_{};

    bool titlePicture_ = true;
    int titleDeadlineMs_ = 4000;
    QTimer* titleTimer_ = nullptr;
};

}  // namespace ostinel::views
