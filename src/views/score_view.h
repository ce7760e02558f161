#pragma once

#include <QPoint>
#include <QWidget>
#include <utility>

#include "app/engine.h"
#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"
#include "views/score_painter.h"

class QTimer;

namespace ostinel::views {

class ViewArea;

// Where the Score view stands and how large it is, in design pixels: its
// top-left corner against the client area's centre, as the other views keep
// their places, and whether it shows.
struct ScoreViewPlace {
    bool shown = false;
    int left = -311;  // under the Tracks view, as wide as the design
    int top = 190;
    int width = 622;
    int height = 170;
    friend bool operator==(const ScoreViewPlace&, const ScoreViewPlace&) = default;
};

// The ninth view: the following tracks as bars on a pitch axis with the
// accompaniment behind them, the beats, the special markers, the now line,
// and what the soloist played laid over it. A child of the view area, drawn
// in the same panel art; moved by dragging it (as the Display Preferences
// allow for every view) and sized by its corner.
//
// While the transport sounds, a timer tied to the display's refresh rate
// drains the follower's ring of played notes and draws the next frame;
// stopped, no timer runs.
//
// Threads: main thread.
class ScoreView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMinimumWidth = 200;
    static constexpr int kMinimumHeight = 90;
    static constexpr double kPixelsPerSecond = 80;
    static constexpr double kNowFraction = 0.7;

    ScoreView(Engine& engine, ViewArea& area);

    // A piece opened: its notes, beats and markers.
    void PieceOpened();
    // The transport started or stopped: the frames run while it sounds; a
    // start of following begins a new trace of the soloist's playing.
    void TransportChanged();
    bool Animating() const;

    // The Views menu: its own item, and Show All, Hide All and Center All.
    void Toggle();
    void Show(bool shown);
    void Center();
    bool Shown() const { return place_.shown; }
    ScoreViewPlace Place() const { return place_; }
    void SetPlace(const ScoreViewPlace& place);

    // What the last frame showed, for tests.
    const ScoreFrame& Frame() const { return frame_; }
    const PlayedTrace& Trace() const { return trace_; }
    const ScoreRoll& Roll() const { return roll_; }

  signals:
    void shownChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Drag { None, Move, Size };
    void FollowArea();
    void KeepInside();
    void BuildRoll();
    void DrainPlayed();
    void NextFrame();
    double Scale() const;

    Engine& engine_;
    ViewArea& area_;
    ScoreViewPlace place_;
    ScoreRoll roll_;
    // What the roll was built with, to notice a change while stopped.
    std::pair<int, int> builtTracks_{-1, -1};
    SpecialMarkers builtMarkers_;
    PlayedTrace trace_;
    ScoreFrame frame_;
    ScoreBackdrop backdrop_;
    QTimer* frames_ = nullptr;
    bool following_ = false;
    double shownScale_ = 0;
    Drag drag_ = Drag::None;
    QPoint dragStart_;  // widget coordinates of the area
    ScoreViewPlace placeAtPress_;
};

}  // namespace ostinel::views
