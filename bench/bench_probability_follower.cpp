// What the probability method costs on the MIDI input thread, on a 10 000-chord
// score (eighths at 250 ms, a two- or three-note chord on every beat). The
// take is played in time with a little jitter and a wrong note every 25
// notes, and each NoteIn is timed on its own: the median and the 99.9th
// percentile per note (targets 20 µs and 100 µs). Then the worst re-lock: the
// soloist skips from the first quarter of the piece to the last and the
// slowest note until the follower asks to jump is reported (target 1 ms).
// Last the memory the score takes, as the growth of the resident set from
// SetScore through a take (target 16 MB).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "follower/engine/follower.h"
#include "follower/engine/follower_callback.h"
#include "sequence/piece.h"

namespace {

using ostinel::FollowerCallback;
using ostinel::ScorePosition;
using ostinel::TrackEvent;
using ostinel::platform::ClockMs;
using Clock = std::chrono::steady_clock;

constexpr int kChords = 10000;
constexpr std::uint32_t kStepMs = 250;
constexpr std::uint32_t kStartClock = 1000;

class SilentCallback : public FollowerCallback {
  public:
    std::uint32_t now = 0;
    bool jumped = false;
    ClockMs ReportNow() override { return ClockMs{now}; }
    void ReportJump(ScorePosition, ClockMs, std::int32_t) override { jumped = true; }
    void ReportDynamics(std::int32_t) override {}
    void ReportPosition(ScorePosition, ClockMs, std::int32_t) override {}
    void ReportEvent(ClockMs, ScorePosition, std::uint32_t) override {}
};

std::uint32_t NoteWord(int key) {
    return 0x90u | (static_cast<std::uint32_t>(key) << 8) | (80u << 16);
}

int Key(int chord, int note) {
    return 60 + (chord * 7 + chord / 5) % 19 - 12 * note;
}

int NotesIn(int chord) {
    return chord % 2 == 0 ? 2 + (chord % 4 == 0 ? 1 : 0) : 1;
}

std::vector<TrackEvent> Score() {
    std::vector<TrackEvent> events;
    for (int c = 0; c < kChords; ++c) {
        for (int n = 0; n < NotesIn(c); ++n) {
            events.push_back(TrackEvent{static_cast<std::uint32_t>(c) * kStepMs, ostinel::kNoteOn,
                                        static_cast<std::uint8_t>(Key(c, n)), 80, 0});
        }
    }
    return events;
}

std::vector<std::uint32_t> Beats() {
    std::vector<std::uint32_t> beats;
    for (int i = 0; i <= kChords / 2; ++i) {
        const auto time = static_cast<std::uint32_t>(i) * 2 * kStepMs;
        beats.push_back(i % 4 == 0 ? (time | ostinel::kDownbeatFlag) : time);
    }
    return beats;
}

double Percentile(std::vector<double>& values, double fraction) {
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                     values.end());
    return values[index];
}

double ResidentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

void Prepare(ostinel::Follower& follower, SilentCallback& callback) {
    follower.Create(callback, 256, 1000);
    follower.SetScore(Score(), {}, Beats());
    ostinel::FollowerOptions options;
    options.method = ostinel::FollowingMethod::Probability;
    follower.SetOptions(options);
}

// Plays chords [first, end) from clock `at`; returns the time of each NoteIn in µs.
void PlayChords(ostinel::Follower& follower, SilentCallback& callback, int first, int end,
                std::uint32_t at, std::vector<double>& microseconds, bool untilJump = false) {
    for (int c = first; c < end; ++c) {
        const auto jitter = static_cast<std::int32_t>((c * 37) % 21) - 10;
        const std::uint32_t onset = at + static_cast<std::uint32_t>(c - first) * kStepMs +
                                    static_cast<std::uint32_t>(jitter);
        for (int n = 0; n < NotesIn(c); ++n) {
            callback.now = onset + static_cast<std::uint32_t>(8 * n);
            const int key = c % 25 == 24 ? Key(c + 7, 0) : Key(c, n);
            const Clock::time_point before = Clock::now();
            follower.NoteIn(NoteWord(key), ScorePosition{0});
            const Clock::time_point after = Clock::now();
            microseconds.push_back(
                std::chrono::duration<double, std::micro>(after - before).count());
            if (untilJump && callback.jumped) return;
        }
    }
}

void BM_ProbabilityNoteOnATenThousandChordScore(benchmark::State& state) {
    SilentCallback callback;
    ostinel::Follower follower;
    const double before = ResidentMegabytes();
    Prepare(follower, callback);
    std::vector<double> microseconds;
    for (auto _ : state) {
        callback.now = kStartClock;
        follower.Start(ScorePosition{0}, ostinel::kFixedOne);
        follower.TimeUntil(ScorePosition{0});
        PlayChords(follower, callback, 0, 3000, kStartClock, microseconds);
        callback.now += 500;
        follower.Stop();
    }
    std::vector<double> sorted = microseconds;
    state.counters["median_us"] = Percentile(sorted, 0.5);
    state.counters["p999_us"] = Percentile(sorted, 0.999);
    state.counters["max_us"] = *std::max_element(microseconds.begin(), microseconds.end());
    state.counters["notes"] = static_cast<double>(microseconds.size());
    state.counters["memory_mb"] = ResidentMegabytes() - before;
    follower.Destroy();
}
BENCHMARK(BM_ProbabilityNoteOnATenThousandChordScore)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ProbabilityWorstRelock(benchmark::State& state) {
    SilentCallback callback;
    ostinel::Follower follower;
    Prepare(follower, callback);
    double worst = 0;
    double notesToJump = 0;
    for (auto _ : state) {
        callback.now = kStartClock;
        callback.jumped = false;
        follower.Start(ScorePosition{0}, ostinel::kFixedOne);
        follower.TimeUntil(ScorePosition{0});
        std::vector<double> microseconds;
        PlayChords(follower, callback, 0, 200, kStartClock, microseconds);
        const std::size_t played = microseconds.size();
        PlayChords(follower, callback, 9000, 9100, callback.now + 300, microseconds, true);
        worst = std::max(
            worst, *std::max_element(microseconds.begin() + static_cast<std::ptrdiff_t>(played),
                                     microseconds.end()));
        notesToJump = static_cast<double>(microseconds.size() - played);
        if (follower.JumpPending()) {
            follower.Stop();
            follower.Resume(ostinel::kFixedOne);
        }
        follower.Stop();
    }
    state.counters["worst_us"] = worst;
    state.counters["notes_to_jump"] = notesToJump;
    follower.Destroy();
}
BENCHMARK(BM_ProbabilityWorstRelock)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
