// The views' mouse handling: buttons pressed and released, sliders dragged,
// lamps clicked and views moved.

#include <QMouseEvent>
#include <algorithm>

#include "follower/special_markers.h"
#include "views/slider_values.h"
#include "views/view_board.h"

namespace ostinel::views {

namespace {

// Menu commands that double clicks open.
constexpr int kFileInformationCommand = 12;
constexpr int kJumpToCommand = 127;
constexpr int kFollowingCommand = 150;
constexpr int kMetronomeCommand = 154;
constexpr int kLoopModeCommand = 155;
constexpr int kTempoCommand = 160;

bool PointsLeft(int element) {
    return element == element::kRewind || element == element::kHoldRewind;
}

bool PointsRight(int element) {
    return element == element::kPlayAndFollow || element == element::kPlayFile ||
           element == element::kPlayPerformance || element == element::kFastForward ||
           element == element::kHoldFastForward;
}

// Elements whose pictures include their 2-pixel shadow.
bool HasShadow(int element) {
    return (element >= element::kRewind && element <= element::kHoldFastForward) ||
           element == element::kMetronomeButton;
}

bool Playing(Engine& engine) {
    return engine.GetTransport().Mode().playing;
}

}  // namespace

void ViewBoard::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        engine_.Keys().SetRightButtonDown(true);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    OnMouseDown(DesignPoint(event->position().toPoint()),
                event->modifiers().testFlag(Qt::ShiftModifier), false);
    emit engineTouched();
}

void ViewBoard::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    OnMouseDown(DesignPoint(event->position().toPoint()),
                event->modifiers().testFlag(Qt::ShiftModifier), true);
    emit engineTouched();
}

void ViewBoard::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove(DesignPoint(event->position().toPoint())))
        emit engineTouched();
    else
        QWidget::mouseMoveEvent(event);
}

void ViewBoard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        engine_.Keys().SetRightButtonDown(false);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (OnMouseUp(DesignPoint(event->position().toPoint())))
        emit engineTouched();
    else
        QWidget::mouseReleaseEvent(event);
}

void ViewBoard::OnMouseDown(QPoint point, bool shift, bool doubleClick) {
    if (titlePicture_) {
        RemoveTitlePicture();
        return;
    }
    if (!laidOut_ || Dragging()) return;
    const int view = layout_.ViewAt(point.x(), point.y());
    if (view < 0) return;
    const auto& order = layout_.Order();
    BringViewToFront(int(std::find(order.begin(), order.end(), view) - order.begin()));
    shiftAtPress_ = shift;
    pressPoint_ = point;
    const Box frame = layout_.Frame(view);
    ClickView(view, point - QPoint(frame.left, frame.top), shift, doubleClick);
}

void ViewBoard::ClickView(int view, QPoint local, bool shift, bool doubleClick) {
    switch (view) {
        case kTitleView:
            if (doubleClick)
                emit commandRequested(kFileInformationCommand);
            else
                StartViewDrag(view);
            break;
        case kMainTransportView:
            ClickMainTransport(local, doubleClick);
            break;
        case kSongPositionView:
            ClickSongPosition(local, doubleClick);
            break;
        case kCurrentTempoView:
            ClickCurrentTempo(local, doubleClick);
            break;
        case kMasterTempoView:
            ClickMasterTempo(local, doubleClick);
            break;
        case kMeasureBeatView:
            if (doubleClick)
                emit commandRequested(kJumpToCommand);
            else
                StartViewDrag(view);
            break;
        case kMasterVolumeView:
            ClickMasterVolume(local, doubleClick);
            break;
        case kTracksView:
            ClickTracks(local, shift, doubleClick);
            break;
        default:
            break;
    }
}

bool ViewBoard::PressTest(int elementIndex, QPoint local) const {
    Box box = layout_.Element(elementIndex);
    if (HasShadow(elementIndex)) {
        box.right -= 2;
        box.bottom -= 2;
    }
    if (!box.Contains(local.x(), local.y())) return false;
    if (!PointsLeft(elementIndex) && !PointsRight(elementIndex)) return true;
    // A triangle narrows from its broad side to its point.
    const int w = box.Width();
    const int h = box.Height();
    const int d = PointsLeft(elementIndex) ? box.right - local.x() : local.x() - box.left;
    const int inset = (d * h + w) / (2 * w);
    return local.y() >= box.top + inset - 2 && local.y() <= box.bottom - inset + 2;
}

// --- buttons -------------------------------------------------------------------

