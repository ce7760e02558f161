// What the follower costs on the MIDI input thread. A 5 000-chord score
// (quarter notes at 500 ms, every fourth beat a three-note chord) is played
// through in time with a little jitter and a wrong note every 25 notes, and
// each NoteIn is timed on its own: the median and the 99.9th percentile per
// note (targets 5 µs and 50 µs). Then the worst fresh jump search: every
// chord holds the played pitch and the 48 chords played before agree with
// each of them, so the search fills its 500 candidates with runs of 50
// comparisons each (target 1 ms).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
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

constexpr int kChords = 5000;
constexpr std::uint32_t kBeatMs = 500;
constexpr std::uint32_t kStartClock = 1000;

class SilentCallback : public FollowerCallback {
  public:
    std::uint32_t now = 0;
    ClockMs ReportNow() override { return ClockMs{now}; }
    void ReportJump(ScorePosition, ClockMs, std::int32_t) override {}
    void ReportDynamics(std::int32_t) override {}
    void ReportPosition(ScorePosition, ClockMs, std::int32_t) override {}
    void ReportEvent(ClockMs, ScorePosition, std::uint32_t) override {}
};

std::uint32_t NoteWord(int key) {
    return 0x90u | (static_cast<std::uint32_t>(key) << 8) | (80u << 16);
}

std::vector<std::uint32_t> FourFourBeats() {
    std::vector<std::uint32_t> beats;
    for (int i = 0; i <= kChords; ++i) {
        const auto time = static_cast<std::uint32_t>(i) * kBeatMs;
        beats.push_back(i % 4 == 0 ? (time | ostinel::kDownbeatFlag) : time);
    }
    return beats;
}

int MelodyKey(int chord) {
    return 48 + (chord * 7) % 24;
}

std::vector<TrackEvent> Melody() {
    std::vector<TrackEvent> events;
    for (int c = 0; c < kChords; ++c) {
        const auto time = static_cast<std::uint32_t>(c) * kBeatMs;
        const int notes = c % 4 == 0 ? 3 : 1;
        for (int n = 0; n < notes; ++n) {
            events.push_back(TrackEvent{time, ostinel::kNoteOn,
                                        static_cast<std::uint8_t>(MelodyKey(c) + 4 * n), 80, 0});
        }
    }
    return events;
}

double Percentile(std::vector<double>& values, double fraction) {
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                     values.end());
    return values[index];
}

void BM_PlayedNoteOnAFiveThousandChordScore(benchmark::State& state) {
    SilentCallback callback;
    ostinel::Follower follower;
    follower.Create(callback, 256, 1000);
    const std::vector<TrackEvent> melody = Melody();
    const std::vector<std::uint32_t> beats = FourFourBeats();
    follower.SetScore(melody, {}, beats);
    std::vector<double> microseconds;
    microseconds.reserve(static_cast<std::size_t>(kChords) * 2 * 8);
    for (auto _ : state) {
        callback.now = kStartClock;
        follower.Start(ScorePosition{0}, ostinel::kFixedOne);
        follower.TimeUntil(ScorePosition{0});
        for (int c = 0; c < kChords; ++c) {
            // Up to 13 ms early or late, never the same twice in a row.
            const auto jitter = static_cast<std::int32_t>((c * 37) % 27) - 13;
            const std::uint32_t at = kStartClock + static_cast<std::uint32_t>(c) * kBeatMs +
                                     static_cast<std::uint32_t>(jitter);
            const int notes = c % 4 == 0 ? 3 : 1;
            for (int n = 0; n < notes; ++n) {
                callback.now = at + static_cast<std::uint32_t>(5 * n);
                // The wrong note is written 2.5 s away: it costs a full jump search.
                const int key = c % 25 == 24 ? MelodyKey(c + 5) : MelodyKey(c) + 4 * n;
                const Clock::time_point before = Clock::now();
                follower.NoteIn(NoteWord(key), ScorePosition{0});
                const Clock::time_point after = Clock::now();
                microseconds.push_back(
                    std::chrono::duration<double, std::micro>(after - before).count());
            }
        }
        follower.Stop();
    }
    const double notes = static_cast<double>(microseconds.size());
    std::vector<double> sorted = microseconds;
    state.counters["median_us"] = Percentile(sorted, 0.5);
    state.counters["p999_us"] = Percentile(sorted, 0.999);
    state.counters["max_us"] = *std::max_element(microseconds.begin(), microseconds.end());
    state.counters["notes"] = notes;
    follower.Destroy();
}
BENCHMARK(BM_PlayedNoteOnAFiveThousandChordScore)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_WorstFreshJumpSearch(benchmark::State& state) {
    SilentCallback callback;
    ostinel::Follower follower;
    follower.Create(callback, 256, 1000);
    std::vector<TrackEvent> everyChordHolds60;
    for (int c = 0; c < kChords; ++c) {
        everyChordHolds60.push_back(
            TrackEvent{static_cast<std::uint32_t>(c) * kBeatMs, ostinel::kNoteOn, 60, 80, 0});
    }
    follower.SetScore(everyChordHolds60, {}, {});
    // With the searched note the history holds 49 chords, one short of being cut back.
    constexpr int kLeadIn = 48;
    constexpr ScorePosition kFirstPlayed =
        ScorePosition{(kChords - kLeadIn) * static_cast<int>(kBeatMs)};
    double worst = 0;
    int jumps = 0;
    for (auto _ : state) {
        // The last 48 chords, in time: each is matched and empties the candidates.
        callback.now = kStartClock;
        follower.Start(kFirstPlayed, ostinel::kFixedOne);
        follower.TimeUntil(kFirstPlayed);
        for (int i = 0; i < kLeadIn; ++i) {
            callback.now = kStartClock + static_cast<std::uint32_t>(i) * kBeatMs;
            follower.NoteIn(NoteWord(60), ScorePosition{0});
        }
        // One beat after the score's end: no chord in the window, a fresh search.
        callback.now = kStartClock + kLeadIn * kBeatMs;
        const Clock::time_point before = Clock::now();
        follower.NoteIn(NoteWord(60), ScorePosition{0});
        const Clock::time_point after = Clock::now();
        const double seconds = std::chrono::duration<double>(after - before).count();
        worst = std::max(worst, seconds * 1e6);
        state.SetIterationTime(seconds);
        if (follower.JumpPending()) {
            ++jumps;
            follower.Stop();
            follower.Resume(ostinel::kFixedOne);
        }
        follower.Stop();
    }
    state.counters["worst_us"] = worst;
    // Every search ends in a decision: 500 overlapping places, the earliest taken.
    state.counters["jump_requests"] = jumps;
    follower.Destroy();
}
BENCHMARK(BM_WorstFreshJumpSearch)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
