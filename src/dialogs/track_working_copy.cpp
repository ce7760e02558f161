#include "dialogs/track_working_copy.h"

namespace ostinel::dialogs {

TrackEdit EditOf(const Track& track) {
    TrackEdit edit{track.userName,  track.volume,   track.channel,        track.port,
                   track.transpose, track.playFlag, track.substituteFlag, {}};
    for (std::size_t i = 0; i < edit.substitutes.size(); ++i) {
        edit.substitutes[i] = track.patches.entries[i].substitute;
    }
    return edit;
}

std::vector<TrackEdit> MakeWorkingCopy(const Piece& piece) {
    std::vector<TrackEdit> copy;
    copy.reserve(static_cast<std::size_t>(piece.TrackCount()));
    for (int i = 0; i < piece.TrackCount(); ++i) {
        copy.push_back(EditOf(piece.tracks[static_cast<std::size_t>(i)]));
    }
    return copy;
}

void CopyEditBack(const TrackEdit& edit, Track& live) {
    live.userName = edit.userName;
    live.volume = edit.volume;
    live.channel = edit.channel;
    live.port = edit.port;
    live.transpose = edit.transpose;
    live.substituteFlag = edit.substituteFlag;
    for (std::size_t i = 0; i < edit.substitutes.size(); ++i) {
        live.patches.entries[i].substitute = edit.substitutes[i];
    }
}

}  // namespace ostinel::dialogs
