// Clicks on the transport, position, tempo and volume views: which key,
// thumb or bar a press meets, and what a double click there does.

#include <algorithm>

#include "app/command_ids.h"
#include "views/view_area.h"

namespace ostinel::views {

// The loop begins (or ends) at the position; a point beyond the other one
// swaps them.
void ViewArea::SetLoopPoint(bool begin) {
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

void ViewArea::ClickMainTransport(QPoint local, bool doubleClick) {
    Transport& transport = engine_.GetTransport();
    for (int e = element::kRewind; e <= element::kFastForward; ++e) {
        if (!PressTest(e, local)) continue;
        if (doubleClick && (e == element::kRewind || e == element::kFastForward)) {
            transport.Stop();
            transport.JumpTo(e == element::kRewind ? ScorePosition{} : transport.End());
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

void ViewArea::ClickSongPosition(QPoint local, bool doubleClick) {
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
            emit commandRequested(command::kLoopMode);
            return;
        }
        if (!playing && (PressTest(element::kLoopBeginButton, local) ||
                         PressTest(element::kLoopEndButton, local))) {
            const bool begin = PressTest(element::kLoopBeginButton, local);
            LoopSettings loop = transport.Loop();
            if (loopSwapped_) std::swap(loop.begin, loop.end);
            loopSwapped_ = false;
            if (begin)
                loop.begin = ScorePosition{0};
            else
                loop.end = transport.End();
            transport.SetLoopSettings(loop);
            InvalidateView(kSongPositionView);
            return;
        }
        if (layout_.Element(element::kPositionThumb).Contains(local.x(), local.y())) {
            emit commandRequested(command::kJumpTo);
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

void ViewArea::ClickCurrentTempo(QPoint local, bool doubleClick) {
    const bool playing = engine_.GetTransport().Mode().playing;
    const bool onButton = PressTest(element::kMetronomeButton, local);
    if (doubleClick) {
        if (onButton && !playing) {
            engine_.GetTransport().ToggleMetronome();
            UpdateLitButtons();
            emit commandRequested(command::kMidiMetronome);
            return;
        }
        if (!onButton) {
            if (!playing)
                emit commandRequested(command::kTempo);
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

void ViewArea::ClickMasterTempo(QPoint local, bool doubleClick) {
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
            emit commandRequested(command::kTempo);
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

void ViewArea::ClickMasterVolume(QPoint local, bool doubleClick) {
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

}  // namespace ostinel::views
