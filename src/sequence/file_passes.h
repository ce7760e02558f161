#pragma once

// The two passes of the file reader over its track chunks.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sequence/buffered_reader.h"
#include "sequence/patch_table.h"
#include "sequence/piece.h"
#include "sequence/sysex_collector.h"

namespace ostinel {

// The conductor pass over the first chunk: tempo map, meter list, initial key
// and meter, the conductor meta stream and the system-exclusive messages (at
// their ticks). Channel events are skipped. Leaves the tempo map and meter
// list open.
LoadResult ReadConductorChunk(BufferedReader& in, Piece& piece, SysExCollector& sysEx);

// What the track pass keeps across the chunks of one file.
struct TrackPassState {
    // The MIDI port names (meta 0x21) seen so far, in order, at most 8.
    std::vector<std::string> portNames;
    int newPortNames = 0;            // every name not in the list counts, even beyond 8
    std::uint64_t longestEndUs = 0;  // the microsecond sum at the end of the longest chunk
};

// Where the track pass puts a chunk's channel events: into one track (format
// 1), or into sixteen, one per channel (the other formats).
struct ChunkTargets {
    std::span<Track> tracks;
    std::span<PatchContext> patchContexts;  // one per track
    bool splitByChannel = false;
};

// The track pass over one chunk: channel events with their times in ms,
// patches, port, names, and (except in format 0) the system-exclusive messages.
LoadResult ReadTrackChunk(BufferedReader& in, Piece& piece, ChunkTargets targets,
                          SysExCollector& sysEx, TrackPassState& state);

}  // namespace ostinel