void ViewBoard::PressButton(int view, int elementIndex, PressedKind kind, int track) {
    pressed_ = PressedButton{};
    pressed_.active = true;
    pressed_.kind = kind;
    pressed_.view = view;
    pressed_.element = elementIndex;
    pressed_.track = track;
    pressed_.inside = true;
    if (kind == PressedKind::Element) {
        pressed_.rect = layout_.Element(elementIndex);
        pressed_.before = layout_.State(elementIndex);
        layout_.SetState(elementIndex, kStatePressed);
    } else {
        const int column = track - layout_.FirstTrack();
        pressed_.rect = layout_.Element(elementIndex).Moved(layout_.ColumnLeft(column), 0);
    }
    InvalidateView(view);
    repaint();
}

void ViewBoard::StartHeldAction(int elementIndex) {
    Transport& transport = engine_.GetTransport();
    if (elementIndex == element::kHoldRewind && !transport.Mode().rewinding) transport.Rewind();
    if (elementIndex == element::kHoldFastForward && !transport.Mode().fastForward)
        transport.FastForward();
    if (elementIndex == element::kPreview) transport.Preview();
}

void ViewBoard::StopHeldAction(int elementIndex) {
    Transport& transport = engine_.GetTransport();
    const TransportMode mode = transport.Mode();
    if ((elementIndex == element::kHoldRewind && mode.rewinding) ||
        (elementIndex == element::kHoldFastForward && mode.fastForward) ||
        (elementIndex == element::kPreview && mode.previewing))
        transport.Stop();
}

bool ViewBoard::OnMouseMove(QPoint point) {
    if (pressed_.active) {
        const Box frame = layout_.Frame(pressed_.view);
        const QPoint local = point - QPoint(frame.left, frame.top);
        const bool inside = pressed_.rect.Contains(local.x(), local.y());
        if (inside == pressed_.inside) return true;
        pressed_.inside = inside;
        const bool held = pressed_.element == element::kHoldRewind ||
                          pressed_.element == element::kHoldFastForward ||
                          pressed_.element == element::kPreview;
        if (pressed_.kind == PressedKind::Element) {
            layout_.SetState(pressed_.element, inside ? kStatePressed : pressed_.before);
            if (held && !inside) StopHeldAction(pressed_.element);
            if (held && inside && !Playing(engine_)) {
                const Transport& transport = engine_.GetTransport();
                const bool previewable =
                    transport.MenuState().preview && transport.Position() < transport.End();
                if (pressed_.element != element::kPreview || previewable)
                    StartHeldAction(pressed_.element);
            }
        }
        InvalidateView(pressed_.view);
        return true;
    }
    if (slider_.active) {
        const Box frame = layout_.Frame(slider_.view);
        MoveSlider(point - QPoint(frame.left, frame.top));
        return true;
    }
    if (viewDrag_.active) {
        const QPoint clamped(std::clamp(point.x(), 0, std::max(0, ClientWidth() - 1)),
                             std::clamp(point.y(), 0, std::max(0, ClientHeight() - 1)));
        if (clamped != viewDrag_.last) {
            viewDrag_.last = clamped;
            update();
        }
        return true;
    }
    return false;
}

bool ViewBoard::OnMouseUp(QPoint point) {
    if (pressed_.active) {
        OnMouseMove(point);
        ReleaseButton();
        return true;
    }
    if (slider_.active) {
        const Box frame = layout_.Frame(slider_.view);
        MoveSlider(point - QPoint(frame.left, frame.top));
        ApplySlider(true);
        return true;
    }
    if (viewDrag_.active) {
        OnMouseMove(point);
        viewDrag_.active = false;
        const QPoint offset = viewDrag_.last - viewDrag_.start;
        if (!offset.isNull()) layout_.MoveView(viewDrag_.view, offset.x(), offset.y());
        update();
        return true;
    }
    return false;
}

