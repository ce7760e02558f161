#pragma once

// What playback relies on in every loaded piece; a fuzzer stops on a piece
// that breaks it.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sequence/piece.h"

namespace ostinel::fuzzing {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline void CheckLoadedPiece(const Piece& piece) {
    Require(piece.loaded && piece.TrackCount() > 0);
    Require(piece.PerformanceTrack().events.empty());
    for (int i = 0; i < piece.TrackCount(); ++i) {
        const Track& track = piece.tracks[static_cast<std::size_t>(i)];
        Require(!track.events.empty());
        Require(track.count == static_cast<std::int32_t>(track.events.size()));
        Require(track.patches.count >= 0 && track.patches.count <= kMaxPatchEntries);
        Require(track.fileChannel >= 0 && track.fileChannel < 16);
        Require(track.filePort >= 0 && track.filePort < 8);
        std::uint32_t previous = 0;
        for (const TrackEvent& event : track.events) {
            Require(event.time >= previous);
            previous = event.time;
            Require(event.data1 < 128 && event.data2 < 128);
            Require(event.time >= piece.firstEventTime && event.time <= piece.lastEventTime);
            if (event.kind == kProgramChange) Require(event.data1 < track.patches.count);
        }
    }
    for (const SysExRecord& record : piece.sysExList) {
        Require(record.bufferIndex < piece.sysExBuffers.size());
        const std::vector<std::uint8_t>& buffer = piece.sysExBuffers[record.bufferIndex];
        Require(buffer.size() >= 2 && buffer.front() == 0xF0 && buffer.back() == 0xF7);
    }
    for (std::size_t i = 1; i < piece.sysExList.size(); ++i) {
        Require(piece.sysExList[i - 1].time <= piece.sysExList[i].time);
    }
    Require(!piece.tempoMap.empty() && piece.tempoMap.back().tick == kEndTick);
    Require(!piece.meters.empty() && piece.meters.back().tick == kEndTick);
    Require(!piece.beatMap.empty() && piece.length > piece.beatMap.back().time);
}

}  // namespace ostinel::fuzzing
