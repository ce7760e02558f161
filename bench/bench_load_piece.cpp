// Time to open a large piece: about 1 MB, 250 000 events over 16 tracks,
// written with running status the way sequencers save long files.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sequence/piece.h"
#include "smf_builder.h"

namespace {

constexpr int kTracks = 16;
constexpr int kNotesPerTrack = 7800;  // note on and off each: 15 600 events

ostinel::smf::FileBuilder LargePiece() {
    ostinel::smf::FileBuilder file(1, 480);
    file.AddTrack().TrackName(0, "Conductor").Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    for (int t = 0; t < kTracks; ++t) {
        ostinel::smf::TrackBuilder& track = file.AddTrack();
        const int channel = t % 16;
        track.TrackName(0, "Part " + std::to_string(t + 1)).ProgramChange(0, channel, t * 7 % 128);
        track.Controller(0, channel, 7, 100);
        int key = 40 + t;
        for (int n = 0; n < kNotesPerTrack; ++n) {
            if (n % 64 == 0) track.Controller(0, channel, 64, n % 128 < 64 ? 127 : 0);
            if (n % 64 == 0)
                track.NoteOn(0, channel, key, 90);  // status again after the controller
            else
                track.Running(n % 4 == 0 ? 0 : 200, {static_cast<std::uint8_t>(key), 90});
            track.Running(n % 16 == 0 ? 240 : 180, {static_cast<std::uint8_t>(key), 0});
            key = 40 + (key - 40 + 7) % 48;
        }
        track.EndOfTrack();
    }
    return file;
}

class LargePieceFile {
  public:
    LargePieceFile()
        : path_(
              (std::filesystem::temp_directory_path() / "ostinel_bench_load_piece.mid").string()) {
        const ostinel::smf::Bytes bytes = LargePiece().Build();
        size_ = bytes.size();
        ok_ = LargePiece().WriteFile(path_);
    }
    ~LargePieceFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }
    std::size_t Size() const { return size_; }
    bool Ok() const { return ok_; }

  private:
    std::string path_;
    std::size_t size_ = 0;
    bool ok_ = false;
};

std::size_t StorageBytes(const ostinel::Piece& piece, std::size_t& events) {
    std::size_t bytes = sizeof(ostinel::Piece);
    events = 0;
    for (const ostinel::Track& track : piece.tracks) {
        bytes += sizeof(track) + track.events.capacity() * sizeof(ostinel::TrackEvent) +
                 track.name.capacity();
        events += track.events.size();
    }
    bytes += piece.tempoMap.capacity() * sizeof(ostinel::TempoRecord) +
             piece.meters.capacity() * sizeof(ostinel::MeterRecord) +
             piece.conductorMeta.capacity() +
             piece.sysExList.capacity() * sizeof(ostinel::SysExRecord) +
             piece.beatMap.capacity() * sizeof(ostinel::BeatRecord);
    return bytes;
}

void OpenLargePiece(benchmark::State& state) {
    static const LargePieceFile file;
    if (!file.Ok()) {
        state.SkipWithError("cannot write the temporary piece");
        return;
    }
    ostinel::Piece piece;
    for (auto _ : state) {
        if (ostinel::OpenPiece(file.Path(), piece) != ostinel::LoadResult::Loaded) {
            state.SkipWithError("the piece did not load");
            return;
        }
        benchmark::DoNotOptimize(piece.tracks.data());
    }
    std::size_t events = 0;
    const std::size_t storage = StorageBytes(piece, events);
    state.counters["events"] = static_cast<double>(events);
    state.counters["file_bytes"] = static_cast<double>(file.Size());
    state.counters["storage_bytes_per_event"] =
        static_cast<double>(storage) / static_cast<double>(events);
    state.counters["events_per_second"] =
        benchmark::Counter(static_cast<double>(events) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(OpenLargePiece)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
