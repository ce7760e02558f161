#include "views/view_area.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "views/palette.h"
#include "views/panel_art.h"
#include "views/slider_values.h"
#include "views/view_painter.h"

namespace ostinel::views {

namespace {

constexpr int kFlashMs = 50;
constexpr QSize kTitlePictureSize(400, 350);

// The beat at or before `position`: its measure and beat.
std::pair<int, int> BeatAt(const Piece& piece, ScorePosition position) {
    const auto& beats = piece.beatMap;
    if (beats.empty()) return {0, 0};
    auto it = std::upper_bound(beats.begin(), beats.end(), position,
                               [](ScorePosition p, const BeatRecord& b) {
                                   return p < static_cast<ScorePosition>(b.time);
                               });
    if (it != beats.begin()) --it;
    return {it->measure, it->beat};
}

}  // namespace

ViewArea::ViewArea(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
    titleTimer_ = new QTimer(this);
    titleTimer_->setSingleShot(true);
    connect(titleTimer_, &QTimer::timeout, this, &ViewArea::RemoveTitlePicture);
    dirty_.fill(true);
}

ViewArea::~ViewArea() = default;

QSize ViewArea::sizeHint() const {
    return QSize(int(660 * scale_), int(420 * scale_));
}

QSize ViewArea::minimumSizeHint() const {
    // No view is ever out of reach: the window holds all of them at home.
    if (!laidOut_) return QSize(int(320 * scale_), int(200 * scale_));
    const Box bounds = layout_.HomeBounds();
    return QSize(int(std::ceil(bounds.Width() * scale_)), int(std::ceil(bounds.Height() * scale_)));
}

void ViewArea::SetDesignScale(double scale) {
    if (scale == scale_) return;
    scale_ = scale;
    dirty_.fill(true);
    updateGeometry();
    if (laidOut_) LayoutViews();
    update();
}

int ViewArea::ClientWidth() const {
    return int(width() / scale_);
}

int ViewArea::ClientHeight() const {
    return int(height() / scale_);
}

namespace {

// The x a view's place measures: the Title and Tracks views by their centre,
// as their widths change with the piece; the others by their left edge.
int PlacedX(const ViewLayout& layout, int view) {
    const Box& frame = layout.Frame(view);
    return view == kTitleView || view == kTracksView ? (frame.left + frame.right) / 2 : frame.left;
}

// The views in the order the stored places list them.
constexpr std::array<int, kViewCount> kPlaceOrder{
    kTitleView,       kMainTransportView, kSongPositionView, kCurrentTempoView,
    kMasterTempoView, kMasterVolumeView,  kMeasureBeatView,  kTracksView};

}  // namespace

std::array<ViewPlace, kViewCount> ViewArea::ViewPlaces() const {
    const int centreX = ClientWidth() / 2;
    const int centreY = ClientHeight() / 2;
    std::array<ViewPlace, kViewCount> places{};
    for (std::size_t i = 0; i < places.size(); ++i) {
        const int view = kPlaceOrder[i];
        places[i] = ViewPlace{std::int16_t(layout_.Frame(view).top - centreY),
                              std::int16_t(PlacedX(layout_, view) - centreX)};
    }
    return places;
}

void ViewArea::PlaceViews(const std::array<ViewPlace, kViewCount>& places) {
    const int centreX = ClientWidth() / 2;
    const int centreY = ClientHeight() / 2;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const int view = kPlaceOrder[i];
        const ViewPlace& place = places[i];
        layout_.MoveView(view, centreX + place.dx - PlacedX(layout_, view),
                         centreY + place.dy - layout_.Frame(view).top);
    }
    update();
}

void ViewArea::LayoutViews() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return;
    const auto order = layout_.Order();
    std::array<bool, kViewCount> shown{};
    for (int v = 0; v < kViewCount; ++v)
        shown[std::size_t(v)] = layout_.Shown(v);
    layout_.LayoutViews(ClientWidth(), ClientHeight(), piece->TrackCount());
    // The stacking and which views show are the piece's settings, not the layout's.
    layout_.SetOrder(order);
    for (int v = 0; v < kViewCount; ++v)
        layout_.SetShown(v, shown[std::size_t(v)]);
    lastClient_ = QSize(ClientWidth(), ClientHeight());
    laidOut_ = true;
    UpdateLitButtons();
    PlaceThumbs();
    shown_ = GatherScene();
    dirty_.fill(true);
    updateGeometry();
    update();
}

// --- what the transport reports ---------------------------------------------

