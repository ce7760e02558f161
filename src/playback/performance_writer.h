#pragma once

// Save Performance As: the loaded piece with the soloist's recorded
// performance and the tempos they played, as a new format 1 MIDI file.
// main thread, while the transport is stopped.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "follower/following_options.h"
#include "playback/performance_settings.h"
#include "playback/performance_tempo.h"
#include "playback/performance_tempo_map.h"
#include "sequence/piece.h"

namespace ostinel {

// What decides the tracks and tempos of the saved file.
struct PerformanceSaveOptions {
    FollowSource source = FollowSource::SoloistsPlaying;
    std::int32_t followTrack = 0;  // the (first) following track's index
    PerformancePlayMode playMode = PerformancePlayMode::PunchIn;
    bool playTappedNotes = false;
    PerformanceTempoChoices tempos;
};

enum class PerformanceWriteResult : std::int16_t {
    Written = 0,
    OutOfMemory = 1,
    WriteFailed = 4,
    CreateFailed = 5,
};

// The message to show for a result: 0 when there is none.
int PerformanceWriteMessage(PerformanceWriteResult result);

// The name the save dialog offers: the prefix, the piece's name when it has
// one, else the file title, and ".mid".
std::string DefaultPerformanceFileName(std::string_view prefix, std::string_view pieceName,
                                       std::string_view fileTitle);

// The whole file as bytes. Throws std::bad_alloc.
std::vector<std::uint8_t> EncodePerformanceFile(const Piece& piece,
                                                const PerformanceTempoList& list,
                                                const PunchSection& punch,
                                                const PerformanceSaveOptions& options);

// Writes the file at `path` whole or not at all (an existing file is
// replaced). After a write, `storePieceSettings` is given the new path to put
// the current piece settings into it; what it answers does not change the result.
PerformanceWriteResult WritePerformanceFile(
    const std::string& path, const Piece& piece, const PerformanceTempoList& list,
    const PunchSection& punch, const PerformanceSaveOptions& options,
    const std::function<void(const std::string&)>& storePieceSettings = {});

}  // namespace ostinel