void ViewBoard::ReleaseButton() {
    const PressedButton button = pressed_;
    pressed_.active = false;
    if (button.kind == PressedKind::Element) layout_.SetState(button.element, button.before);
    InvalidateView(button.view);
    Transport& transport = engine_.GetTransport();
    const bool held = button.element == element::kHoldRewind ||
                      button.element == element::kHoldFastForward ||
                      button.element == element::kPreview;
    if (button.kind == PressedKind::Element && held) {
        StopHeldAction(button.element);
        UpdateLitButtons();
        return;
    }
    if (!button.inside) {
        UpdateLitButtons();
        return;
    }
    const TransportMenuState menu = transport.MenuState();
    if (button.kind == PressedKind::PlayLamp) {
        if (!PlayLampLocked(button.track)) {
            const Piece* piece = engine_.CurrentPiece();
            const bool plays = piece->tracks[std::size_t(button.track)].playFlag != 0;
            transport.SetTrackPlaying(button.track, !plays);
        }
    } else if (button.kind == PressedKind::FollowLamp) {
        ChooseFollowTrack(button.track, shiftAtPress_);
    } else {
        switch (button.element) {
            case element::kRewind:
                if (menu.rewind) transport.Rewind();
                break;
            case element::kStop:
                if (menu.stop) transport.Stop();
                break;
            case element::kPlayAndFollow:
                if (menu.playAndFollow) transport.PlayAndFollow();
                break;
            case element::kPlayFile:
                if (menu.playFile) transport.PlayFile();
                break;
            case element::kPlayPerformance:
                // Performance playback runs through the request it answers to.
                if (menu.playPerformance)
                    engine_.Requests().PostRequest(TransportRequest::PlayPerformance);
                break;
            case element::kFastForward:
                if (menu.fastForward) transport.FastForward();
                break;
            case element::kLoopBeginButton:
                SetLoopPoint(true);
                break;
            case element::kLoopEndButton:
                SetLoopPoint(false);
                break;
            case element::kLoopButton:
                transport.ToggleLoopMode();
                break;
            case element::kMetronomeButton:
                transport.ToggleMetronome();
                break;
            case element::kScrollLeft:
                layout_.ScrollTracks(-1);
                InvalidateView(kTracksView);
                break;
            case element::kScrollRight:
                layout_.ScrollTracks(+1);
                InvalidateView(kTracksView);
                break;
            default:
                break;
        }
    }
    UpdateLitButtons();
    PositionChanged();
}

// The loop begins (or ends) at the position; a point beyond the other one
// swaps them.
void ViewBoard::SetLoopPoint(bool begin) {
    Transport& transport = engine_.GetTransport();
    const TransportMode mode = transport.Mode();
    LoopSettings loop = transport.Loop();
    if (loop.on && (mode.following || mode.playingFile || mode.playingPerformance)) return;
    const ScorePosition position = transport.Position();
    loopSwapped_ = false;
    if (begin) {
        if (position > loop.end) {
            loop.begin = loop.end;
            loop.end = position;
            loopSwapped_ = true;
        } else {
            loop.begin = position;
        }
    } else {
        if (position < loop.begin) {
            loop.end = loop.begin;
            loop.begin = position;
            loopSwapped_ = true;
        } else {
            loop.end = position;
        }
    }
    transport.SetLoopSettings(loop);
    InvalidateView(kSongPositionView);
}

void ViewBoard::ClickMainTransport(QPoint local, bool doubleClick) {
    Transport& transport = engine_.GetTransport();
    for (int e = element::kRewind; e <= element::kFastForward; ++e) {
        if (!PressTest(e, local)) continue;
        if (doubleClick && (e == element::kRewind || e == element::kFastForward)) {
            transport.Stop();
            transport.JumpTo(e == element::kRewind ? 0 : transport.End());
            return;
        }
        if (e == element::kPreview &&
            (!transport.MenuState().preview || transport.Position() >= transport.End()))
            return;
        PressButton(kMainTransportView, e);
        if (e == element::kPreview) StartHeldAction(e);
        return;
    }
    StartViewDrag(kMainTransportView);
}

