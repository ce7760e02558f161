// What the program costs the machine, as process CPU time in percent of one
// core: with the demo open and stopped, where the main loop has nothing to do
// and sleeps, and while the demo plays with the idle pass every 10 ms. Real
// clock and timer thread; the output goes to a recording device, so the synth
// is not part of the figure.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "app/engine.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"

namespace {

using ostinel::Engine;
using ostinel::LoadResult;
using ostinel::platform::ManualMidiSystem;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;

constexpr auto kStoppedSpan = std::chrono::seconds(3);
constexpr auto kPlayingSpan = std::chrono::seconds(10);
// Stands in for waiting on the user while the engine needs no idle pass.
constexpr auto kIdleSleep = std::chrono::milliseconds(100);
constexpr auto kIdleStep = std::chrono::milliseconds(10);
// A stopped tick's last timer may still be armed; it fires, stale, before the engine goes.
constexpr std::uint32_t kStopTailMs = 1000;

const char* const kDemoPath = OSTINEL_SOURCE_DIR "/examples/demo.mid";

class QuietUi final : public ostinel::TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
};

double ProcessCpuSeconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

// Process CPU time against wall time from its making.
class CpuWindow {
  public:
    CpuWindow() : wallStart_(std::chrono::steady_clock::now()), cpuStart_(ProcessCpuSeconds()) {}

    std::chrono::steady_clock::duration Elapsed() const {
        return std::chrono::steady_clock::now() - wallStart_;
    }
    double PercentOfOneCore() const {
        const double wall = std::chrono::duration<double>(Elapsed()).count();
        return 100.0 * (ProcessCpuSeconds() - cpuStart_) / wall;
    }

  private:
    std::chrono::steady_clock::time_point wallStart_;
    double cpuStart_;
};

void IdleCpuStopped(benchmark::State& state) {
    for (auto _ : state) {
        SteadyClock clock;
        TimerThread timers(clock);
        ManualMidiSystem midi(clock, {}, {"Recorder"});
        QuietUi ui;
        Engine engine(clock, timers, midi, ui);
        engine.OpenOutputPorts();
        if (engine.OpenPiece(kDemoPath) != LoadResult::Loaded) {
            state.SkipWithError("the demo piece did not load");
            return;
        }
        const CpuWindow window;
        int idlePasses = 0;
        while (window.Elapsed() < kStoppedSpan) {
            if (engine.NeedsIdlePass()) {
                engine.IdlePass();
                ++idlePasses;
                std::this_thread::sleep_for(kIdleStep);
            } else {
                std::this_thread::sleep_for(kIdleSleep);
            }
        }
        state.counters["cpu_pct"] = window.PercentOfOneCore();
        state.counters["idle_passes"] = idlePasses;
        state.counters["messages"] = static_cast<double>(midi.Output(0).MessageCount());
    }
}

void IdleCpuPlaying(benchmark::State& state) {
    for (auto _ : state) {
        SteadyClock clock;
        TimerThread timers(clock);
        ManualMidiSystem midi(clock, {}, {"Recorder"});
        QuietUi ui;
        Engine engine(clock, timers, midi, ui);
        engine.OpenOutputPorts();
        if (engine.OpenPiece(kDemoPath) != LoadResult::Loaded) {
            state.SkipWithError("the demo piece did not load");
            return;
        }
        ostinel::Transport& transport = engine.GetTransport();
        const std::size_t before = midi.Output(0).MessageCount();
        const CpuWindow window;
        transport.PlayFile();
        int idlePasses = 0;
        while (transport.Mode().playing && window.Elapsed() < kPlayingSpan) {
            std::this_thread::sleep_for(kIdleStep);
            engine.IdlePass();
            ++idlePasses;
        }
        const double cpuPct = window.PercentOfOneCore();
        const std::size_t sent = midi.Output(0).MessageCount() - before;
        const bool playedThrough = transport.Mode().playing;
        transport.Stop();
        timers.Sleep(kStopTailMs);
        if (!playedThrough) {
            state.SkipWithError("the demo stopped before the span was over");
            return;
        }
        state.counters["cpu_pct"] = cpuPct;
        state.counters["idle_passes"] = idlePasses;
        state.counters["messages"] = static_cast<double>(sent);
    }
}

}  // namespace

BENCHMARK(IdleCpuStopped)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(IdleCpuPlaying)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
