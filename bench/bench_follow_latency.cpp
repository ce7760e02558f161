// How soon a soloist's note sets off the accompaniment it makes due, on the
// real clock and timer thread. The score has the soloist and an accompaniment
// striking together on every beat and a Wait for Soloist marker on every
// beat, so the accompaniment holds at each beat until the soloist's note for
// it arrives. A thread standing for the input device's own plays every beat's
// note into the input callback, a little early or late by turns, stamping the
// monotonic clock just before each call; the output device stamps every send.
// The latency of a beat is the send of its accompaniment note-on less the
// stamp of its note. An accompaniment note-on sent before its note was not
// held and is counted apart. The main thread runs the idle pass every 10 ms
// as the program does.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "driven_engine_rig.h"
#include "lateness_report.h"
#include "platform/midi_devices.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"
#include "smf_builder.h"

namespace {

using ostinel::Engine;
using ostinel::Transport;
using ostinel::bench::DrivenMidiSystem;
using ostinel::bench::InputConnection;
using ostinel::bench::MicrosecondsLate;
using ostinel::bench::QuietUi;
using ostinel::bench::SleepUntil;
using ostinel::bench::SteadyInstant;
using ostinel::bench::TempScore;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;

constexpr int kDivision = 480;
constexpr int kSoloChannel = 0;
constexpr int kAccompanimentChannel = 1;
constexpr auto kIdleStep = std::chrono::milliseconds(10);
// Lets the start's own work end before the first note.
constexpr auto kLeadIn = std::chrono::milliseconds(300);
// Lets the last accompaniment note and its note-off go out before the stop.
constexpr auto kTail = std::chrono::milliseconds(300);

// Beat i's soloist key: neighbours differ, so each note matches its own beat.
std::uint8_t SoloKey(int beat) {
    return static_cast<std::uint8_t>(60 + (beat * 7) % 12);
}

// Beat i's accompaniment key, so that each send names its beat.
std::uint8_t AccompanimentKey(int beat) {
    return static_cast<std::uint8_t>(36 + beat % 24);
}

// The soloist and the accompaniment on every beat, beatMs apart, each note
// half a beat long.
ostinel::smf::Bytes BeatPiece(int beats, int beatMs) {
    ostinel::smf::FileBuilder file(1, kDivision);
    file.AddTrack()
        .Tempo(0, static_cast<std::uint32_t>(beatMs) * 1000u)
        .TimeSignature(0, 4, 2)
        .EndOfTrack();
    auto& solo = file.AddTrack();
    auto& accompaniment = file.AddTrack();
    constexpr std::uint32_t kHalf = kDivision / 2;
    for (int i = 0; i < beats; ++i) {
        const std::uint32_t delta = i == 0 ? 0 : kHalf;
        solo.NoteOn(delta, kSoloChannel, SoloKey(i), 80).NoteOff(kHalf, kSoloChannel, SoloKey(i));
        accompaniment.NoteOn(delta, kAccompanimentChannel, AccompanimentKey(i), 70)
            .NoteOff(kHalf, kAccompanimentChannel, AccompanimentKey(i));
    }
    solo.EndOfTrack();
    accompaniment.EndOfTrack();
    return file.Build();
}

// One short send as the device saw it.
struct Stamp {
    SteadyInstant at;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    bool onInputThread = false;
};

// Room for every send made in advance, so that stamping neither allocates
// nor locks on the sending thread.
class StampLog {
  public:
    explicit StampLog(std::size_t capacity) : stamps_(capacity) {}

    void Take(std::span<const std::uint8_t> message) {
        const SteadyInstant now = std::chrono::steady_clock::now();
        const std::size_t index = count_.fetch_add(1, std::memory_order_acq_rel);
        if (index >= stamps_.size()) return;
        Stamp& stamp = stamps_[index];
        stamp.at = now;
        stamp.status = message.size() > 0 ? message[0] : std::uint8_t{0};
        stamp.data1 = message.size() > 1 ? message[1] : std::uint8_t{0};
        stamp.data2 = message.size() > 2 ? message[2] : std::uint8_t{0};
        stamp.onInputThread =
            std::this_thread::get_id() == inputThread_.load(std::memory_order_acquire);
    }

    // The input thread, before its first note.
    void MarkInputThread() {
        inputThread_.store(std::this_thread::get_id(), std::memory_order_release);
    }

    // After the run: the stamps kept, in arrival order.
    std::span<const Stamp> Stamps() const {
        return {stamps_.data(), std::min(count_.load(std::memory_order_acquire), stamps_.size())};
    }

