// Whether a flood of MIDI input slows the playback tick or the follower, on
// the real clock and timer thread. A piece plays and follows for 10 s twice
// in one run: once with only the soloist's notes coming in, once with the
// input flooded to 10 000 messages a second: each millisecond carries, beside
// the soloist's own notes, a strike and a release on the following channel of
// keys the part never plays, five controllers on the following channel and
// MIDI clock bytes. The soloist plays exactly at the written times. The
// output device stamps every send of the accompaniment (a note-on or note-off
// every 5 ms) with the follower's estimate the tick steered by; a send's
// lateness is its stamp less the instant that estimate reached the event
// (what the tick answers for), and, apart, less the soloist's written time
// (the follower and the tick together). A note the tick leaves out because
// it was already over when its turn came is counted apart. Reported: both in
// each run beside a bare thread sleeping to the same instants, the ratios
// flooded / quiet, how far the position strays from where the soloist is,
// and whether every message on the following channel reached the take.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
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
using ostinel::platform::ClockMs;
using ostinel::platform::SteadyClock;
using ostinel::platform::TimerThread;

// 500 ticks to a beat of 500 ms: a tick is a millisecond, so every due time is exact.
constexpr int kDivision = 500;
constexpr std::uint32_t kBeatMs = 500;
constexpr std::uint8_t kSoloChannel = 0;
constexpr std::uint8_t kAccompanimentChannel = 1;
constexpr std::uint32_t kFirstSoloMs = 500;
constexpr std::uint32_t kSoloStepMs = 250;  // eighth notes, each held half their length
constexpr std::uint32_t kAccompanimentStepMs = 5;
constexpr std::uint32_t kRunMs = 10000;
constexpr std::uint32_t kPieceMs = kRunMs + 2000;  // still playing when the run ends
constexpr int kMessagesPerMs = 10;
// The intake takes a strike in the clock's first 50 ms for a restrike of a key
// released at time 0 and drops it; a program has long been running before
// anyone plays, so the flood starts after that.
constexpr std::uint32_t kFloodFromMs = 100;
constexpr auto kIdleStep = std::chrono::milliseconds(10);
// A send may come a little before the written instant when the estimate runs ahead.
constexpr auto kMatchSlack = std::chrono::milliseconds(2);

std::uint32_t Ticks(std::uint32_t ms) {
    return ms * kDivision / kBeatMs;
}

std::uint8_t SoloKey(int note) {
    return static_cast<std::uint8_t>(60 + note % 12);
}

// The flood's keys: every key the soloist's part (60-71) never plays.
std::uint8_t FloodKey(std::uint32_t strike) {
    const auto key = static_cast<std::uint8_t>(strike % 116);
    return key < 60 ? key : static_cast<std::uint8_t>(key + 12);
}

// A key comes round every 24 notes (240 ms), so a send names its event.
std::uint8_t AccompanimentKey(int note) {
    return static_cast<std::uint8_t>(36 + note % 24);
}

// The soloist's eighth notes, and the accompaniment striking or releasing a
// key every kAccompanimentStepMs.
ostinel::smf::Bytes FloodPiece() {
    ostinel::smf::FileBuilder file(1, kDivision);
    file.AddTrack().Tempo(0, kBeatMs * 1000u).TimeSignature(0, 4, 2).EndOfTrack();
    auto& solo = file.AddTrack();
    std::uint32_t at = 0;
    int note = 0;
    for (std::uint32_t ms = kFirstSoloMs; ms + kSoloStepMs < kPieceMs; ms += kSoloStepMs) {
        solo.NoteOn(Ticks(ms) - at, kSoloChannel, SoloKey(note), 80)
            .NoteOff(Ticks(ms + kSoloStepMs / 2) - Ticks(ms), kSoloChannel, SoloKey(note));
        at = Ticks(ms + kSoloStepMs / 2);
        ++note;
    }
    solo.EndOfTrack();
    auto& accompaniment = file.AddTrack();
    at = 0;
    note = 0;
    for (std::uint32_t ms = kFirstSoloMs; ms + 2 * kAccompanimentStepMs < kPieceMs;
         ms += 2 * kAccompanimentStepMs, ++note) {
        const std::uint8_t key = AccompanimentKey(note);
        accompaniment.NoteOn(Ticks(ms) - at, kAccompanimentChannel, key, 70)
            .NoteOff(Ticks(ms + kAccompanimentStepMs) - Ticks(ms), kAccompanimentChannel, key);
        at = Ticks(ms + kAccompanimentStepMs);
    }
    accompaniment.EndOfTrack();
    return file.Build();
}

