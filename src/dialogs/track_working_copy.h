#pragma once

// What the Tracks and Banks & Programs dialogs edit of each file track,
// copied when the dialog opens so that Cancel leaves the piece as it was.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sequence/piece.h"

namespace ostinel::dialogs {

struct TrackEdit {
    std::optional<std::string> userName;
    std::int16_t volume = 256;
    std::int16_t channel = 0;
    std::int16_t port = 0;
    std::int16_t transpose = 0;
    std::uint8_t playFlag = 1;
    std::uint8_t substituteFlag = 0;
    // The substitute of each patch table entry.
    std::array<Patch, kMaxPatchEntries> substitutes{};
};

TrackEdit EditOf(const Track& track);

// One edit per file track, the performance track left out.
std::vector<TrackEdit> MakeWorkingCopy(const Piece& piece);

// Everything but the play flag, which the transport turns while it plays.
void CopyEditBack(const TrackEdit& edit, Track& live);

}  // namespace ostinel::dialogs
