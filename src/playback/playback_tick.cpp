#include "playback/playback_tick.h"

#include <array>
#include <limits>
#include <thread>

#include "playback/chase.h"
#include "playback/master_tempo.h"
#include "playback/output_shaping.h"
#include "playback/silence.h"

namespace ostinel {
namespace {

constexpr std::uint32_t kTickCancelStep = 100;
constexpr std::uint32_t kHoldRetryMs = 2;
constexpr std::uint8_t kTimeCodeQuarterFrame = 0xF1;

bool IsNoteOff(std::uint8_t kind, std::uint8_t velocity) {
    return kind == kNoteOff || (kind == kNoteOn && velocity == 0);
}

// Outside every ScorePosition: loop mode is off.
constexpr std::int64_t kNoLoopEnd = std::int64_t{std::numeric_limits<std::int32_t>::min()} - 1;

}  // namespace

PlaybackTick::PlaybackTick(const platform::Clock& clock, platform::TimerService& timers,
                           MidiOutput& output, TransportRequestQueue& requests)
    : clock_(clock),
      output_(output),
      requests_(requests),
      timer_(clock, timers, &PlaybackTick::OnTimer, this, kTickCancelStep) {}

void PlaybackTick::OnTimer(void* self) {
    static_cast<PlaybackTick*>(self)->RunTick();
}

bool PlaybackTick::Start(Piece& piece, const PlaybackStart& start) {
    if (!Prepare(piece, start)) return false;
    Begin(start.clock.anchor.time);
    return true;
}

bool PlaybackTick::Prepare(Piece& piece, const PlaybackStart& start) {
    Stop();
    if (start.performance.on && start.performance.tempos == nullptr) return false;
    if (start.clock.motion == PlaybackMotion::Following &&
        (start.clock.follower.read == nullptr || start.clock.follower.timeUntil == nullptr))
        return false;
    piece_ = &piece;
    start_ = start;
    sysExIndex_ = start.sysExIndex;
    beatIndex_ = start.beatIndex;
    followVolume_.store(kUnchangedFollowVolume);
    masterVolume_.store(start.masterVolume);
    masterTranspose_.store(start.masterTranspose);
    insidePunch_.store(start.performance.punchIn && start.performance.punch.inside);
    SetLoopEnd(start.loopEnd);
    SetMetronome(start.metronome);
    return list_.Build(piece, start.tracks, sysExIndex_, beatIndex_);
}

void PlaybackTick::Begin(platform::ClockMs anchorTime) {
    start_.clock.anchor.time = anchorTime;
    Piece& piece = *piece_;
    const ScorePosition from = start_.clock.anchor.position;
    midiClock_ = MidiClockSync{};
    // Between two beats the clocks resume inside the beat before; on a beat
    // that beat itself starts them.
    const auto beats = piece.beatMap.size();
    const auto nextBeat = static_cast<std::size_t>(beatIndex_);
    const bool onBeat =
        nextBeat < beats && static_cast<ScorePosition>(piece.beatMap[nextBeat].time) == from;
    if (!onBeat && nextBeat > 0 && nextBeat <= beats) {
        const BeatRecord* next = nextBeat < beats ? &piece.beatMap[nextBeat] : nullptr;
        midiClock_.Locate(from, piece.beatMap[nextBeat - 1], next);
    }
    timeCode_ =
        MtcQuarterFrames::StartAt(from, static_cast<SmpteFrameRate>(output_.Settings().frameRate));

    shownMeasure_.store(start_.shown.measure);
    shownBeat_.store(start_.shown.beat);
    shownLongMeasure_.store(start_.shown.longMeasure);
    shownTempo_.store(start_.shown.tempo);
    PublishTempo();
    running_.store(true, std::memory_order_release);
    // Serves what is due at once and arms the timer for the rest: the first
    // instant may lie ahead, as when playback starts before the first event.
    RunTick();
}

void PlaybackTick::SetLoopEnd(std::optional<ScorePosition> loopEnd) {
    loopEnd_.store(loopEnd ? std::int64_t{(*loopEnd).Ms()} : kNoLoopEnd);
}

void PlaybackTick::SetMetronome(const MetronomeSettings& metronome) {
    metronome_.store(PackMetronome(metronome));
}

void PlaybackTick::SetHold(bool hold) {
    hold_.store(hold);
    while (hold && busy_.load())
        std::this_thread::yield();
}

void PlaybackTick::ChangeSpeed(SpeedFactor masterTempo) {
    SetHold(true);
    const platform::ClockMs now = clock_.Now();
    start_.clock.anchor = PositionAnchor{CurrentPosition(start_.clock, now), now};
    PerformancePlayback& performance = start_.performance;
    if (performance.on) {
        performance.masterTempo = masterTempo;
        start_.clock.speed =
            SpeedForRatio(performance.ratio, masterTempo, performance.masterTempoAtRecording);
    } else {
        start_.clock.speed = masterTempo;
    }
    PublishTempo();
    timer_.Cancel();
    SetHold(false);
    RunTick();
}

void PlaybackTick::Steer() {
    steered_.store(true);
    timer_.Cancel();
    RunTick();
}

void PlaybackTick::Stop() {
    // Sequentially consistent with the tick's own exchange and check: either
    // the tick sees the stop or this sees the tick busy.
    running_.store(false);
    timer_.Cancel();
    while (busy_.load())
        std::this_thread::yield();
}

void PlaybackTick::PublishTempo() {
    // Odd while the three values change: a reader seeing it tries again.
    tempoVersion_.fetch_add(1);
    tempoAnchorPosition_.store(start_.clock.anchor.position);
    tempoAnchorTime_.store(start_.clock.anchor.time);
    tempoSpeed_.store(start_.clock.speed);
    tempoVersion_.fetch_add(1);
}

SteeredTempo PlaybackTick::Tempo() const {
    for (;;) {
        const std::uint32_t before = tempoVersion_.load();
        if ((before & 1) != 0) {
            std::this_thread::yield();
            continue;
        }
        const SteeredTempo tempo{
            PositionAnchor{tempoAnchorPosition_.load(), tempoAnchorTime_.load()},
            tempoSpeed_.load()};
        if (tempoVersion_.load() == before) return tempo;
    }
}

DisplayedBeat PlaybackTick::Display() const {
    return DisplayedBeat{shownMeasure_.load(), shownBeat_.load(), shownLongMeasure_.load(),
                         shownTempo_.load()};
}

bool PlaybackTick::SyncOn() const {
    return output_.Settings().transmitExternalSync && !start_.previewing;
}

ScorePosition PlaybackTick::SyncDue() const {
    return output_.Settings().syncType == kSyncTypeTimeCode ? timeCode_.NextDue()
                                                            : midiClock_.NextDue();
}

void PlaybackTick::SendSync() {
    const int port = output_.Settings().syncPort;
    if (output_.Settings().syncType == kSyncTypeTimeCode) {
        const std::array<std::uint8_t, 2> quarterFrame{kTimeCodeQuarterFrame,
                                                       timeCode_.TakeQuarterFrame()};
        output_.SendMidi(quarterFrame, port);
    } else {
        const std::array<std::uint8_t, 1> timingClock{kMidiTimingClock};
        output_.SendMidi(timingClock, port);
        midiClock_.ClockSent();
    }
}

void PlaybackTick::RunTick() {
    // Busy first, then the checks: a Stop that clears running waits for busy,
    // so a tick never reads the list while the next span's start rebuilds it.
    if (busy_.exchange(true)) return;
    if (!running_.load() || list_.Empty()) {
        busy_.store(false);
        return;
    }
    // Late instants are served here one after another rather than by
    // re-entering through the timer, so the stack stays flat however late.
    for (;;) {
        steered_.store(false);
        if (!running_.load()) {
            busy_.store(false, std::memory_order_release);
            return;
        }
        if (hold_.load()) {
            busy_.store(false, std::memory_order_release);
            timer_.ArmAtFromHandler(clock_.Now() + kHoldRetryMs);
            return;
        }
        // A retry after a hold, a speed change or a follower's report may
        // wake this before the instant: it then only waits on.
        platform::ClockMs when{};
        bool held = false;
        if (!NextInstantDue(when, held)) {
            timer_.Cancel();
            // The clock may reach `when` before the arming reads it; busy
            // here, the tick must then be run by the timer thread.
            if (!held) timer_.ArmAtFromHandler(when);
            busy_.store(false);
            // A report that came while this ran found it busy: answer it now.
            if (steered_.load() && running_.load() && !busy_.exchange(true)) continue;
            return;
        }
        const ScorePosition head = list_.Head().due;
        SteerPerformanceSpeed(head);
        bool served = true;
        if (SyncOn() && SyncDue() <= head) {
            const bool beforeHead = SyncDue() < head;
            SendSync();
            served = !beforeHead;
        }
        if (served && !ServeInstant(head)) {
            running_.store(false, std::memory_order_release);
            busy_.store(false, std::memory_order_release);
            requests_.PostRequest(TransportRequest::Stop);
            return;
        }
        if (PastLoopEnd()) {
            loopEndReached_.store(true);
            running_.store(false, std::memory_order_release);
            busy_.store(false, std::memory_order_release);
            requests_.PostRequest(TransportRequest::Stop);
            return;
        }
    }
}

bool PlaybackTick::NextInstantDue(platform::ClockMs& when, bool& held) const {
    ScorePosition next = list_.Head().due;
    if (SyncOn() && SyncDue() < next) next = SyncDue();
    const platform::ClockMs now = clock_.Now();
    if (Following()) {
        const FollowerEstimate& follower = start_.clock.follower;
        const std::int32_t wait = follower.timeUntil(follower.context, next);
        held = wait < 0;
        when = now + wait;
        return wait == 0;
    }
    const DueTime due = DueClockTime(start_.clock, next);
    if (due.alreadyDue || platform::ClockReached(now, due.time)) return true;
    when = due.time;
    return false;
}

bool PlaybackTick::AlreadyOver(const Track& track, std::uint8_t key) const {
    const ScorePosition now = CurrentPosition(start_.clock, clock_.Now());
    for (auto i = static_cast<std::size_t>(track.nextIndex) + 1; i < track.events.size(); ++i) {
        const TrackEvent& later = track.events[i];
        if (static_cast<ScorePosition>(later.time) >= now) return false;
        const std::uint8_t kind = later.kind & 0xF0;
        if ((later.data1 & 0x7F) == key && IsNoteOff(kind, later.data2)) return true;
    }
    return false;
}

void PlaybackTick::SteerPerformanceSpeed(ScorePosition head) {
    PerformancePlayback& performance = start_.performance;
    if (!performance.on) return;
    const auto ratio = SteerPerformanceTempo(*performance.tempos, performance.tempoIndex, head,
                                             performance.choices);
    if (!ratio) return;
    performance.ratio = *ratio;
    start_.clock.speed =
        SpeedForRatio(*ratio, performance.masterTempo, performance.masterTempoAtRecording);
    start_.clock.anchor = PositionAnchor{head, clock_.Now()};
    PublishTempo();
}

void PlaybackTick::SwitchPunchIn(const Track& followingTrack) {
    const PerformancePlayback& performance = start_.performance;
    const bool inside = insidePunch_.load();
    ScorePosition next = inside ? performance.punch.end : start_.clock.end;
    if (followingTrack.nextIndex < followingTrack.count)
        next = static_cast<ScorePosition>(
            followingTrack.events[static_cast<std::size_t>(followingTrack.nextIndex)].time);
    const int fileTracks = piece_->TrackCount();
    if (!inside && performance.punch.Contains(next)) {
        for (const std::int32_t index : performance.followingTracks) {
            if (index < 0 || index >= fileTracks) continue;
            SilenceTrack(piece_->tracks[static_cast<std::size_t>(index)], output_,
                         masterTranspose_.load(), output_.Settings().thruOn);
        }
        insidePunch_.store(true);
        ChaseTrackSettings(piece_->PerformanceTrack(), output_, true, true);
    } else if (inside && next >= performance.punch.end) {
        insidePunch_.store(false);
        for (const std::int32_t index : performance.followingTracks) {
            if (index < 0 || index >= fileTracks) continue;
            const Track& track = piece_->tracks[static_cast<std::size_t>(index)];
            if (track.playFlag != 0) ChaseTrackSettings(track, output_, false, false);
        }
    }
}

bool PlaybackTick::PastLoopEnd() const {
    const std::int64_t loopEnd = loopEnd_.load();
    return loopEnd != kNoLoopEnd && start_.musicalSpan && !list_.Empty() &&
           list_.Head().due.Ms() > loopEnd;
}

bool PlaybackTick::ServeInstant(ScorePosition head) {
    while (!list_.Empty() && list_.Head().due == head && !PastLoopEnd()) {
        switch (list_.Head().tag) {
            case kBeatSourceTag:
                ServeBeat(head);
                break;
            case kSysExSourceTag:
                ServeSysEx();
                break;
            default:
                ServeTrack();
                break;
        }
    }
    return !list_.Empty();
}

void PlaybackTick::ServeBeat(ScorePosition head) {
    const auto& beats = piece_->beatMap;
    const auto index = static_cast<std::size_t>(beatIndex_);
    const BeatRecord& beat = beats[index];
    const BeatRecord* next = index + 1 < beats.size() ? &beats[index + 1] : nullptr;
    if (!start_.previewing) {
        shownMeasure_.store(beat.measure);
        shownBeat_.store(beat.beat);
        std::uint16_t lastBeat = beat.beat;
        for (std::size_t i = index + 1; i < beats.size() && beats[i].measure == beat.measure; ++i)
            lastBeat = beats[i].beat;
        shownLongMeasure_.store(lastBeat > 9);
        if (next != nullptr) {
            const auto beatMs = static_cast<std::int32_t>(next->time - beat.time);
            if (const auto tempo = DisplayedBeatTempo(start_.clock.speed, beatMs))
                shownTempo_.store(*tempo);
        }
    }
    Click(beat, next);
    if (SyncOn() && output_.Settings().syncType == kSyncTypeMidiSync) {
        const std::int32_t owed = midiClock_.BeginBeat(beat, next, head);
        const std::array<std::uint8_t, 1> timingClock{kMidiTimingClock};
        for (std::int32_t i = 0; i < owed; ++i)
            output_.SendMidi(timingClock, output_.Settings().syncPort);
    }
    ++beatIndex_;
    if (next == nullptr) {
        list_.RemoveHead();
    } else {
        list_.AdvanceHead(static_cast<ScorePosition>(next->time), BeatWord(*next));
    }
}

void PlaybackTick::Click(const BeatRecord& beat, const BeatRecord* next) {
    const MetronomeSettings metronome = UnpackMetronome(metronome_.load());
    if (!metronome.on || !start_.musicalSpan || start_.previewing) return;
    // A beat reached only after the next one was due (after a jump) stays silent.
    if (next != nullptr &&
        CurrentPosition(start_.clock, clock_.Now()) > static_cast<ScorePosition>(next->time))
        return;
    const auto click = ClickFor(metronome, beat.beat == 1, masterVolume_.load());
    if (!click) return;
    const std::array<std::uint8_t, 3> on{click->status, click->note, click->velocity};
    const std::array<std::uint8_t, 3> off{click->status, click->note, 0};
    output_.SendMidi(on, metronome.port);
    output_.SendMidi(off, metronome.port, kClickLengthMs);
}

void PlaybackTick::ServeSysEx() {
    const auto& list = piece_->sysExList;
    const auto index = static_cast<std::size_t>(sysExIndex_);
    const SysExRecord& record = list[index];
    const OutputSettings& settings = output_.Settings();
    const bool inPiece =
        record.time > piece_->firstEventTime && record.time <= piece_->lastEventTime;
    const bool send =
        settings.transmitSysex && (settings.sysexMode != kSysexWhenFileOpened || inPiece);
    if (send && record.bufferIndex < piece_->sysExBuffers.size())
        output_.SendMidi(piece_->sysExBuffers[record.bufferIndex], settings.sysexPort);
    ++sysExIndex_;
    if (index + 1 < list.size()) {
        list_.AdvanceHead(static_cast<ScorePosition>(list[index + 1].time),
                          SysExWord(list[index + 1]));
    } else {
        list_.RemoveHead();
    }
}

void PlaybackTick::ServeTrack() {
    const auto trackIndex = static_cast<std::size_t>(list_.Head().tag);
    Track& track = piece_->tracks[trackIndex];
    const TrackEvent& event = track.events[static_cast<std::size_t>(track.nextIndex)];
    const bool playing = track.playFlag != 0;
    const bool performanceTrack = static_cast<int>(trackIndex) == piece_->TrackCount();
    const std::uint8_t kind = event.kind & 0xF0;
    const auto status = static_cast<std::uint8_t>(kind | (track.channel & 0x0F));
    const std::int16_t transpose = masterTranspose_.load();
    ChaseState& chase = track.chase;
    const std::uint8_t key = event.data1 & 0x7F;
    const PerformancePlayback& performance = start_.performance;
    const bool punchFollowing = performance.on && performance.punchIn &&
                                performance.IsFollowingTrack(static_cast<std::int32_t>(trackIndex));
    // Inside the punch section the take sounds instead; the counters go on.
    bool send = playing && !(punchFollowing && insidePunch_.load());
    std::uint8_t data1 = event.data1;
    std::uint8_t data2 = event.data2;

    if (IsNoteOff(kind, event.data2)) {
        std::int16_t& counter = chase.noteCounters[key];
        const auto sounding = SoundingKey(key, track.transpose, transpose);
        send = send && counter > 0 && sounding.has_value();
        if (counter > 0) counter = playing ? static_cast<std::int16_t>(counter - 1) : 0;
        if (sounding) data1 = *sounding;
    } else if (kind == kNoteOn) {
        // Skipped whole: neither sounded nor counted, so its note-off is dropped too.
        const bool over = Following() && AlreadyOver(track, key);
        const bool fastForward = start_.clock.motion == PlaybackMotion::FastForward;
        const auto velocity = ShapeNoteOnVelocity(track.volume, event.data2, masterVolume_.load(),
                                                  followVolume_.load(), fastForward);
        const auto sounding = SoundingKey(key, track.transpose, transpose);
        send = send && !over && velocity.has_value() && sounding.has_value();
        if (velocity && !over) {
            std::int16_t& counter = chase.noteCounters[key];
            counter = playing ? static_cast<std::int16_t>(counter + 1) : std::int16_t{*velocity};
            data2 = *velocity;
        }
        if (sounding) data1 = *sounding;
    } else if (kind == kKeyPressure) {
        const auto sounding = SoundingKey(key, track.transpose, transpose);
        send = send && sounding.has_value();
        if (sounding) data1 = *sounding;
    } else if (kind == kControlChange) {
        chase.controllerValues[key] = event.data2;
    } else if (kind == kProgramChange) {
        chase.programIndex = event.data1;
    } else if (kind == kPitchWheel) {
        chase.pitchBendLsb = event.data1;
        chase.pitchBendMsb = event.data2;
    }

    if (send) {
        if (kind == kProgramChange && !performanceTrack) {
            if (event.data1 < kMaxPatchEntries)
                output_.SendPatch(track.patches.entries[event.data1], track.channel, track.port,
                                  track.substituteFlag != 0);
        } else {
            const std::array<std::uint8_t, 3> message{status, data1, data2};
            output_.SendMidi(message, track.port);
        }
    }

    ++track.nextIndex;
    if (track.nextIndex < track.count) {
        const TrackEvent& next = track.events[static_cast<std::size_t>(track.nextIndex)];
        list_.AdvanceHead(static_cast<ScorePosition>(next.time), TrackEventWord(next));
    } else {
        list_.RemoveHead();
    }
    if (punchFollowing) SwitchPunchIn(track);
}

}  // namespace ostinel
