// Slider drags (song position, master tempo, master volume, track volume)
// and jumps by clicking the song position bar.

#include <algorithm>

#include "follower/special_markers.h"
#include "views/slider_values.h"
#include "views/view_area.h"

namespace ostinel::views {

// --- sliders ---------------------------------------------------------------------

void ViewArea::StartSliderDrag(int view, int thumb, QPoint local, int track) {
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
    slider_.deferred = horizontal && engine_.GetTransport().Mode().playing;
    InvalidateView(view);
}

void ViewArea::MoveSlider(QPoint local) {
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

void ViewArea::ApplySlider(bool final) {
    Transport& transport = engine_.GetTransport();
    const Box& thumb = slider_.thumbNow;
    const Box& tr = slider_.travel;
    if (slider_.thumb == element::kPositionThumb) {
        const ScorePosition position{SongPositionFromThumb(
            thumb.left - tr.left, tr.Width() - thumb.Width(), transport.End().Ms())};
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

void ViewArea::JumpByBarClick(QPoint local) {
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
    const ScorePosition position{SongPositionFromBarClick(
        local.x(), travel.left, thumbWidth, travel.Width() - thumbWidth, transport.End().Ms())};
    if (transport.Mode().playing) transport.Stop();
    transport.JumpTo(position);
    PlaceThumbs();
}

}  // namespace ostinel::views