  private:
    std::vector<Stamp> stamps_;
    std::atomic<std::size_t> count_{0};
    std::atomic<std::thread::id> inputThread_{};
};

class StampingOutput final : public ostinel::platform::MidiOutputDevice {
  public:
    explicit StampingOutput(StampLog& log) : log_(log) {}

    ostinel::platform::MidiSendResult SendShort(std::span<const std::uint8_t> message) override {
        log_.Take(message);
        return ostinel::platform::MidiSendResult::Sent;
    }
    ostinel::platform::MidiSendResult SendLong(std::span<const std::uint8_t> /*message*/) override {
        return ostinel::platform::MidiSendResult::Sent;
    }

  private:
    StampLog& log_;
};

// When each beat's note is played: a lead-in, then gaps of 75-125 % of a
// beat from a seeded generator, so every run plays the same performance.
std::vector<std::chrono::microseconds> NoteOffsets(int beats, int beatMs) {
    std::mt19937 generator(20240611u);
    std::uniform_int_distribution<int> gapUs(beatMs * 750, beatMs * 1250);
    std::vector<std::chrono::microseconds> offsets(static_cast<std::size_t>(beats));
    std::chrono::microseconds at = kLeadIn;
    for (auto& offset : offsets) {
        offset = at;
        at += std::chrono::microseconds(gapUs(generator));
    }
    return offsets;
}

bool IsAccompanimentStrike(const Stamp& stamp) {
    return stamp.status == (0x90 | kAccompanimentChannel) && stamp.data2 > 0;
}

// The input thread's own work: each beat's note at its instant, stamped just
// before the callback, and its release half way to the next note.
void PlayTheSolo(const SteadyClock& clock, const InputConnection& input, SteadyInstant begin,
                 std::span<const std::chrono::microseconds> offsets, int beatMs,
                 std::span<SteadyInstant> played) {
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const int beat = static_cast<int>(i);
        SleepUntil(begin + offsets[i]);
        const std::array<std::uint8_t, 3> strike{0x90 | kSoloChannel, SoloKey(beat), 90};
        const ostinel::platform::ClockMs strikeTime = clock.Now();
        played[i] = std::chrono::steady_clock::now();
        input.callback(input.context, input.port, strike, strikeTime);
        const std::chrono::microseconds release =
            i + 1 < offsets.size() ? (offsets[i] + offsets[i + 1]) / 2
                                   : offsets[i] + std::chrono::milliseconds(beatMs) / 2;
        SleepUntil(begin + release);
        const std::array<std::uint8_t, 3> lift{0x80 | kSoloChannel, SoloKey(beat), 0};
        input.callback(input.context, input.port, lift, clock.Now());
    }
}

// Whether the accompaniment stood at beat i's marker before its note came:
// the first beat, and every note more than a beat after the one before (the
// follower keeps the written tempo, as wait points measure none).
std::vector<bool> StoodWaiting(std::span<const std::chrono::microseconds> offsets, int beatMs) {
    std::vector<bool> waited(offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i)
        waited[i] = i == 0 || offsets[i] - offsets[i - 1] > std::chrono::milliseconds(beatMs);
    return waited;
}

// What the stamps say about each beat's accompaniment strike.
struct BeatOutcome {
    std::vector<double> latencyUs;   // strikes sent after their note, in beat order
    std::vector<double> waitedUs;    // those whose accompaniment stood waiting
    std::vector<double> caughtUpUs;  // those whose note came before the marker was reached
    int sentEarly = 0;               // strikes sent before their note was played
    int missing = 0;                 // beats whose strike never went out
    int byInputThread = 0;           // measured strikes sent from inside the callback
};

BeatOutcome Outcome(std::span<const Stamp> stamps, std::span<const SteadyInstant> played,
                    const std::vector<bool>& waited) {
    BeatOutcome outcome;
    const int beats = static_cast<int>(played.size());
    int beat = 0;
    for (const Stamp& stamp : stamps) {
        if (!IsAccompanimentStrike(stamp)) continue;
        // A beat left out (a skipped strike) shows as the next beat's key.
        int found = beat;
        while (found < beats && AccompanimentKey(found) != stamp.data1)
            ++found;
        if (found == beats) continue;
        outcome.missing += found - beat;
        beat = found + 1;
        const auto index = static_cast<std::size_t>(found);
        if (stamp.at < played[index]) {
            ++outcome.sentEarly;
            continue;
        }
        const double us = MicrosecondsLate(played[index], stamp.at);
        outcome.latencyUs.push_back(us);
        (waited[index] ? outcome.waitedUs : outcome.caughtUpUs).push_back(us);
        if (stamp.onInputThread) ++outcome.byInputThread;
    }
    outcome.missing += beats - beat;
    return outcome;
}