// One of the accompaniment's note-ons or note-offs.
struct DueEvent {
    std::uint32_t ms = 0;  // score position
    std::uint8_t kind = 0;
    std::uint8_t key = 0;
};

std::vector<DueEvent> AccompanimentDue() {
    std::vector<DueEvent> due;
    int note = 0;
    for (std::uint32_t ms = kFirstSoloMs; ms + 2 * kAccompanimentStepMs < kPieceMs;
         ms += 2 * kAccompanimentStepMs, ++note) {
        due.push_back({ms, ostinel::kNoteOn, AccompanimentKey(note)});
        due.push_back({ms + kAccompanimentStepMs, ostinel::kNoteOff, AccompanimentKey(note)});
    }
    return due;
}

// One send, with the estimate of the soloist's place the tick steered by
// when it went out.
struct Stamp {
    SteadyInstant at;
    std::uint8_t status = 0;
    std::uint8_t key = 0;
    ostinel::PositionAnchor anchor;
    ostinel::SpeedFactor speed = ostinel::kOwnTempoSpeed;
};

// Room for every send made in advance: stamping neither allocates nor locks.
class StampLog {
  public:
    explicit StampLog(std::size_t capacity) : stamps_(capacity) {}

    // Whose estimate each stamp keeps; nullptr: none.
    void Watch(const ostinel::FollowerReports* reports) {
        reports_.store(reports, std::memory_order_release);
    }

    void Take(std::uint8_t status, std::uint8_t key) {
        const SteadyInstant now = std::chrono::steady_clock::now();
        const std::size_t index = count_.fetch_add(1, std::memory_order_acq_rel);
        if (index >= stamps_.size()) return;
        Stamp& stamp = stamps_[index];
        stamp = Stamp{now, status, key, {}, ostinel::kOwnTempoSpeed};
        if (const auto* reports = reports_.load(std::memory_order_acquire)) {
            stamp.anchor = reports->Anchor();
            stamp.speed = reports->Speed();
        }
    }

    std::span<const Stamp> Stamps() const {
        return {stamps_.data(), std::min(count_.load(std::memory_order_acquire), stamps_.size())};
    }

  private:
    std::vector<Stamp> stamps_;
    std::atomic<std::size_t> count_{0};
    std::atomic<const ostinel::FollowerReports*> reports_{nullptr};
};

class StampingOutput final : public ostinel::platform::MidiOutputDevice {
  public:
    explicit StampingOutput(StampLog& log) : log_(log) {}

    ostinel::platform::MidiSendResult SendShort(std::span<const std::uint8_t> message) override {
        log_.Take(message.empty() ? std::uint8_t{0} : message[0],
                  message.size() > 1 ? message[1] : std::uint8_t{0});
        return ostinel::platform::MidiSendResult::Sent;
    }
    ostinel::platform::MidiSendResult SendLong(std::span<const std::uint8_t> /*message*/) override {
        return ostinel::platform::MidiSendResult::Sent;
    }

  private:
    StampLog& log_;
};

// The clock reading the transport anchored the start at (own tempo: one to one).
ClockMs AnchorOf(const SteadyClock& clock, const Transport& transport) {
    for (;;) {
        const ClockMs before = clock.Now();
        const ostinel::ScorePosition position = transport.Position();
        if (clock.Now() == before) return before - position.Ms();
    }
}

// What the input thread sent that the take should hold: everything on the
// following channel (the clock bytes are for thru only).
struct Sent {
    int messages = 0;
    int channelMessages = 0;
    int noteOns = 0;
    // How late the input thread itself woke for the soloist's strikes: the
    // follower takes a note as played when it arrives, so a late wake-up
    // moves its estimate, and the accompaniment with it.
    double soloWakeMaxUs = 0.0;
    int soloWakesOver1ms = 0;
};

