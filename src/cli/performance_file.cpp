#include "cli/performance_file.h"

#include <cstdio>

#include "sequence/recorded_performance.h"

namespace ostinel::cli {
namespace {

// A division with its high bit set counts SMPTE frames, which no tempo turns into time.
bool CountsBeats(std::uint16_t division) {
    return division != 0 && (division & 0x8000) == 0;
}

std::string Problem(const std::string& path, LoadResult result, int failedChunk) {
    const std::string start = "The performance " + path;
    if (result == LoadResult::NotFound) return start + " could not be opened.";
    // A file that was read is refused only for its division.
    if (result == LoadResult::Loaded) return start + " does not count its time in beats.";
    if (failedChunk != 0) {
        return start + " is damaged in track " + std::to_string(failedChunk) + ".";
    }
    return start + " is not a MIDI file.";
}

}  // namespace

bool ReadPerformanceFile(const std::string& path, int onlyTrack,
                         std::vector<PlayedMessage>& messages, std::string& error) {
    RecordedPerformance performance;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    LoadResult result = LoadResult::NotFound;
    if (file != nullptr) {
        result = ReadRecordedPerformance(file, performance);
        std::fclose(file);
    }
    if (result != LoadResult::Loaded || !CountsBeats(performance.division)) {
        error = Problem(path, result, performance.failedChunk);
        return false;
    }
    messages.clear();
    for (const RecordedMessage& message : performance.messages) {
        if (onlyTrack != 0 && message.chunk != onlyTrack) continue;
        const std::uint32_t word = message.status | (std::uint32_t{message.data1} << 8) |
                                   (std::uint32_t{message.data2} << 16);
        messages.push_back(PlayedMessage{message.timeMs, word, message.chunk});
    }
    return true;
}

}  // namespace ostinel::cli