void ViewArea::PositionChanged() {
    if (!laidOut_) return;
    PlaceThumbs();
    // This runs at every idle pass while playing: only the numbers, no scene.
    Transport& transport = engine_.GetTransport();
    const DisplayedBeat beat = transport.Display();
    if (beat.measure != shown_.measure || beat.beat != shown_.beat)
        InvalidateView(kMeasureBeatView);
    if (beat.tempo != shown_.tempo) InvalidateView(kCurrentTempoView);
    const Piece& piece = *engine_.CurrentPiece();
    const auto [beginMeasure, beginBeat] = BeatAt(piece, transport.Loop().begin);
    const auto [endMeasure, endBeat] = BeatAt(piece, transport.Loop().end);
    if (beginMeasure != shown_.loopBeginMeasure || beginBeat != shown_.loopBeginBeat ||
        endMeasure != shown_.loopEndMeasure || endBeat != shown_.loopEndBeat)
        InvalidateView(kSongPositionView);
}

std::string ViewArea::PieceTitle() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return {};
    const std::string& name = engine_.DisplayName();
    return name.empty() ? piece->title : name;
}

void ViewArea::MenuStateChanged() {
    if (!laidOut_) return;
    // File Information may have named the piece anew.
    if (PieceTitle() != shown_.title) InvalidateView(kTitleView);
    UpdateLitButtons();
    PlaceThumbs();
}

void ViewArea::TrackChanged(int /*track*/) {
    InvalidateView(kTracksView);
}

void ViewArea::FlashButton(int view, int element) {
    if (!laidOut_ || element < 0 || element >= kElementCount) return;
    if (pressed_.active && pressed_.element == element) return;
    ++flashes_[std::size_t(element)];
    layout_.SetState(element, kStatePressed);
    InvalidateView(view);
    // The key springs back by itself; the window keeps running meanwhile.
    QTimer::singleShot(kFlashMs, this, [this, view, element] {
        --flashes_[std::size_t(element)];
        UpdateLitButtons();
        InvalidateView(view);
    });
}

// Buttons show the running mode, loop mode and the metronome.
void ViewArea::UpdateLitButtons() {
    const TransportMenuState menu = engine_.GetTransport().MenuState();
    const auto lit = [&](int element, bool on) {
        if (flashes_[std::size_t(element)] > 0) return;
        if (pressed_.active && pressed_.kind == PressedKind::Element &&
            pressed_.element == element) {
            pressed_.before = on ? kStateLit : kStateNormal;
            return;
        }
        const std::uint16_t state = on ? kStateLit : kStateNormal;
        if (layout_.State(element) != state) {
            layout_.SetState(element, state);
            InvalidateView(ViewOfElement(element));
        }
    };
    lit(element::kRewind, menu.lit == LitButton::Rewind);
    lit(element::kStop, false);
    lit(element::kPlayAndFollow, menu.lit == LitButton::PlayAndFollow);
    lit(element::kPlayFile, menu.lit == LitButton::PlayFile);
    lit(element::kPlayPerformance, menu.lit == LitButton::PlayPerformance);
    lit(element::kPreview, menu.lit == LitButton::Preview);
    lit(element::kFastForward, menu.lit == LitButton::FastForward);
    lit(element::kLoopButton, engine_.GetTransport().Loop().on);
    lit(element::kMetronomeButton, engine_.GetTransport().Metronome().on);
    // The keys' icons dim with the commands they give.
    const ViewScene scene = GatherScene();
    if (scene.rewindEnabled != shown_.rewindEnabled || scene.stopEnabled != shown_.stopEnabled ||
        scene.playAndFollowEnabled != shown_.playAndFollowEnabled ||
        scene.playFileEnabled != shown_.playFileEnabled ||
        scene.playPerformanceEnabled != shown_.playPerformanceEnabled ||
        scene.previewEnabled != shown_.previewEnabled ||
        scene.fastForwardEnabled != shown_.fastForwardEnabled)
        InvalidateView(kMainTransportView);
    if (scene.columns.size() == shown_.columns.size()) {
        for (std::size_t i = 0; i < scene.columns.size(); ++i)
            if (scene.columns[i].follows != shown_.columns[i].follows) InvalidateView(kTracksView);
    }
}