void ViewBoard::ClickSongPosition(QPoint local, bool doubleClick) {
    Transport& transport = engine_.GetTransport();
    const bool playing = transport.Mode().playing;
    if (doubleClick) {
        const Box first = layout_.Element(element::kLoopBeginMeasure);
        const Box last = layout_.Element(element::kLoopEndBeatLast);
        const Box loopDisplay{first.left, first.top, last.right, first.bottom};
        if (loopDisplay.Contains(local.x(), local.y()) &&
            !PressTest(element::kLoopBeginButton, local) &&
            !PressTest(element::kLoopEndButton, local)) {
            if (playing) return;
            if (PressTest(element::kLoopButton, local)) transport.ToggleLoopMode();
            emit commandRequested(kLoopModeCommand);
            return;
        }
        if (!playing && (PressTest(element::kLoopBeginButton, local) ||
                         PressTest(element::kLoopEndButton, local))) {
            const bool begin = PressTest(element::kLoopBeginButton, local);
            LoopSettings loop = transport.Loop();
            if (loopSwapped_) std::swap(loop.begin, loop.end);
            loopSwapped_ = false;
            if (begin)
                loop.begin = 0;
            else
                loop.end = transport.End();
            transport.SetLoopSettings(loop);
            InvalidateView(kSongPositionView);
            return;
        }
        if (layout_.Element(element::kPositionThumb).Contains(local.x(), local.y())) {
            emit commandRequested(kJumpToCommand);
            return;
        }
    }
    for (int e = element::kLoopBeginButton; e <= element::kHoldFastForward; ++e) {
        if (e == element::kLoopButton && playing) continue;
        if (!PressTest(e, local)) continue;
        PressButton(kSongPositionView, e);
        if (e == element::kHoldRewind || e == element::kHoldFastForward) StartHeldAction(e);
        return;
    }
    if (layout_.Element(element::kPositionThumb).Contains(local.x(), local.y())) {
        StartSliderDrag(kSongPositionView, element::kPositionThumb, local);
        return;
    }
    if (layout_.Element(element::kPositionBar).Contains(local.x(), local.y())) {
        JumpByBarClick(local);
        return;
    }
    StartViewDrag(kSongPositionView);
}

void ViewBoard::ClickCurrentTempo(QPoint local, bool doubleClick) {
    const bool playing = Playing(engine_);
    const bool onButton = PressTest(element::kMetronomeButton, local);
    if (doubleClick) {
        if (onButton && !playing) {
            engine_.GetTransport().ToggleMetronome();
            UpdateLitButtons();
            emit commandRequested(kMetronomeCommand);
            return;
        }
        if (!onButton) {
            if (!playing)
                emit commandRequested(kTempoCommand);
            else
                StartViewDrag(kCurrentTempoView);
            return;
        }
    }
    if (onButton) {
        PressButton(kCurrentTempoView, element::kMetronomeButton);
        return;
    }
    StartViewDrag(kCurrentTempoView);
}

void ViewBoard::ClickMasterTempo(QPoint local, bool doubleClick) {
    Transport& transport = engine_.GetTransport();
    const bool onThumb = layout_.Element(element::kMasterTempoThumb).Contains(local.x(), local.y());
    const TransportMode mode = transport.Mode();
    if (doubleClick) {
        if (onThumb) {
            MasterSettings master = transport.Master();
            master.speed = kOwnTempoSpeed;
            transport.SetMasterSettings(master);
            PlaceThumbs();
            return;
        }
        if (!mode.playing) {
            emit commandRequested(kTempoCommand);
            return;
        }
    }
    // While following, the soloist sets the tempo.
    const bool mayDrag = !mode.playing || mode.playingFile || mode.fastForward;
    if (onThumb && mayDrag) {
        StartSliderDrag(kMasterTempoView, element::kMasterTempoThumb, local);
        return;
    }
    StartViewDrag(kMasterTempoView);
}

void ViewBoard::ClickMasterVolume(QPoint local, bool doubleClick) {
    Transport& transport = engine_.GetTransport();
    const bool onThumb =
        layout_.Element(element::kMasterVolumeThumb).Contains(local.x(), local.y());
    if (onThumb && doubleClick) {
        MasterSettings master = transport.Master();
        master.volume = 256;
        transport.SetMasterSettings(master);
        PlaceThumbs();
        return;
    }
    if (onThumb) {
        StartSliderDrag(kMasterVolumeView, element::kMasterVolumeThumb, local);
        return;
    }
    StartViewDrag(kMasterVolumeView);
}

