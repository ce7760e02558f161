// Feeds arbitrary bytes to the MIDI file reader. Besides crashes, hangs and
// leaks, it stops on a loaded piece that breaks what playback relies on.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sequence/midi_file_reader.h"
#include "sequence/piece.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckLoadedPiece(const ostinel::Piece& piece) {
    using namespace ostinel;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen wants a writable buffer of at least one byte.
    std::vector<std::uint8_t> bytes(data, data + size);
    bytes.push_back(0);
    std::FILE* file = fmemopen(bytes.data(), size == 0 ? 1 : size, "rb");
    if (file == nullptr) return 0;
    if (size == 0) std::fgetc(file);  // an empty file: nothing left to read
    ostinel::Piece piece;
    if (ostinel::ReadPiece(file, piece) == ostinel::LoadResult::Loaded) CheckLoadedPiece(piece);
    std::fclose(file);
    return 0;
}