class InputPlayer {
  public:
    InputPlayer(const SteadyClock& clock, const InputConnection& input)
        : clock_(clock), input_(input) {}

    // Plays millisecond by millisecond from `origin` (score position 0) for
    // kRunMs: the soloist's notes at their written times and, when
    // `flooded`, kMessagesPerMs messages in every millisecond in all.
    Sent Play(SteadyInstant origin, std::uint32_t fromMs, bool flooded) {
        Sent sent;
        int soloNote = 0;
        std::uint32_t floodStrike = 0;
        std::uint8_t controllerValue = 0;
        for (std::uint32_t ms = fromMs; ms < kRunMs; ++ms) {
            SleepUntil(origin + std::chrono::milliseconds(ms));
            int inThisMs = 0;
            if (ms >= kFirstSoloMs && (ms - kFirstSoloMs) % kSoloStepMs == 0) {
                soloNote = static_cast<int>((ms - kFirstSoloMs) / kSoloStepMs);
                const double wakeUs = MicrosecondsLate(origin + std::chrono::milliseconds(ms),
                                                       std::chrono::steady_clock::now());
                sent.soloWakeMaxUs = std::max(sent.soloWakeMaxUs, wakeUs);
                if (wakeUs > 1000.0) ++sent.soloWakesOver1ms;
                Send({0x90 | kSoloChannel, SoloKey(soloNote), 80}, sent, inThisMs);
            }
            if (ms > kFirstSoloMs && (ms - kFirstSoloMs) % kSoloStepMs == kSoloStepMs / 2)
                Send({0x80 | kSoloChannel, SoloKey(soloNote), 0}, sent, inThisMs);
            if (!flooded || ms < kFloodFromMs) continue;
            // A strike and the release of the last millisecond's: a key
            // comes round every 116 ms, well past the restrike filter's 50
            // even when this thread wakes late.
            if (floodStrike >= 1)
                Send({0x80 | kSoloChannel, FloodKey(floodStrike - 1), 0}, sent, inThisMs);
            Send({0x90 | kSoloChannel, FloodKey(floodStrike), 40}, sent, inThisMs);
            ++floodStrike;
            for (const std::uint8_t controller : {1, 11, 74, 2, 4}) {
                Send({0xB0 | kSoloChannel, controller, controllerValue}, sent, inThisMs);
                controllerValue = static_cast<std::uint8_t>((controllerValue + 1) & 0x7F);
            }
            while (inThisMs < kMessagesPerMs)
                Send({0xF8}, sent, inThisMs);
        }
        return sent;
    }

  private:
    void Send(std::initializer_list<std::uint8_t> bytes, Sent& sent, int& inThisMs) {
        std::array<std::uint8_t, 3> message{};
        std::copy(bytes.begin(), bytes.end(), message.begin());
        const std::span<const std::uint8_t> span(message.data(), bytes.size());
        input_.callback(input_.context, input_.port, span, clock_.Now());
        ++sent.messages;
        ++inThisMs;
        if (message[0] < 0xF0) ++sent.channelMessages;
        if ((message[0] & 0xF0) == 0x90 && message[2] > 0) ++sent.noteOns;
    }

    const SteadyClock& clock_;
    const InputConnection& input_;
};

// One run's figures.
struct RunOutcome {
    // The accompaniment's sends up to the end of the run, against the instant
    // the engine's own estimate of the soloist's place reached them: what the
    // tick answers for.
    std::vector<double> latenessUs;
    // The same against the soloist's written time: the follower's estimate
    // and the tick together.
    std::vector<double> againstSoloistUs;
    int early = 0;    // sends before the estimate reached them
    int leftOut = 0;  // events never sent, up to shortly before the end
    // A bare thread sleeping to the same instants in the same run: what the
    // machine allowed at that moment (other programs share its cores).
    std::vector<double> bareUs;
    double positionErrorMs = 0.0;  // where the transport stood less where the soloist was
    Sent sent;
    int taken = 0;  // the take's events on the following channel
    int takenNoteOns = 0;
    int capacity = 0;  // the recording's room when following stopped
    bool followed = false;
    std::string problem;
};

