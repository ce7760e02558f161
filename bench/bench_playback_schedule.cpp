// How closely playback keeps time on the real clock and the timer thread: a
// dense piece (four tracks, a note-on or note-off on each every 3 ms, 1333
// events a second for 20 seconds) plays through the engine into a device that
// stamps every send with the monotonic clock. Each send is measured against
// the instant its millisecond begins: the start anchor plus its score
// position. In the same run a bare thread sleeps to the same instants with
// clock_nanosleep, so the engine is judged against what this machine can do
// at that moment. The main thread runs the idle pass every 10 ms as the
// program does. Argument 1 adds a thread spinning on arithmetic throughout,
// which takes the second core of a two-core machine.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "lateness_report.h"
#include "platform/midi_devices.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"
#include "sequence/piece.h"

namespace {

using ostinel::Engine;
using ostinel::Piece;
using ostinel::Track;
using ostinel::TrackEvent;
using ostinel::Transport;
using ostinel::bench::MicrosecondsLate;
using ostinel::bench::SleepUntil;
using ostinel::bench::SteadyInstant;
using ostinel::platform::ClockMs;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;

constexpr int kTracks = 4;
constexpr std::uint32_t kFirstEventMs = 50;  // the start's own work is over by then
constexpr std::uint32_t kStepMs = 3;         // between one track's events
constexpr std::uint32_t kPieceMs = 20000;
constexpr auto kIdleStep = std::chrono::milliseconds(10);

// Each track alternates note-on and note-off every kStepMs, the tracks a
// millisecond apart, so every millisecond has one or two events due.
Piece DensePiece() {
    Piece piece;
    for (int t = 0; t <= kTracks; ++t) {
        Track track;
        track.channel = static_cast<std::int16_t>(t);
        if (t < kTracks) {
            std::uint32_t note = 0;
            for (std::uint32_t time = kFirstEventMs + static_cast<std::uint32_t>(t);
                 time + kStepMs < kFirstEventMs + kPieceMs; time += 2 * kStepMs, ++note) {
                const auto key =
                    static_cast<std::uint8_t>(48 + (note + static_cast<std::uint32_t>(t) * 7) % 24);
                track.events.push_back(TrackEvent{time, ostinel::kNoteOn, key, 90, 0});
                track.events.push_back(TrackEvent{time + kStepMs, ostinel::kNoteOff, key, 64, 0});
                piece.lastEventTime = std::max(piece.lastEventTime, time + kStepMs);
            }
        }
        track.count = static_cast<std::int32_t>(track.events.size());
        piece.tracks.push_back(std::move(track));
    }
    piece.firstEventTime = kFirstEventMs;
    piece.length = piece.lastEventTime + 1;
    piece.loaded = true;
    return piece;
}

// Every event's score position in the order the tick serves them.
std::vector<std::uint32_t> DuePositions(const Piece& piece) {
    std::vector<std::uint32_t> due;
    for (const Track& track : piece.tracks) {
        for (const TrackEvent& event : track.events)
            due.push_back(event.time);
    }
    std::sort(due.begin(), due.end());
    return due;
}

// One send as the device saw it.
struct Stamp {
    SteadyInstant at;
    std::uint8_t status = 0;
};

// Room for every send made in advance, so that stamping neither allocates
// nor locks on the timer thread.
class StampLog {
  public:
    explicit StampLog(std::size_t capacity) : stamps_(capacity) {}

    void Take(std::uint8_t status) {
        const SteadyInstant now = std::chrono::steady_clock::now();
        const std::size_t index = count_.fetch_add(1, std::memory_order_acq_rel);
        if (index < stamps_.size()) stamps_[index] = Stamp{now, status};
    }

    // After the run: the stamps kept, in arrival order.
    std::span<const Stamp> Stamps() const {
        return {stamps_.data(), std::min(count_.load(std::memory_order_acquire), stamps_.size())};
    }

  private:
    std::vector<Stamp> stamps_;
    std::atomic<std::size_t> count_{0};
};

class StampingOutput final : public ostinel::platform::MidiOutputDevice {
  public:
    explicit StampingOutput(StampLog& log) : log_(log) {}

    ostinel::platform::MidiSendResult SendShort(std::span<const std::uint8_t> message) override {
        log_.Take(message.empty() ? std::uint8_t{0} : message[0]);
        return ostinel::platform::MidiSendResult::Sent;
    }
    ostinel::platform::MidiSendResult SendLong(std::span<const std::uint8_t> /*message*/) override {
        return ostinel::platform::MidiSendResult::Sent;
    }

  private:
    StampLog& log_;
};

// One output device, the stamping one; no inputs.
class StampingMidiSystem final : public ostinel::platform::MidiSystem {
  public:
    explicit StampingMidiSystem(std::size_t capacity) : log_(capacity) {}

    int InputDeviceCount() const override { return 0; }
    int OutputDeviceCount() const override { return 1; }
    std::string InputDeviceName(int /*device*/) const override { return {}; }
    std::string OutputDeviceName(int /*device*/) const override { return "Stamps"; }
    std::unique_ptr<ostinel::platform::MidiOutputDevice> OpenOutput(int device) override {
        if (device != 0) return nullptr;
        return std::make_unique<StampingOutput>(log_);
    }
    std::unique_ptr<ostinel::platform::MidiInputDevice> OpenInput(
        int /*device*/, ostinel::platform::MidiInputCallback /*callback*/, void* /*context*/,
        int /*port*/) override {
        return nullptr;
    }
    std::vector<std::string> MissingServices() const override { return {}; }

