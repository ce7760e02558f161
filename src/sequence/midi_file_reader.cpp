#include "sequence/midi_file_reader.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "sequence/beat_map.h"
#include "sequence/buffered_reader.h"
#include "sequence/chunk_events.h"
#include "sequence/file_passes.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

constexpr int kChannels = 16;

// Format 1: each further chunk is one track. A chunk without channel events
// is dropped at once rather than kept until the end: nothing else refers to it.
LoadResult ReadTrackPerChunk(BufferedReader& in, Piece& piece, int fileTracks,
                             SysExCollector& sysEx, TrackPassState& state) {
    // Events are gathered in one growing block and copied out at their exact
    // size, so each track is allocated once instead of at every doubling.
    std::vector<TrackEvent> staging;
    for (int i = 0; i < fileTracks; ++i) {
        piece.tracks.emplace_back();
        Track& track = piece.tracks.back();
        track.events = std::move(staging);
        track.events.clear();
        PatchContext context;
        const ChunkTargets targets{std::span<Track>(&track, 1),
                                   std::span<PatchContext>(&context, 1), false};
        if (LoadResult result = ReadTrackChunk(in, piece, targets, sysEx, state);
            result != LoadResult::Loaded) {
            return result;
        }
        staging = std::move(track.events);
        if (staging.empty()) {
            piece.tracks.pop_back();
        } else {
            track.events.assign(staging.begin(), staging.end());
        }
    }
    return LoadResult::Loaded;
}

// Formats 0 and 2 (and any other number): one chunk split into a track per
// channel. Format 0 reads its only chunk a second time for this.
LoadResult ReadTracksByChannel(BufferedReader& in, Piece& piece, const HeaderChunkFields& header,
                               SysExCollector& sysEx, TrackPassState& state) {
    if (piece.format == 0 && !in.Seek(FirstTrackChunkAt(header))) return LoadResult::WrongFormat;
    piece.tracks.resize(kChannels);
    std::array<PatchContext, kChannels> contexts{};
    const ChunkTargets targets{std::span<Track>(piece.tracks), std::span<PatchContext>(contexts),
                               true};
    if (LoadResult result = ReadTrackChunk(in, piece, targets, sysEx, state);
        result != LoadResult::Loaded) {
        return result;
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        piece.tracks[static_cast<std::size_t>(channel)].fileChannel =
            static_cast<std::int16_t>(channel);
    }
    piece.tracks.erase(std::remove_if(piece.tracks.begin(), piece.tracks.end(),
                                      [](const Track& track) { return track.events.empty(); }),
                       piece.tracks.end());
    return LoadResult::Loaded;
}

void FinishTracks(Piece& piece) {
    for (std::size_t i = 0; i < piece.tracks.size(); ++i) {
        Track& track = piece.tracks[i];
        track.events.shrink_to_fit();
        track.count = static_cast<std::int32_t>(track.events.size());
        track.nextIndex = 0;
        // Until piece settings say otherwise, a track plays on the channel it was written for.
        track.channel = track.fileChannel;
        if (track.name.empty()) track.name = "Track " + std::to_string(i + 1);
    }
    Track performance;
    performance.substituteFlag = 1;
    performance.name = "(Performance Track)";
    piece.tracks.push_back(std::move(performance));
}

LoadResult ReadAll(BufferedReader& in, Piece& piece) {
    HeaderChunkFields header;
    if (LoadResult result = ReadHeaderChunk(in, piece, header); result != LoadResult::Loaded) {
        return result;
    }
    SysExCollector sysEx(piece);
    if (LoadResult result = ReadConductorChunk(in, piece, sysEx); result != LoadResult::Loaded) {
        return result;
    }
    CloseTempoMap(piece.tempoMap);
    piece.meters.push_back({kEndTick, 0, 0, 0, 0});
    sysEx.ConvertTicksToMs();

    TrackPassState state;
    const LoadResult tracks =
        piece.format == 1
            ? ReadTrackPerChunk(in, piece, std::max(header.chunks - 1, 0), sysEx, state)
            : ReadTracksByChannel(in, piece, header, sysEx, state);
    if (tracks != LoadResult::Loaded) return tracks;
    if (piece.tracks.empty()) return LoadResult::NoChannelEvents;
    FinishTracks(piece);

    piece.tempoMap.shrink_to_fit();
    piece.meters.shrink_to_fit();
    piece.conductorMeta.shrink_to_fit();
    piece.sysExList.shrink_to_fit();
    piece.sysExBuffers.shrink_to_fit();
    sysEx.SortByTime();
    BuildBeatMap(piece, state.longestEndUs);
    piece.beatMap.shrink_to_fit();
    piece.loaded = true;
    return LoadResult::Loaded;
}

}  // namespace

LoadResult ReadPiece(std::FILE* file, Piece& piece) {
    piece = Piece{};
    LoadResult result = LoadResult::OutOfMemory;
    try {
        auto in = std::make_unique<BufferedReader>(file);
        result = ReadAll(*in, piece);
    } catch (const std::bad_alloc&) {
        result = LoadResult::OutOfMemory;
    } catch (const std::length_error&) {
        result = LoadResult::OutOfMemory;
    }
    if (result != LoadResult::Loaded) piece = Piece{};
    return result;
}

}  // namespace ostinel
