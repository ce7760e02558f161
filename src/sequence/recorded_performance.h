#pragma once

// Reads a recorded performance from a Standard MIDI File: every channel
// message of every track chunk, timed through the tempo map as the piece
// reader times a piece's events.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "sequence/piece.h"

namespace ostinel {

// One channel message of a recorded performance at the time it was played.
struct RecordedMessage {
    std::uint32_t timeMs = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;  // 0 for program change and channel pressure
    int chunk = 0;           // the track chunk it came from, numbered from 1
};

struct RecordedPerformance {
    std::uint16_t division = 0;  // as the header chunk gives it, once it was read
    // In the order they were played; messages of the same tick keep the order
    // of their chunks.
    std::vector<RecordedMessage> messages;
    // After a failure: the track chunk that could not be read (from 1), or 0
    // when the header chunk could not be.
    int failedChunk = 0;
};

// Reads `file`, an open stream at its start, into `performance`. Unlike a
// piece, a performance keeps its notes wherever they are, the first track
// chunk included, each message with its own channel, and its program changes
// as they were played. Tempo changes are those of the first track chunk.
// Does not close the stream.
// main thread
LoadResult ReadRecordedPerformance(std::FILE* file, RecordedPerformance& performance);

}  // namespace ostinel