void ViewBoard::ClickTracks(QPoint local, bool shift, bool doubleClick) {
    const Piece* piece = engine_.CurrentPiece();
    const Transport& transport = engine_.GetTransport();
    const bool playing = transport.Mode().playing;
    const bool followNotes = engine_.Following().followSource == FollowSource::SoloistsPlaying;
    if (layout_.Scrolls()) {
        for (const int e : {element::kScrollLeft, element::kScrollRight}) {
            if (layout_.Element(e).Contains(local.x(), local.y())) {
                if (layout_.State(e) != kStateLit) PressButton(kTracksView, e);
                return;
            }
        }
    }
    for (int column = 0; column < layout_.VisibleColumns(); ++column) {
        const int track = layout_.FirstTrack() + column;
        if (piece == nullptr || track >= piece->TrackCount()) break;
        const int left = layout_.ColumnLeft(column);
        const QPoint at = local - QPoint(left, 0);
        if (layout_.Element(element::kPlayLamp).Contains(at.x(), at.y())) {
            if (doubleClick) {
                SoloTrack(track);
                return;
            }
            PressButton(kTracksView, element::kPlayLamp, PressedKind::PlayLamp, track);
            return;
        }
        if (layout_.Element(element::kFollowLamp).Contains(at.x(), at.y())) {
            if (doubleClick && !playing) {
                if (followNotes) engine_.SetFollowingOptions(followBeforeClick_);
                InvalidateView(kTracksView);
                emit commandRequested(kFollowingCommand);
                return;
            }
            if (!playing && followNotes) {
                followBeforeClick_ = engine_.Following();
                PressButton(kTracksView, element::kFollowLamp, PressedKind::FollowLamp, track);
                shiftAtPress_ = shift;
                return;
            }
            break;
        }
        const Box travel = layout_.Element(element::kTrackVolumeTravel);
        Box thumb = layout_.Element(element::kTrackVolumeThumb);
        thumb = thumb.Moved(0, -TrackVolumeThumbRise(thumb.top - travel.top,
                                                     piece->tracks[std::size_t(track)].volume));
        if (thumb.Contains(at.x(), at.y())) {
            if (doubleClick) {
                engine_.CurrentPiece()->tracks[std::size_t(track)].volume = 256;
                InvalidateView(kTracksView);
                return;
            }
            StartSliderDrag(kTracksView, element::kTrackVolumeThumb, local, track);
            return;
        }
    }
    StartViewDrag(kTracksView);
}

// --- lamps -----------------------------------------------------------------------

bool ViewBoard::PlayLampLocked(int track) {
    const Transport& transport = engine_.GetTransport();
    const FollowingOptions& following = engine_.Following();
    const bool isFollowing = track == following.followTrack1 ||
                             (following.twoFollowTracks && track == following.followTrack2);
    const TransportMode mode = transport.Mode();
    if (mode.following && following.followSource == FollowSource::SoloistsPlaying && isFollowing)
        return true;
    return mode.playingPerformance &&
           transport.Performance().playMode == PerformancePlayMode::Overwrite &&
           track == following.followTrack1;
}

void ViewBoard::SoloTrack(int track) {
    Piece* piece = engine_.CurrentPiece();
    Transport& transport = engine_.GetTransport();
    const int count = piece->TrackCount();
    int playing = 0;
    bool trackPlays = false;
    for (int i = 0; i < count; ++i) {
        if (piece->tracks[std::size_t(i)].playFlag == 0) continue;
        ++playing;
        if (i == track) trackPlays = true;
    }
    const bool everyTrack = playing == 0 || (playing == 1 && trackPlays);
    for (int i = 0; i < count; ++i) {
        if (PlayLampLocked(i)) continue;
        transport.SetTrackPlaying(i, everyTrack || i == track);
    }
    InvalidateView(kTracksView);
}

void ViewBoard::ChooseFollowTrack(int track, bool shift) {
    FollowingOptions options = engine_.Following();
    const FollowingOptions before = options;
    if (!shift) {
        options.followTrack1 = std::int16_t(track);
        options.twoFollowTracks = false;
    } else if (track == options.followTrack1) {
        if (options.twoFollowTracks) {
            options.followTrack1 = options.followTrack2;
            options.twoFollowTracks = false;
        }
    } else if (options.twoFollowTracks && track == options.followTrack2) {
        options.twoFollowTracks = false;
    } else {
        options.followTrack2 = options.followTrack1;
        options.followTrack1 = std::int16_t(track);
        options.twoFollowTracks = true;
    }
    if (options == before) return;
    engine_.SetFollowingOptions(options);
    InvalidateView(kTracksView);
    repaint();
}

// --- sliders ---------------------------------------------------------------------

