#include "views/score_view.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "views/palette.h"
#include "views/score_painter.h"
#include "views/view_area.h"

namespace ostinel::views {
namespace {

constexpr int kShadow = 2;
constexpr int kGripSize = 10;  // design pixels at the lower right corner that size the view
constexpr double kFallbackRefreshHz = 60;

}  // namespace

ScoreView::ScoreView(Engine& engine, ViewArea& area)
    : QWidget(&area), engine_(engine), area_(area), frames_(new QTimer(this)) {
    frames_->setTimerType(Qt::PreciseTimer);
    connect(frames_, &QTimer::timeout, this, &ScoreView::NextFrame);
    area_.installEventFilter(this);
    setVisible(false);
}

double ScoreView::Scale() const {
    return area_.DesignScale();
}

void ScoreView::BuildRoll() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return;
    const FollowingOptions& following = engine_.Following();
    builtTracks_ = {following.followTrack1, following.SecondTrack()};
    builtMarkers_ = engine_.Markers();
    roll_.Build(*piece, builtTracks_.first, builtTracks_.second, builtMarkers_);
    trace_.Begin(roll_, ScorePosition{0});
}

void ScoreView::PieceOpened() {
    BuildRoll();
    following_ = false;
    FollowArea();
    update();
}

bool ScoreView::Animating() const {
    return frames_->isActive();
}

void ScoreView::TransportChanged() {
    const TransportMode& mode = engine_.GetTransport().Mode();
    if (mode.following && !following_) {
        // A new take: the tracks, markers or options may have changed since.
        BuildRoll();
        PlayedEvent stale;
        while (engine_.Reports().TakePlayedEvent(stale)) {
        }
        trace_.Begin(roll_, engine_.GetTransport().Position());
    }
    following_ = mode.following;
    if (mode.Sounding()) {
        if (!frames_->isActive()) {
            const QScreen* display = screen();
            const double hz = display != nullptr && display->refreshRate() > 1
                                  ? display->refreshRate()
                                  : kFallbackRefreshHz;
            frames_->start(std::max(1, static_cast<int>(std::lround(1000.0 / hz))));
        }
    } else if (frames_->isActive()) {
        frames_->stop();
        DrainPlayed();
        update();
    } else if (!mode.playing && engine_.CurrentPiece() != nullptr &&
               (builtTracks_ != std::pair<int, int>{engine_.Following().followTrack1,
                                                    engine_.Following().SecondTrack()} ||
                builtMarkers_ != engine_.Markers())) {
        // Other following tracks or markers chosen while stopped.
        BuildRoll();
        update();
    }
}

void ScoreView::NextFrame() {
    DrainPlayed();
    if (isVisible()) update();
}

void ScoreView::DrainPlayed() {
    PlayedEvent event;
    while (engine_.Reports().TakePlayedEvent(event))
        trace_.Add(roll_, event);
}

void ScoreView::Toggle() {
    Show(!place_.shown);
}

void ScoreView::Show(bool shown) {
    if (shown == place_.shown) return;
    place_.shown = shown;
    FollowArea();
    if (place_.shown) raise();
    emit shownChanged();
}

void ScoreView::Center() {
    const ScoreViewPlace home;
    place_.left = home.left;
    place_.top = home.top;
    FollowArea();
}

void ScoreView::KeepInside() {
    // In design units about the area's centre, as the place is kept.
    const double scale = Scale();
    const int halfWidth = static_cast<int>(area_.width() / scale / 2);
    const int halfHeight = static_cast<int>(area_.height() / scale / 2);
    const int right = halfWidth - place_.width - kShadow;
    const int bottom = halfHeight - place_.height - kShadow;
    // Too large for the area: its top left corner stays in sight.
    place_.left = std::max(std::min(place_.left, right), -halfWidth);
    place_.top = std::max(std::min(place_.top, bottom), -halfHeight);
}

void ScoreView::SetPlace(const ScoreViewPlace& place) {
    place_ = place;
    place_.width = std::max(place_.width, kMinimumWidth);
    place_.height = std::max(place_.height, kMinimumHeight);
    FollowArea();
    emit shownChanged();
}

void ScoreView::FollowArea() {
    const double scale = Scale();
    shownScale_ = scale;
    const double centreX = area_.width() / scale / 2;
    const double centreY = area_.height() / scale / 2;
    setGeometry(static_cast<int>(std::lround((centreX + place_.left) * scale)),
                static_cast<int>(std::lround((centreY + place_.top) * scale)),
                static_cast<int>(std::lround((place_.width + kShadow) * scale)),
                static_cast<int>(std::lround((place_.height + kShadow) * scale)));
    setVisible(place_.shown && area_.HasPiece());
}

bool ScoreView::eventFilter(QObject* watched, QEvent* event) {
    // The area resized, or drawn at another design scale: stand where the
    // place says against its centre.
    if (watched == &area_ && (event->type() == QEvent::Resize ||
                              (event->type() == QEvent::Paint && Scale() != shownScale_))) {
        // A window made smaller never loses the view, as it loses none of the eight.
        if (event->type() == QEvent::Resize && area_.isVisible() && !area_.size().isEmpty())
            KeepInside();
        FollowArea();
    }
    return QWidget::eventFilter(watched, event);
}

void ScoreView::paintEvent(QPaintEvent* /*event*/) {
    DrainPlayed();
    const double scale = Scale();
    ScoreViewport viewport;
    viewport.width = place_.width;
    viewport.height = place_.height;
    viewport.now = engine_.GetTransport().Position();
    viewport.pixelsPerSecond = kPixelsPerSecond;
    viewport.nowFraction = kNowFraction;
    ComposeScoreFrame(roll_, trace_.Empty() ? nullptr : &trace_, viewport, frame_);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const Palette& palette = CurrentPalette();
    p.fillRect(QRectF(kShadow, kShadow, place_.width, place_.height), palette.shadow);
    backdrop_.Draw(p, frame_, palette);
    PaintScoreMotion(p, frame_, palette);
}

void ScoreView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    raise();
    const SystemSettings& preferences = engine_.SystemRecord();
    if (preferences.allowViewsToMove == 0) return;
    const QPointF local = event->position() / Scale();
    const bool grip =
        local.x() >= place_.width - kGripSize && local.y() >= place_.height - kGripSize;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (grip) {
        drag_ = Drag::Size;
    } else if (preferences.requireShiftDrag == 0 || shift) {
        drag_ = Drag::Move;
    } else {
        return;
    }
    dragStart_ = mapToParent(event->position().toPoint());
    placeAtPress_ = place_;
}

void ScoreView::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::None) return;
    const QPoint now = mapToParent(event->position().toPoint());
    const int dx = static_cast<int>(std::lround((now.x() - dragStart_.x()) / Scale()));
    const int dy = static_cast<int>(std::lround((now.y() - dragStart_.y()) / Scale()));
    ScoreViewPlace place = placeAtPress_;
    if (drag_ == Drag::Move) {
        place.left += dx;
        place.top += dy;
    } else {
        place.width = std::max(kMinimumWidth, place.width + dx);
        place.height = std::max(kMinimumHeight, place.height + dy);
    }
    if (place == place_) return;
    place_ = place;
    FollowArea();
    update();
}

void ScoreView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_ = Drag::None;
}

}  // namespace ostinel::views
