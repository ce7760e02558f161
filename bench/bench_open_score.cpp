// Time to open the largest shared MusicXML score as a piece: read, unfold,
// write as a MIDI file in memory and read that. The budget is 100 ms.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "musicxml/musicxml_import.h"
#include "sequence/piece.h"

namespace {

// The largest score in the shared folder beside the source tree; empty when
// the folder is not there.
std::string LargestSharedScore() {
    const std::filesystem::path folder =
        std::filesystem::path(OSTINEL_SOURCE_DIR) / ".." / "shared" / "musicxml";
    std::error_code error;
    std::string largest;
    std::uintmax_t largestSize = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".musicxml" && extension != ".mxl") continue;
        if (entry.file_size() > largestSize) {
            largestSize = entry.file_size();
            largest = entry.path().string();
        }
    }
    return largest;
}

void OpenLargestScore(benchmark::State& state) {
    static const std::string path = LargestSharedScore();
    if (path.empty()) {
        state.SkipWithError("no shared MusicXML scores beside the source tree");
        return;
    }
    ostinel::Piece piece;
    for (auto _ : state) {
        if (ostinel::OpenMusicXmlPiece(path, piece) != ostinel::LoadResult::Loaded) {
            state.SkipWithError("the score did not load");
            return;
        }
        benchmark::DoNotOptimize(piece.tracks.data());
    }
    std::size_t notes = 0;
    for (const ostinel::Track& track : piece.tracks)
        notes += track.events.size() / 2;
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.counters["notes"] = static_cast<double>(notes);
    state.SetLabel(std::filesystem::path(path).filename().string());
}
BENCHMARK(OpenLargestScore)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