void ViewBoard::StartSliderDrag(int view, int thumb, QPoint local, int track) {
    slider_ = SliderDrag{};
    slider_.active = true;
    slider_.view = view;
    slider_.thumb = thumb;
    slider_.track = track;
    if (track >= 0) {
        const int left = layout_.ColumnLeft(track - layout_.FirstTrack());
        const Box travel = layout_.Element(element::kTrackVolumeTravel);
        Box t = layout_.Element(element::kTrackVolumeThumb);
        t = t.Moved(
            left, -TrackVolumeThumbRise(t.top - travel.top,
                                        engine_.CurrentPiece()->tracks[std::size_t(track)].volume));
        slider_.startThumb = t;
        slider_.travel = travel.Moved(left, 0);
    } else {
        slider_.startThumb = layout_.Element(thumb);
        const int travel = thumb == element::kPositionThumb      ? element::kPositionTravel
                           : thumb == element::kMasterTempoThumb ? element::kMasterTempoTravel
                                                                 : element::kMasterVolumeTravel;
        slider_.travel = layout_.Element(travel);
    }
    slider_.thumbNow = slider_.startThumb;
    const bool horizontal = thumb == element::kPositionThumb;
    const Box& tr = slider_.travel;
    slider_.allowed = horizontal ? Box{tr.left - 50, tr.top - 20, tr.right + 50, tr.bottom + 20}
                                 : Box{tr.left - 20, tr.top - 50, tr.right + 20, tr.bottom + 50};
    slider_.grabX = local.x() - slider_.startThumb.left;
    slider_.grabY = local.y() - slider_.startThumb.top;
    // While playing, the position is applied only when the thumb is let go.
    slider_.deferred = horizontal && Playing(engine_);
    InvalidateView(view);
}

void ViewBoard::MoveSlider(QPoint local) {
    Box next = slider_.startThumb;
    if (slider_.allowed.Contains(local.x(), local.y())) {
        const Box& tr = slider_.travel;
        if (slider_.thumb == element::kPositionThumb) {
            const int left =
                std::clamp(local.x() - slider_.grabX, tr.left, tr.right - next.Width());
            next = next.Moved(left - next.left, 0);
        } else {
            const int top =
                std::clamp(local.y() - slider_.grabY, tr.top, tr.bottom - next.Height());
            next = next.Moved(0, top - next.top);
        }
    }
    if (next == slider_.thumbNow) return;
    slider_.thumbNow = next;
    if (slider_.track < 0) layout_.Element(slider_.thumb) = next;
    if (!slider_.deferred) ApplySlider(false);
    InvalidateView(slider_.view);
}

void ViewBoard::ApplySlider(bool final) {
    Transport& transport = engine_.GetTransport();
    const Box& thumb = slider_.thumbNow;
    const Box& tr = slider_.travel;
    if (slider_.thumb == element::kPositionThumb) {
        const ScorePosition position = SongPositionFromThumb(
            thumb.left - tr.left, tr.Width() - thumb.Width(), transport.End());
        if (!slider_.deferred || final) {
            if (transport.Mode().playing) transport.Stop();
            transport.JumpTo(position);
        }
    } else {
        const int offset = tr.bottom - thumb.bottom;
        const int span = tr.Height() - thumb.Height();
        if (slider_.track >= 0) {
            Piece* piece = engine_.CurrentPiece();
            piece->tracks[std::size_t(slider_.track)].volume =
                std::int16_t(TrackVolumeFromThumb(offset, span));
            InvalidateView(kTracksView);
        } else {
            MasterSettings master = transport.Master();
            if (slider_.thumb == element::kMasterTempoThumb)
                master.speed = SpeedFactor(TempoScaleFromThumb(offset, span));
            else
                master.volume = std::int16_t(MasterVolumeFromThumb(offset, span));
            transport.SetMasterSettings(master);
            InvalidateView(slider_.view);
        }
    }
    if (final) {
        slider_.active = false;
        InvalidateView(slider_.view);
        PlaceThumbs();
        PositionChanged();
    }
}

void ViewBoard::JumpByBarClick(QPoint local) {
    Transport& transport = engine_.GetTransport();
    const std::vector<ScorePosition> points = RehearsalPointsForTransport(engine_.Markers());
    if (!points.empty()) {
        if (local.x() < layout_.Element(element::kPositionThumb).right)
            transport.JumpBack();
        else
            transport.JumpAhead();
        return;
    }
    const Box travel = layout_.Element(element::kPositionTravel);
    const int thumbWidth = layout_.Element(element::kPositionThumb).Width();
    const ScorePosition position = SongPositionFromBarClick(
        local.x(), travel.left, thumbWidth, travel.Width() - thumbWidth, transport.End());
    if (transport.Mode().playing) transport.Stop();
    transport.JumpTo(position);
    PlaceThumbs();
}

// --- moving views ----------------------------------------------------------------

void ViewBoard::StartViewDrag(int view) {
    if (!allowViewsToMove_ || (requireShiftDrag_ && !shiftAtPress_)) return;
    viewDrag_ = ViewDrag{true, view, pressPoint_, pressPoint_};
    update();
}

}  // namespace ostinel::views
