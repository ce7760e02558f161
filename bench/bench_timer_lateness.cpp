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
#include <ctime>
#include <thread>
#include <vector>

#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"

namespace {

using ostinel::platform::ClockMs;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;
using SteadyInstant = std::chrono::steady_clock::time_point;

constexpr int kTimers = 3000;  // one a millisecond: three seconds

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void Report(benchmark::State& state, const std::vector<double>& latenessUs) {
    const std::size_t tenth = latenessUs.size() / 10;
    const std::vector<double> first(latenessUs.begin(), latenessUs.begin() + tenth);
    const std::vector<double> last(latenessUs.end() - tenth, latenessUs.end());
    state.counters["median_us"] = Percentile(latenessUs, 0.5);
    state.counters["p99_us"] = Percentile(latenessUs, 0.99);
    state.counters["max_us"] = Percentile(latenessUs, 1.0);
    state.counters["over_1ms_pct"] =
        100.0 *
        static_cast<double>(std::count_if(latenessUs.begin(), latenessUs.end(),
                                          [](double us) { return us > 1000.0; })) /
        static_cast<double>(latenessUs.size());
    state.counters["drift_us"] = Percentile(last, 0.5) - Percentile(first, 0.5);
}

struct Sample {
    const SteadyClock* clock = nullptr;
    std::vector<SteadyInstant> due;
    std::vector<double> latenessUs;
    std::atomic<int> fired{0};
};

void Fire(void* context, std::uint32_t index) {
    auto* sample = static_cast<Sample*>(context);
    const auto late = std::chrono::steady_clock::now() - sample->due[index];
    sample->latenessUs[index] = std::chrono::duration<double, std::micro>(late).count();
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
            sample.due[static_cast<std::size_t>(i)] =
                clock.InstantOf(start + static_cast<ClockMs>(i));
        // Armed in batches a little ahead, as the tick arms its next instant.
        for (int i = 0; i < kTimers; ++i) {
            const ClockMs deadline = start + static_cast<ClockMs>(i);
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
            due[static_cast<std::size_t>(i)] = clock.InstantOf(start + static_cast<ClockMs>(i));
        std::thread sleeper([&] {
            for (std::size_t i = 0; i < due.size(); ++i) {
                const auto sinceEpoch = due[i].time_since_epoch();
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
                timespec wake{};
                wake.tv_sec = static_cast<time_t>(seconds.count());
                wake.tv_nsec = static_cast<long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds)
                        .count());
                while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) {
                }
                latenessUs[i] = std::chrono::duration<double, std::micro>(
                                    std::chrono::steady_clock::now() - due[i])
                                    .count();
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
