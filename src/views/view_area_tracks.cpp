// The Tracks view's clicks: scroll keys, play lamps (solo by double click),
// follow lamps and track faders.

#include <algorithm>

#include "app/command_ids.h"
#include "views/slider_values.h"
#include "views/view_area.h"

namespace ostinel::views {

void ViewArea::ClickTracks(QPoint local, bool shift, bool doubleClick) {
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
                emit commandRequested(command::kFollowing);
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

bool ViewArea::PlayLampLocked(int track) {
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

void ViewArea::SoloTrack(int track) {
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

void ViewArea::ChooseFollowTrack(int track, bool shift) {
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
    engine_.GetTransport().DiscardPerformance();
    engine_.SetFollowingOptions(options);
    InvalidateView(kTracksView);
    repaint();
}

}  // namespace ostinel::views
