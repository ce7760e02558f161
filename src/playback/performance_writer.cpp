#include "playback/performance_writer.h"

#include <new>

#include "playback/performance_tempo_map.h"
#include "playback/performance_tracks.h"
#include "sequence/midi_file_writer.h"
#include "sequence/smf_codec.h"
#include "strings/string_ids.h"

namespace ostinel {

int PerformanceWriteMessage(PerformanceWriteResult result) {
    return result == PerformanceWriteResult::Written ? 0 : string_id::kCannotSaveFile;
}

std::string DefaultPerformanceFileName(std::string_view prefix, std::string_view pieceName,
                                       std::string_view fileTitle) {
    std::string name(prefix);
    name += pieceName.empty() ? fileTitle : pieceName;
    name += ".mid";
    return name;
}

std::vector<std::uint8_t> EncodePerformanceFile(const Piece& piece,
                                                const PerformanceTempoList& list,
                                                const PunchSection& punch,
                                                const PerformanceSaveOptions& options) {
    const TempoMap tempos = BuildOutputTempoMap(piece, list, options.tempos);
    const int fileTracks = piece.TrackCount();
    const bool notes = options.source == FollowSource::SoloistsPlaying;
    const bool punchIn = notes && options.playMode == PerformancePlayMode::PunchIn;
    const bool writeFollowing = !notes || options.playMode != PerformancePlayMode::Overwrite;
    const bool writePerformance =
        !piece.tracks.empty() && (notes ? options.playMode == PerformancePlayMode::SoundOnSound ||
                                              options.playMode == PerformancePlayMode::Overwrite
                                        : options.playTappedNotes);
    const auto written = [&](int track) { return track != options.followTrack || writeFollowing; };

    int chunks = 1 + (writePerformance ? 1 : 0);
    for (int track = 0; track < fileTracks; ++track)
        chunks += written(track) ? 1 : 0;

    std::vector<std::uint8_t> out =
        HeaderChunk(1, static_cast<std::uint16_t>(chunks), piece.division);
    WriteConductor(out, piece, tempos);
    for (int index = 0; index < fileTracks; ++index) {
        if (!written(index)) continue;
        const Track& track = piece.tracks[static_cast<std::size_t>(index)];
        if (punchIn && index == options.followTrack) {
            WritePunchedIn(out, piece, track, piece.PerformanceTrack(), punch);
        } else {
            WriteTrack(out, piece, track);
        }
    }
    if (writePerformance) WritePerformanceTrack(out, piece, piece.PerformanceTrack());
    return out;
}

PerformanceWriteResult WritePerformanceFile(
    const std::string& path, const Piece& piece, const PerformanceTempoList& list,
    const PunchSection& punch, const PerformanceSaveOptions& options,
    const std::function<void(const std::string&)>& storePieceSettings) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = EncodePerformanceFile(piece, list, punch, options);
    } catch (const std::bad_alloc&) {
        return PerformanceWriteResult::OutOfMemory;
    }
    std::string error;
    // Nothing is put at `path` unless the whole file could be written.
    if (!WriteMidiFile(path, bytes, error)) return PerformanceWriteResult::CreateFailed;
    if (storePieceSettings) storePieceSettings(path);
    return PerformanceWriteResult::Written;
}

}  // namespace ostinel