// Moves the thumbs to their values (not the one the user drags) and redraws
// a slider only when its thumb moved a pixel or its percentage changed.
void ViewArea::PlaceThumbs() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return;
    const Transport& transport = engine_.GetTransport();
    const auto place = [&](int thumb, const Box& at, int view) {
        if (slider_.active && slider_.thumb == thumb) return;
        if (layout_.Element(thumb) == at) return;
        layout_.Element(thumb) = at;
        InvalidateView(view);
    };
    const Box designThumb = kDesignElements[element::kPositionThumb];
    const int travel = kDesignElements[element::kPositionTravel].right - designThumb.right;
    const std::int32_t msPerPixel = MsPerPositionPixel(transport.End().Ms(), travel);
    place(element::kPositionThumb,
          designThumb.Moved(PositionThumbOffset(transport.Position().Ms(), msPerPixel, travel), 0),
          kSongPositionView);

    const Box tempoThumb = kDesignElements[element::kMasterTempoThumb];
    const int tempoTravel = tempoThumb.top - kDesignElements[element::kMasterTempoTravel].top;
    place(element::kMasterTempoThumb,
          tempoThumb.Moved(0, -TempoThumbRise(tempoTravel, transport.Master().speed.Raw())),
          kMasterTempoView);
    const Box volumeThumb = kDesignElements[element::kMasterVolumeThumb];
    const int volumeTravel = volumeThumb.top - kDesignElements[element::kMasterVolumeTravel].top;
    place(element::kMasterVolumeThumb,
          volumeThumb.Moved(0, -MasterVolumeThumbRise(volumeTravel, transport.Master().volume)),
          kMasterVolumeView);
    if (TempoPercent(transport.Master().speed.Raw()) != TempoPercent(shown_.tempoScale))
        InvalidateView(kMasterTempoView);
    if (VolumePercent(transport.Master().volume) != VolumePercent(shown_.masterVolume))
        InvalidateView(kMasterVolumeView);
}

QString ViewArea::DrawnMeasureBeat() const {
    return MeasureBeatText(shown_);
}

ViewScene ViewArea::GatherScene() {
    ViewScene scene;
    const Piece* piece = engine_.CurrentPiece();
    Transport& transport = engine_.GetTransport();
    if (piece == nullptr) return scene;
    scene.title = PieceTitle();
    const DisplayedBeat beat = transport.Display();
    scene.measure = beat.measure;
    scene.beat = beat.beat;
    scene.tempo = beat.tempo;
    scene.tempoScale = transport.Master().speed.Raw();
    scene.masterVolume = transport.Master().volume;
    const LoopSettings& loop = transport.Loop();
    std::tie(scene.loopBeginMeasure, scene.loopBeginBeat) = BeatAt(*piece, loop.begin);
    std::tie(scene.loopEndMeasure, scene.loopEndBeat) = BeatAt(*piece, loop.end);
    scene.playing = transport.Mode().playing;
    const TransportMenuState menu = transport.MenuState();
    scene.rewindEnabled = menu.rewind || menu.lit == LitButton::Rewind;
    scene.stopEnabled = menu.stop || scene.playing;
    scene.playAndFollowEnabled = menu.playAndFollow || menu.lit == LitButton::PlayAndFollow;
    scene.playFileEnabled = menu.playFile || menu.lit == LitButton::PlayFile;
    scene.playPerformanceEnabled = menu.playPerformance || menu.lit == LitButton::PlayPerformance;
    scene.previewEnabled = menu.preview || menu.lit == LitButton::Preview;
    scene.fastForwardEnabled = menu.fastForward || menu.lit == LitButton::FastForward;
    if (slider_.active && (slider_.deferred || slider_.thumb == element::kPositionThumb))
        scene.focusThumb = slider_.deferred ? slider_.thumb : -1;

    const FollowingOptions& following = engine_.Following();
    const bool followNotes = following.followSource == FollowSource::SoloistsPlaying;
    const bool playingFile = transport.Mode().playingFile;
    for (int column = 0; column < layout_.VisibleColumns(); ++column) {
        const int track = layout_.FirstTrack() + column;
        if (track >= piece->TrackCount()) break;
        const Track& t = piece->tracks[std::size_t(track)];
        TrackColumnScene c;
        c.track = track;
        c.name = t.userName ? *t.userName : t.name;
        c.port = t.port;
        c.channel = t.channel;
        c.transpose = t.transpose;
        c.volume = t.volume;
        c.plays = t.playFlag != 0;
        c.follows = followNotes && !playingFile &&
                    (track == following.followTrack1 ||
                     (following.twoFollowTracks && track == following.followTrack2));
        if (pressed_.active && pressed_.track == track) {
            if (pressed_.kind == PressedKind::PlayLamp) c.playLampState = kStatePressed;
            if (pressed_.kind == PressedKind::FollowLamp) c.followLampState = kStatePressed;
        }
        scene.columns.push_back(std::move(c));
    }
    return scene;
}

// --- the title picture ---------------------------------------------------------

void ViewArea::ShowTitlePicture(int deadlineMs) {
    titlePicture_ = true;
    titleDeadlineMs_ = deadlineMs;
    titleTimer_->stop();
    update();
}

void ViewArea::PieceOpenedUnderTitlePicture() {
    // At start-up the picture stays until its time is up; shown by About, it
    // gives way at once.
    if (titleDeadlineMs_ <= 0) RemoveTitlePicture();
}

