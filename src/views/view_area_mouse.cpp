// The views' mouse handling: buttons pressed and released, sliders dragged,
// lamps clicked and views moved.

#include <QMouseEvent>
#include <algorithm>

#include "app/command_ids.h"
#include "views/slider_values.h"
#include "views/view_area.h"

namespace ostinel::views {

namespace {

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

void ViewArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        engine_.Keys().SetRightButtonDown(true);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    OnMouseDown(DesignPoint(event->position().toPoint()),
                event->modifiers().testFlag(Qt::ShiftModifier), false);
    emit engineTouched();
}

void ViewArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    OnMouseDown(DesignPoint(event->position().toPoint()),
                event->modifiers().testFlag(Qt::ShiftModifier), true);
    emit engineTouched();
}

void ViewArea::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove(DesignPoint(event->position().toPoint())))
        emit engineTouched();
    else
        QWidget::mouseMoveEvent(event);
}

void ViewArea::mouseReleaseEvent(QMouseEvent* event) {
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

void ViewArea::OnMouseDown(QPoint point, bool shift, bool doubleClick) {
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

void ViewArea::ClickView(int view, QPoint local, bool shift, bool doubleClick) {
    switch (view) {
        case kTitleView:
            if (doubleClick)
                emit commandRequested(command::kGetFileInfo);
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
                emit commandRequested(command::kJumpTo);
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

bool ViewArea::PressTest(int elementIndex, QPoint local) const {
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

void ViewArea::PressButton(int view, int elementIndex, PressedKind kind, int track) {
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

void ViewArea::StartHeldAction(int elementIndex) {
    Transport& transport = engine_.GetTransport();
    if (elementIndex == element::kHoldRewind && !transport.Mode().rewinding) transport.Rewind();
    if (elementIndex == element::kHoldFastForward && !transport.Mode().fastForward)
        transport.FastForward();
    if (elementIndex == element::kPreview) transport.Preview();
}

void ViewArea::StopHeldAction(int elementIndex) {
    Transport& transport = engine_.GetTransport();
    const TransportMode mode = transport.Mode();
    if ((elementIndex == element::kHoldRewind && mode.rewinding) ||
        (elementIndex == element::kHoldFastForward && mode.fastForward) ||
        (elementIndex == element::kPreview && mode.previewing))
        transport.Stop();
}

bool ViewArea::OnMouseMove(QPoint point) {
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

bool ViewArea::OnMouseUp(QPoint point) {
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

void ViewArea::ReleaseButton() {
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

// --- moving views ----------------------------------------------------------------

void ViewArea::StartViewDrag(int view) {
    // "Allow Views to Move" and "Require SHIFT-Drag to Move", as the Display
    // Preferences and the loaded settings left them.
    const SystemSettings& preferences = engine_.SystemRecord();
    if (preferences.allowViewsToMove == 0 || (preferences.requireShiftDrag != 0 && !shiftAtPress_))
        return;
    viewDrag_ = ViewDrag{true, view, pressPoint_, pressPoint_};
    update();
}

}  // namespace ostinel::views
