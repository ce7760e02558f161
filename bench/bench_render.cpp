// How fast `ostinel-cli render` works through a five-minute piece: eight
// tracks of sixteenth notes with expression changes, about 16 events a second
// on each, and a tempo change every sixteen bars. One case plays the piece on
// the manual clock and writes the captured stream file; the other plays that
// stream on the built-in synth into a WAV file, reported as a real-time
// factor (seconds of music per second of wall time).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "cli/captured_stream_file.h"
#include "cli/playback_options.h"
#include "cli/render_command.h"
#include "platform/real/synth/sound_font_search.h"
#include "platform/real/synth/synth_renderer.h"
#include "smf_builder.h"

namespace {

namespace fs = std::filesystem;
using ostinel::smf::FileBuilder;
using ostinel::smf::TrackBuilder;

constexpr int kDivision = 480;
constexpr int kSixteenth = kDivision / 4;
constexpr int kTracks = 8;
constexpr int kBarsPerSection = 16;
constexpr double kPieceSeconds = 300.0;
constexpr int kDrumChannel = 9;
// The section tempi in turn, averaging about 120 beats a minute.
constexpr double kSectionBpm[] = {120.0, 132.0, 108.0, 144.0, 96.0, 126.0, 114.0, 138.0};

// Turns the absolute ticks of one track into the deltas the builder takes.
class TickCursor {
  public:
    std::uint32_t To(std::int64_t tick) {
        const auto delta = static_cast<std::uint32_t>(tick - last_);
        last_ = tick;
        return delta;
    }

  private:
    std::int64_t last_ = 0;
};

// Sections of 16 bars of 4/4 until five minutes have passed; every track
// plays to the end of the last.
FileBuilder FiveMinutePiece() {
    FileBuilder file(1, kDivision);
    TrackBuilder& conductor = file.AddTrack();
    TickCursor tempo;
    conductor.TrackName(0, "Conductor").TimeSignature(0, 4, 2);
    const std::int64_t sectionTicks = std::int64_t{kBarsPerSection} * 4 * kDivision;
    double seconds = 0.0;
    std::int64_t endTick = 0;
    for (int section = 0; seconds < kPieceSeconds; ++section) {
        const double bpm = kSectionBpm[static_cast<std::size_t>(section) % std::size(kSectionBpm)];
        conductor.Bpm(tempo.To(endTick), bpm);
        seconds += kBarsPerSection * 4 * 60.0 / bpm;
        endTick += sectionTicks;
    }
    conductor.EndOfTrack(tempo.To(endTick));

    for (int t = 0; t < kTracks; ++t) {
        TrackBuilder& track = file.AddTrack();
        TickCursor at;
        const int channel = t == kTracks - 1 ? kDrumChannel : t;
        track.TrackName(0, "Voice " + std::to_string(t + 1));
        if (channel != kDrumChannel) track.ProgramChange(0, channel, (t * 11) % 96);
        track.Controller(0, channel, 7, 100);
        const int low = channel == kDrumChannel ? 35 : 36 + 6 * t;
        for (std::int64_t step = 0; step * kSixteenth < endTick; ++step) {
            const std::int64_t tick = step * kSixteenth;
            if (step % 4 == 0)
                track.Controller(at.To(tick), channel, 11, 64 + static_cast<int>(step / 4 % 48));
            // Every eighth sixteenth rests, so the density is not quite even.
            if (step % 8 == 7) continue;
            const int key = low + static_cast<int>((step * 5 + t * 3) % 19);
            track.NoteOn(at.To(tick), channel, key, 70 + static_cast<int>(step % 5) * 10);
            track.NoteOff(at.To(tick + kSixteenth - 20), channel, key);
        }
        track.EndOfTrack(at.To(endTick));
    }
    return file;
}

// A folder of our own under the system temporary folder, removed afterwards.
class TempFolder {
  public:
    TempFolder()
        : path_(fs::temp_directory_path() /
                ("ostinel_bench_render_" + std::to_string(::getpid()))) {
        std::error_code error;
        fs::create_directories(path_, error);
        ok_ = !error;
    }
    ~TempFolder() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return ok_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
    bool ok_ = false;
};

// The piece written as a file, and the options that render it.
bool WritePiece(const TempFolder& folder, ostinel::cli::PlaybackOptions& options) {
    options.piecePath = folder.File("five_minutes.mid");
    options.output = folder.File("five_minutes_out");
    return folder.Ok() && FiveMinutePiece().WriteFile(options.piecePath);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RenderCapturedStream(benchmark::State& state) {
    const TempFolder folder;
    ostinel::cli::PlaybackOptions options;
    if (!WritePiece(folder, options)) {
        state.SkipWithError("cannot write the piece to a temporary folder");
        return;
    }
    const std::string midiPath = options.output + ".mid";
    std::size_t messages = 0;
    std::uint32_t lengthMs = 0;
    double worstSeconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ostinel::RenderedStream rendered;
        std::string error;
        int exitCode = 0;
        if (!ostinel::cli::RenderStream(options, rendered, error, exitCode) ||
            !ostinel::cli::WriteCapturedStream(rendered.messages, "five_minutes.mid", midiPath,
                                               error)) {
            state.SkipWithError(("the render failed: " + error).c_str());
            return;
        }
        worstSeconds = std::max(worstSeconds, SecondsSince(start));
        messages = rendered.messages.size();
        lengthMs = rendered.lengthMs;
    }
    const double musicSeconds = lengthMs / 1000.0;
    state.counters["music_s"] = musicSeconds;
    state.counters["messages"] = static_cast<double>(messages);
    state.counters["events_per_s"] = static_cast<double>(messages) / musicSeconds;
    state.counters["worst_s"] = worstSeconds;
}

void RenderWav(benchmark::State& state) {
    const ostinel::platform::SoundFontChoice soundFont =
        ostinel::platform::FindSoundFont("", ostinel::platform::kSystemSoundsFolder);
    if (soundFont.path.empty()) {
        state.SkipWithError("no SoundFont on this machine");
        return;
    }
    const TempFolder folder;
    ostinel::cli::PlaybackOptions options;
    if (!WritePiece(folder, options)) {
        state.SkipWithError("cannot write the piece to a temporary folder");
        return;
    }
    ostinel::RenderedStream rendered;
    std::string error;
    int exitCode = 0;
    if (!ostinel::cli::RenderStream(options, rendered, error, exitCode)) {
        state.SkipWithError(("the render failed: " + error).c_str());
        return;
    }
    const std::vector<ostinel::platform::TimedMessage> stream =
        ostinel::SynthStream(rendered.messages);
    const std::string wavPath = options.output + ".wav";
    double wallSeconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!ostinel::platform::RenderToWav(stream, wavPath, soundFont.path.string(), error)) {
            state.SkipWithError(("the WAV render failed: " + error).c_str());
            return;
        }
        wallSeconds += SecondsSince(start);
    }
    const double musicSeconds = rendered.lengthMs / 1000.0;
    state.counters["music_s"] = musicSeconds;
    state.counters["realtime_factor"] =
        musicSeconds * static_cast<double>(state.iterations()) / wallSeconds;
    std::error_code sizeError;
    state.counters["wav_mb"] = static_cast<double>(fs::file_size(wavPath, sizeError)) / 1e6;
    state.SetLabel(soundFont.path.filename().string());
}

}  // namespace

BENCHMARK(RenderCapturedStream)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RenderWav)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