void ViewArea::RemoveTitlePicture() {
    if (!titlePicture_) return;
    titlePicture_ = false;
    titleTimer_->stop();
    update();
}

QRectF ViewArea::TitlePictureRect() const {
    const double w = kTitlePictureSize.width();
    const double h = kTitlePictureSize.height();
    const double left = (ClientWidth() - w) / 2;
    const double top = std::max(0.0, (ClientHeight() - h) / 3);
    return QRectF(left, top, w, h);
}

// --- drawing -------------------------------------------------------------------

void ViewArea::InvalidateView(int view) {
    if (!laidOut_) return;
    dirty_[std::size_t(view)] = true;
    if (layout_.Shown(view)) update(WidgetRect(layout_.Region(view)));
}

QRect ViewArea::WidgetRect(const Box& box) const {
    return QRect(int(box.left * scale_) - 1, int(box.top * scale_) - 1,
                 int(box.Width() * scale_) + 3, int(box.Height() * scale_) + 3);
}

QPoint ViewArea::DesignPoint(QPoint widgetPoint) const {
    return QPoint(int(std::floor(widgetPoint.x() / scale_)),
                  int(std::floor(widgetPoint.y() / scale_)));
}

QPoint ViewArea::WidgetPoint(int view, int x, int y) const {
    const Box frame = layout_.Frame(view);
    return QPoint(int(std::ceil((frame.left + x) * scale_)),
                  int(std::ceil((frame.top + y) * scale_)));
}

QPoint ViewArea::ElementCenter(int elementIndex) const {
    const int view = ViewOfElement(elementIndex);
    const Box e = layout_.Element(elementIndex);
    return WidgetPoint(view, (e.left + e.right) / 2, (e.top + e.bottom) / 2);
}

void ViewArea::RebuildSurface(int view, const ViewScene& scene) {
    const Box region = layout_.Region(view);
    const qreal ratio = devicePixelRatioF() * scale_;
    QPixmap& surface = surfaces_[std::size_t(view)];
    const QSize pixels(int(std::ceil(region.Width() * ratio)),
                       int(std::ceil(region.Height() * ratio)));
    if (surface.size() != pixels) surface = QPixmap(pixels);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::transparent);
    QPainter p(&surface);
    const Box frame = layout_.Frame(view);
    // The hard shadow to the right and below.
    p.fillRect(QRectF(2, 2, frame.Width(), frame.Height()), CurrentPalette().shadow);
    PaintView(p, view, layout_, scene, CurrentPalette());
    dirty_[std::size_t(view)] = false;
}

void ViewArea::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const Palette& palette = CurrentPalette();
    p.setClipRegion(event->region());
    p.scale(scale_, scale_);
    art::DrawBackground(p, QRectF(0, 0, width() / scale_ + 1, height() / scale_ + 1), palette);
    if (laidOut_) {
        if (std::any_of(dirty_.begin(), dirty_.end(), [](bool d) { return d; }))
            shown_ = GatherScene();
        const auto& order = layout_.Order();
        // Back to front, so the front view covers the ones behind it.
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const int view = *it;
            if (!layout_.Shown(view)) continue;
            // A window moved to a screen of another pixel density draws anew.
            const QPixmap& surface = surfaces_[std::size_t(view)];
            if (dirty_[std::size_t(view)] || surface.isNull() ||
                surface.devicePixelRatio() != devicePixelRatioF() * scale_)
                RebuildSurface(view, shown_);
            const Box region = layout_.Region(view);
            p.drawPixmap(QPointF(region.left, region.top), surfaces_[std::size_t(view)]);
        }
        if (viewDrag_.active) {
            // The rubber band where the view would land.
            const QPoint offset = viewDrag_.last - viewDrag_.start;
            const Box outline = layout_.Region(viewDrag_.view).Moved(offset.x(), offset.y());
            p.setPen(QPen(palette.focus, 1.0 / scale_ * 1.5, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(art::ToRect(outline).adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    if (titlePicture_) {
        if (titleDeadlineMs_ > 0 && !titleTimer_->isActive()) titleTimer_->start(titleDeadlineMs_);
        PaintTitlePicture(p, TitlePictureRect(), palette);
    }
}

void ViewArea::resizeEvent(QResizeEvent* /*event*/) {
    const QSize client(ClientWidth(), ClientHeight());
    if (laidOut_ && lastClient_.isValid() && client != lastClient_) {
        layout_.ClientResized(client.width() - lastClient_.width(),
                              client.height() - lastClient_.height());
    }
    lastClient_ = client;
    if (laidOut_) layout_.KeepViewsInside(client.width(), client.height());
    update();
}

}  // namespace ostinel::views
