#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostinel::cli {

// One short message of a recorded performance at the time it was played.
struct PlayedMessage {
    std::uint32_t timeMs = 0;
    std::uint32_t word = 0;  // status | data1 << 8 | data2 << 16, as the input delivers it
    int track = 0;           // the track chunk it came from, numbered from 1
};

// Reads every channel message of a Standard MIDI File with its time in
// milliseconds, through the reader that opens pieces (ReadRecordedPerformance).
// `onlyTrack` (from 1) keeps one track chunk's messages; 0 keeps all. False
// with `error` in plain words when the file cannot be read.
bool ReadPerformanceFile(const std::string& path, int onlyTrack,
                         std::vector<PlayedMessage>& messages, std::string& error);

}  // namespace ostinel::cli
