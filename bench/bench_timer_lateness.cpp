// How late one-shot timers fire on this machine: the timer thread of the
// platform layer against a bare thread sleeping to the same absolute
// deadlines in the same run. A timer due every millisecond for a few
// seconds; lateness is measured from the instant the deadline's millisecond
// begins. "drift" compares the median of the last tenth with the first: a
// scheduler that accumulates error shows it there.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "lateness_report.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"

namespace {

using ostinel::bench::Report;
using ostinel::bench::SteadyInstant;
using ostinel::platform::ClockMs;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;

constexpr int kTimers = 3000;  // one a millisecond: three seconds

struct Sample {
    const SteadyClock* clock = nullptr;
    std::vector<SteadyInstant> due;
    std::vector<double> latenessUs;
    std::atomic<int> fired{0};
};

void Fire(void* context, std::uint32_t index) {
    auto* sample = static_cast<Sample*>(context);
    sample->latenessUs[index] =
        ostinel::bench::MicrosecondsLate(sample->due[index], std::chrono::steady_clock::now());
    sample->fired.fetch_add(1, std::memory_order_release);
}

void TimerThreadLateness(benchmark::State& state) {
    for (auto _ : state) {
        SteadyClock clock;
        TimerThread timers(clock);
        Sample sample;
        sample.clock = &clock;
        sample.due.resize(kTimers);
        sample.latenessUs.resize(kTimers);
        const ClockMs start = clock.Now() + 20;
        for (int i = 0; i < kTimers; ++i)
            sample.due[static_cast<std::size_t>(i)] = clock.InstantOf(start + i);
        // Armed in batches a little ahead, as the tick arms its next instant.
        for (int i = 0; i < kTimers; ++i) {
            const ClockMs deadline = start + i;
            while (ostinel::platform::ClockDifference(deadline, clock.Now()) > 50) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            timers.ArmOnce(static_cast<std::uint32_t>(std::max(
                               0, ostinel::platform::ClockDifference(deadline, clock.Now()))),
                           &Fire, &sample, static_cast<std::uint32_t>(i));
        }
        while (sample.fired.load(std::memory_order_acquire) < kTimers) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Report(state, sample.latenessUs);
    }
}

void BareThreadLateness(benchmark::State& state) {
    for (auto _ : state) {
        SteadyClock clock;
        std::vector<SteadyInstant> due(kTimers);
        std::vector<double> latenessUs(kTimers);
        const ClockMs start = clock.Now() + 20;
        for (int i = 0; i < kTimers; ++i)
            due[static_cast<std::size_t>(i)] = clock.InstantOf(start + i);
        std::thread sleeper([&] {
            for (std::size_t i = 0; i < due.size(); ++i) {
                ostinel::bench::SleepUntil(due[i]);
                latenessUs[i] =
                    ostinel::bench::MicrosecondsLate(due[i], std::chrono::steady_clock::now());
            }
        });
        sleeper.join();
        Report(state, latenessUs);
    }
}

}  // namespace

BENCHMARK(BareThreadLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TimerThreadLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