    const StampLog& Log() const { return log_; }

  private:
    StampLog log_;
};

class QuietUi final : public ostinel::TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
};

// The clock reading the transport anchored the start at: the present reading
// less the position, taken within one millisecond (own tempo: one to one).
ClockMs AnchorOf(const SteadyClock& clock, const Transport& transport) {
    for (;;) {
        const ClockMs before = clock.Now();
        const ostinel::ScorePosition position = transport.Position();
        if (clock.Now() == before) return before - position.Ms();
    }
}

// Keeps one core busy until told to stop; Finish says what share of a core it got.
class BusyCore {
  public:
    BusyCore() : began_(std::chrono::steady_clock::now()), thread_([this] { Spin(); }) {}
    ~BusyCore() { Finish(); }
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

    double Finish() {
        if (thread_.joinable()) {
            stop_.store(true, std::memory_order_relaxed);
            thread_.join();
        }
        const double wallNs =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - began_)
                .count();
        return 100.0 * cpuNs_ / wallNs;
    }

  private:
    void Spin() {
        std::uint64_t x = 1;
        while (!stop_.load(std::memory_order_relaxed)) {
            for (int i = 0; i < 4096; ++i)
                x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            benchmark::DoNotOptimize(x);
        }
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        cpuNs_ = static_cast<double>(used.tv_sec) * 1e9 + static_cast<double>(used.tv_nsec);
    }

    SteadyInstant began_;
    std::atomic<bool> stop_{false};
    double cpuNs_ = 0.0;  // written by the spinning thread before it ends
    std::thread thread_;
};

bool IsNote(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == ostinel::kNoteOn || kind == ostinel::kNoteOff;
}

void PlaybackSchedule(benchmark::State& state) {
    const bool loaded = state.range(0) != 0;
    for (auto _ : state) {
        Piece piece = DensePiece();
        const std::vector<std::uint32_t> due = DuePositions(piece);
        std::vector<std::uint32_t> instants = due;
        instants.erase(std::unique(instants.begin(), instants.end()), instants.end());
        std::vector<SteadyInstant> bareDue(instants.size());
        std::vector<double> bareUs(instants.size());
        // Room for the stop's controllers and whatever else goes out besides the events.
        StampingMidiSystem midi(due.size() + 4096);
        std::unique_ptr<BusyCore> busy;
        if (loaded) busy = std::make_unique<BusyCore>();

        SteadyInstant origin;
        int idlePasses = 0;
        {
            SteadyClock clock;
            TimerThread timers(clock);
            QuietUi ui;
            Engine engine(clock, timers, midi, ui);
            engine.OpenOutputPorts();
            Transport& transport = engine.GetTransport();
            transport.UsePiece(&piece);
            transport.PlayFile();
            if (!transport.Mode().playing) {
                state.SkipWithError("the piece did not start");
                return;
            }
            origin = clock.InstantOf(AnchorOf(clock, transport));
            for (std::size_t i = 0; i < instants.size(); ++i)
                bareDue[i] = origin + std::chrono::milliseconds(instants[i]);
            std::thread bare([&] {
                for (std::size_t i = 0; i < bareDue.size(); ++i) {
                    SleepUntil(bareDue[i]);
                    bareUs[i] = MicrosecondsLate(bareDue[i], std::chrono::steady_clock::now());
                }
            });
            SteadyInstant nextIdle = std::chrono::steady_clock::now();
            while (transport.Mode().playing) {
                nextIdle += kIdleStep;
                SleepUntil(nextIdle);
                engine.IdlePass();
                ++idlePasses;
            }
            bare.join();
            transport.UsePiece(nullptr);
        }
        const double loadPct = busy ? busy->Finish() : 0.0;

        std::vector<double> engineUs;
        engineUs.reserve(due.size());
        for (const Stamp& stamp : midi.Log().Stamps()) {
            if (!IsNote(stamp.status) || engineUs.size() == due.size()) continue;
            const SteadyInstant dueAt = origin + std::chrono::milliseconds(due[engineUs.size()]);
            engineUs.push_back(MicrosecondsLate(dueAt, stamp.at));
        }
        if (engineUs.size() != due.size()) {
            state.SkipWithError("the device did not receive every event");
            return;
        }
        const ostinel::bench::LatenessFigures engineFigures = ostinel::bench::Summarize(engineUs);
        const ostinel::bench::LatenessFigures bareFigures = ostinel::bench::Summarize(bareUs);
        ostinel::bench::Report(state, engineFigures, "engine_");
        ostinel::bench::Report(state, bareFigures, "bare_");
        state.counters["median_ratio"] = engineFigures.medianUs / bareFigures.medianUs;
        state.counters["p99_ratio"] = engineFigures.p99Us / bareFigures.p99Us;
        // A send before its millisecond began would be a scheduling fault, not lateness.
        state.counters["engine_early"] = static_cast<double>(
            std::count_if(engineUs.begin(), engineUs.end(), [](double us) { return us < 0.0; }));
        state.counters["events"] = static_cast<double>(due.size());
        state.counters["events_per_s"] =
            static_cast<double>(due.size()) * 1000.0 / static_cast<double>(kPieceMs);
        state.counters["idle_passes"] = idlePasses;
        if (loaded) state.counters["load_cpu_pct"] = loadPct;
    }
}

}  // namespace

BENCHMARK(PlaybackSchedule)
    ->ArgName("busy_core")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