RunOutcome RunOnce(bool flooded) {
    RunOutcome outcome;
    TempScore score("flooded-input", "flood.mid");
    if (!score.Write(FloodPiece())) {
        outcome.problem = "the score could not be written";
        return outcome;
    }
    const std::vector<DueEvent> due = AccompanimentDue();
    DrivenMidiSystem<StampLog, StampingOutput> midi(due.size() * 2 + 4096);
    SteadyInstant origin;
    SteadyClock clock;
    {
        TimerThread timers(clock);
        QuietUi ui;
        Engine engine(clock, timers, midi, ui);
        engine.Ports().SetInputDevice(0, 0);
        engine.OpenOutputPorts();
        if (!engine.OpenInputPorts() || !midi.InputStarted()) {
            outcome.problem = "the input device did not open";
            return outcome;
        }
        if (engine.OpenPiece(score.Path()) != ostinel::LoadResult::Loaded) {
            outcome.problem = "the score did not load";
            return outcome;
        }
        ostinel::FollowingOptions options;
        options.followTrack1 = 0;
        options.startAutomatically = false;
        if (!engine.SetFollowingOptions(options)) {
            outcome.problem = "the follower refused the options";
            return outcome;
        }
        Transport& transport = engine.GetTransport();
        midi.Log().Watch(&engine.Reports());
        transport.PlayAndFollow();
        if (!transport.Mode().following) {
            outcome.problem = "following did not start";
            return outcome;
        }
        origin = clock.InstantOf(AnchorOf(clock, transport));
        const auto startedMs =
            static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - origin)
                                           .count() +
                                       1);
        std::atomic<bool> over{false};
        outcome.bareUs.resize(due.size());
        std::size_t bareCount = 0;
        std::thread bare([&] {
            for (; bareCount < due.size() && due[bareCount].ms < kRunMs; ++bareCount) {
                const SteadyInstant at = origin + std::chrono::milliseconds(due[bareCount].ms);
                SleepUntil(at);
                outcome.bareUs[bareCount] = MicrosecondsLate(at, std::chrono::steady_clock::now());
            }
        });
        std::thread input([&] {
            InputPlayer player(clock, midi.Connection());
            outcome.sent = player.Play(origin, startedMs, flooded);
            over.store(true, std::memory_order_release);
        });
        SteadyInstant nextIdle = std::chrono::steady_clock::now();
        while (!over.load(std::memory_order_acquire) && transport.Mode().playing) {
            nextIdle += kIdleStep;
            SleepUntil(nextIdle);
            engine.IdlePass();
        }
        input.join();
        bare.join();
        outcome.bareUs.resize(bareCount);
        outcome.followed = transport.Mode().following;
        const double soloistMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - origin)
                .count();
        outcome.positionErrorMs = static_cast<double>(transport.Position().Ms()) - soloistMs;
        outcome.capacity = engine.Intake().Recording().Capacity();
        midi.Log().Watch(nullptr);
        transport.Stop();
        engine.IdlePass();
        const ostinel::Piece* piece = engine.CurrentPiece();
        if (piece != nullptr && !piece->tracks.empty()) {
            for (const ostinel::TrackEvent& event : piece->tracks.back().events) {
                if ((event.kind & 0x0F) != kSoloChannel || event.kind >= 0xF0) continue;
                ++outcome.taken;
                if ((event.kind & 0xF0) == ostinel::kNoteOn && event.data2 > 0)
                    ++outcome.takenNoteOns;
            }
        }
    }
    const SteadyInstant end = origin + std::chrono::milliseconds(kRunMs);
    // A send is the latest event of its kind and key due by then (a key comes
    // round only every 240 ms); an event the tick left out as already over
    // (its note-off past when it came to the note-on) is counted apart.
    std::vector<bool> sent(due.size());
    for (const Stamp& stamp : midi.Log().Stamps()) {
        const std::uint8_t kind = stamp.status & 0xF0;
        const bool accompaniment = (stamp.status & 0x0F) == kAccompanimentChannel &&
                                   (kind == ostinel::kNoteOn || kind == ostinel::kNoteOff);
        if (!accompaniment || stamp.at > end) continue;
        std::size_t match = due.size();
        for (std::size_t i = 0; i < due.size(); ++i) {
            if (origin + std::chrono::milliseconds(due[i].ms) > stamp.at + kMatchSlack) break;
            if (due[i].kind == kind && due[i].key == stamp.key) match = i;
        }
        if (match == due.size() || sent[match]) continue;
        sent[match] = true;
        const std::uint32_t position = due[match].ms;
        outcome.againstSoloistUs.push_back(
            MicrosecondsLate(origin + std::chrono::milliseconds(position), stamp.at));
        // Where the estimate reached the event: its anchor, then the score
        // distance at its speed (4.12 fixed point).
        const double aheadMs = (static_cast<double>(position) - stamp.anchor.position.Ms()) *
                               ostinel::kOwnTempoSpeed.Raw() / stamp.speed.Raw();
        const SteadyInstant estimated =
            clock.InstantOf(stamp.anchor.time) +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double, std::milli>(aheadMs));
        const double us = MicrosecondsLate(estimated, stamp.at);
        if (us < 0.0) ++outcome.early;
        outcome.latenessUs.push_back(us);
    }
    for (std::size_t i = 0; i < due.size() && due[i].ms + 50 < kRunMs; ++i)
        if (!sent[i]) ++outcome.leftOut;
    return outcome;
}

