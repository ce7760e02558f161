#pragma once

// What the lateness benchmarks share: the figures they report about a run of
// wake-ups or sends, and the bare absolute sleep they compare against.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace ostinel::bench {

using SteadyInstant = std::chrono::steady_clock::time_point;

inline double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// Lateness in microseconds, in the order the events were due.
struct LatenessFigures {
    double medianUs = 0.0;
    double p99Us = 0.0;
    double maxUs = 0.0;
    double over1msPct = 0.0;
    // The median of the last tenth less that of the first: a scheduler that
    // accumulates error shows it here.
    double driftUs = 0.0;
};

inline LatenessFigures Summarize(const std::vector<double>& latenessUs) {
    LatenessFigures figures;
    if (latenessUs.empty()) return figures;
    const std::size_t tenth = std::max<std::size_t>(latenessUs.size() / 10, 1);
    const std::vector<double> first(latenessUs.begin(),
                                    latenessUs.begin() + static_cast<std::ptrdiff_t>(tenth));
    const std::vector<double> last(latenessUs.end() - static_cast<std::ptrdiff_t>(tenth),
                                   latenessUs.end());
    figures.medianUs = Percentile(latenessUs, 0.5);
    figures.p99Us = Percentile(latenessUs, 0.99);
    figures.maxUs = Percentile(latenessUs, 1.0);
    figures.over1msPct = 100.0 *
                         static_cast<double>(std::count_if(latenessUs.begin(), latenessUs.end(),
                                                           [](double us) { return us > 1000.0; })) /
                         static_cast<double>(latenessUs.size());
    figures.driftUs = Percentile(last, 0.5) - Percentile(first, 0.5);
    return figures;
}

// The figures as counters, each name after `prefix`.
inline void Report(benchmark::State& state, const LatenessFigures& figures,
                   const std::string& prefix = "") {
    state.counters[prefix + "median_us"] = figures.medianUs;
    state.counters[prefix + "p99_us"] = figures.p99Us;
    state.counters[prefix + "max_us"] = figures.maxUs;
    state.counters[prefix + "over_1ms_pct"] = figures.over1msPct;
    state.counters[prefix + "drift_us"] = figures.driftUs;
}

inline void Report(benchmark::State& state, const std::vector<double>& latenessUs,
                   const std::string& prefix = "") {
    Report(state, Summarize(latenessUs), prefix);
}

inline double MicrosecondsLate(SteadyInstant due, SteadyInstant arrived) {
    return std::chrono::duration<double, std::micro>(arrived - due).count();
}

// The reference every scheduler is held to: a thread that sleeps to the
// absolute instant itself. steady_clock is CLOCK_MONOTONIC with libstdc++.
inline void SleepUntil(SteadyInstant instant) {
    const auto sinceEpoch = instant.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    timespec wake{};
    wake.tv_sec = static_cast<time_t>(seconds.count());
    wake.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}

}  // namespace ostinel::bench
