#pragma once

// The track chunks of a saved performance, each appended to the file's bytes.
// main thread. Each throws std::bad_alloc.

#include <cstdint>
#include <vector>

#include "playback/performance_tempo.h"
#include "sequence/piece.h"

namespace ostinel {

// The conductor chunk: the piece's meta events, system-exclusive messages and
// time signatures, and `tempos` where they change.
void WriteConductor(std::vector<std::uint8_t>& out, const Piece& piece, const TempoMap& tempos);

// One of the piece's tracks as it was read.
void WriteTrack(std::vector<std::uint8_t>& out, const Piece& piece, const Track& track);

// The recorded performance, as it was played.
void WritePerformanceTrack(std::vector<std::uint8_t>& out, const Piece& piece,
                           const Track& performance);

// The following track up to the punch start, the performance on its channel
// up to the punch end, and the following track again from there.
void WritePunchedIn(std::vector<std::uint8_t>& out, const Piece& piece, const Track& following,
                    const Track& performance, const PunchSection& punch);

}  // namespace ostinel