void Report(benchmark::State& state, const RunOutcome& run, const std::string& prefix) {
    ostinel::bench::Report(state, run.latenessUs, prefix);
    const auto soloist = ostinel::bench::Summarize(run.againstSoloistUs);
    state.counters[prefix + "vs_soloist_median_us"] = soloist.medianUs;
    state.counters[prefix + "vs_soloist_p99_us"] = soloist.p99Us;
    const auto bare = ostinel::bench::Summarize(run.bareUs);
    state.counters[prefix + "bare_median_us"] = bare.medianUs;
    state.counters[prefix + "bare_p99_us"] = bare.p99Us;
    state.counters[prefix + "sends"] = static_cast<double>(run.latenessUs.size());
    state.counters[prefix + "early"] = run.early;
    state.counters[prefix + "left_out"] = run.leftOut;
    state.counters[prefix + "input_per_s"] = run.sent.messages * 1000.0 / kRunMs;
    state.counters[prefix + "position_error_ms"] = run.positionErrorMs;
    state.counters[prefix + "following"] = run.followed ? 1 : 0;
    state.counters[prefix + "solo_wake_max_us"] = run.sent.soloWakeMaxUs;
    state.counters[prefix + "solo_wakes_over_1ms"] = run.sent.soloWakesOver1ms;
    state.counters[prefix + "take_missing"] = run.sent.channelMessages - run.taken;
    state.counters[prefix + "take_notes_missing"] = run.sent.noteOns - run.takenNoteOns;
}

void FloodedInput(benchmark::State& state) {
    for (auto _ : state) {
        const RunOutcome quiet = RunOnce(false);
        const RunOutcome flooded = RunOnce(true);
        for (const RunOutcome* run : {&quiet, &flooded}) {
            if (!run->problem.empty()) {
                state.SkipWithError(run->problem.c_str());
                return;
            }
        }
        Report(state, quiet, "quiet_");
        Report(state, flooded, "flood_");
        const auto q = ostinel::bench::Summarize(quiet.latenessUs);
        const auto f = ostinel::bench::Summarize(flooded.latenessUs);
        // The target: flooded within 1.2 x quiet.
        state.counters["median_ratio"] = f.medianUs / q.medianUs;
        state.counters["p99_ratio"] = f.p99Us / q.p99Us;
        // The same with each run's figure over its bare thread's, so that a
        // neighbour's load on the shared cores cancels out.
        const auto qb = ostinel::bench::Summarize(quiet.bareUs);
        const auto fb = ostinel::bench::Summarize(flooded.bareUs);
        state.counters["median_ratio_vs_bare"] =
            (f.medianUs / fb.medianUs) / (q.medianUs / qb.medianUs);
        state.counters["p99_ratio_vs_bare"] = (f.p99Us / fb.p99Us) / (q.p99Us / qb.p99Us);
        state.counters["flood_take_capacity"] = flooded.capacity;
    }
}

}  // namespace

BENCHMARK(FloodedInput)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