void FollowLatency(benchmark::State& state) {
    const int beats = static_cast<int>(state.range(0));
    const int beatMs = static_cast<int>(state.range(1));
    const std::vector<std::chrono::microseconds> offsets = NoteOffsets(beats, beatMs);
    const std::vector<bool> waited = StoodWaiting(offsets, beatMs);
    for (auto _ : state) {
        TempScore score("follow-latency", "beats.mid");
        if (!score.Write(BeatPiece(beats, beatMs))) {
            state.SkipWithError("the score could not be written");
            return;
        }
        std::vector<SteadyInstant> played(static_cast<std::size_t>(beats));
        // Room for both notes of every beat and whatever else goes out.
        DrivenMidiSystem<StampLog, StampingOutput> midi(static_cast<std::size_t>(beats) * 4 + 4096);
        int idlePasses = 0;
        {
            SteadyClock clock;
            TimerThread timers(clock);
            QuietUi ui;
            Engine engine(clock, timers, midi, ui);
            engine.Ports().SetInputDevice(0, 0);
            engine.OpenOutputPorts();
            if (!engine.OpenInputPorts() || !midi.InputStarted()) {
                state.SkipWithError("the input device did not open");
                return;
            }
            if (engine.OpenPiece(score.Path()) != ostinel::LoadResult::Loaded) {
                state.SkipWithError("the score did not load");
                return;
            }
            ostinel::FollowingOptions options;
            options.followTrack1 = 0;
            options.startAutomatically = false;
            ostinel::SpecialMarkers markers;
            for (int i = 0; i < beats; ++i)
                markers.waitForSoloist.push_back(static_cast<ostinel::ScorePosition>(i * beatMs));
            if (!engine.SetFollowingOptions(options) || !engine.SetSpecialMarkers(markers)) {
                state.SkipWithError("the follower refused the options or the markers");
                return;
            }
            Transport& transport = engine.GetTransport();
            transport.PlayAndFollow();
            if (!transport.Mode().following) {
                state.SkipWithError("following did not start");
                return;
            }
            const SteadyInstant begin = std::chrono::steady_clock::now();
            std::atomic<bool> soloOver{false};
            std::thread soloist([&] {
                midi.Log().MarkInputThread();
                PlayTheSolo(clock, midi.Connection(), begin, offsets, beatMs, played);
                soloOver.store(true, std::memory_order_release);
            });
            SteadyInstant nextIdle = begin;
            SteadyInstant end = SteadyInstant::max();
            while (std::chrono::steady_clock::now() < end && transport.Mode().playing) {
                nextIdle += kIdleStep;
                SleepUntil(nextIdle);
                engine.IdlePass();
                ++idlePasses;
                if (end == SteadyInstant::max() && soloOver.load(std::memory_order_acquire))
                    end = std::chrono::steady_clock::now() + kTail;
            }
            soloist.join();
            transport.Stop();
        }

        const BeatOutcome outcome = Outcome(midi.Log().Stamps(), played, waited);
        if (outcome.latencyUs.empty()) {
            state.SkipWithError("no accompaniment strike was sent after its note");
            return;
        }
        ostinel::bench::Report(state, outcome.latencyUs);
        state.counters["measured"] = static_cast<double>(outcome.latencyUs.size());
        state.counters["sent_early"] = outcome.sentEarly;
        state.counters["missing"] = outcome.missing;
        state.counters["by_input_thread"] = outcome.byInputThread;
        state.counters["waited"] = static_cast<double>(outcome.waitedUs.size());
        state.counters["waited_p99_us"] = ostinel::bench::Percentile(outcome.waitedUs, 0.99);
        state.counters["caught_up_p99_us"] = ostinel::bench::Percentile(outcome.caughtUpUs, 0.99);
        state.counters["idle_passes"] = idlePasses;
    }
}

}  // namespace

// A soloist's beat is 130 ms here, faster than a usual 300-500 ms, so that a
// couple of hundred notes fit in under 30 s.
BENCHMARK(FollowLatency)
    ->ArgNames({"notes", "beat_ms"})
    ->Args({200, 130})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
