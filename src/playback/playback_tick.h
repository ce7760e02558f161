#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "midi/midi_output.h"
#include "midi/sync/midi_clock.h"
#include "midi/sync/mtc_quarter_frames.h"
#include "platform/clock.h"
#include "platform/one_shot_timer.h"
#include "platform/timer_service.h"
#include "playback/loop_and_metronome.h"
#include "playback/performance_tempo.h"
#include "playback/play_list.h"
#include "playback/position_clock.h"
#include "playback/transport_request_queue.h"
#include "sequence/piece.h"

namespace ostinel {

// Play Performance: the performed tempos steer the speed, and in Punch-In the
// following tracks give way to the take inside the punch section.
struct PerformancePlayback {
    bool on = false;
    const PerformanceTempoList* tempos = nullptr;  // the transport's; unchanged until Stop
    PerformanceTempoChoices choices;
    std::int32_t tempoIndex = 0;  // the first entry at or after the start position
    std::uint32_t ratio = 4096;   // the tempo ratio the span starts with, 4096 = the file's
    SpeedFactor masterTempo = kOwnTempoSpeed;
    SpeedFactor masterTempoAtRecording = kOwnTempoSpeed;
    bool punchIn = false;  // notes followed, "Play:" Punch-In
    PunchSection punch;    // inside: the start lies in the section
    std::array<std::int32_t, 2> followingTracks{-1, -1};

    bool IsFollowingTrack(std::int32_t track) const {
        return track >= 0 && (track == followingTracks[0] || track == followingTracks[1]);
    }
};

// Where the steered position stood and how fast it moved from there.
struct SteeredTempo {
    PositionAnchor anchor;
    SpeedFactor speed = kOwnTempoSpeed;
};

// What the display shows while playing.
struct DisplayedBeat {
    std::int32_t measure = 0;
    std::int32_t beat = 0;
    bool longMeasure = false;  // the measure has more than nine beats
    std::int32_t tempo = 0;    // beats per minute; 0 until a beat with a next one
};

// How a playing span starts: where, how fast, and what plays.
struct PlaybackStart {
    PositionClock clock;  // anchor, speed, motion (Playing or FastForward) and the end
    PlayListOptions tracks;
    std::int32_t sysExIndex = 0;  // the next system-exclusive message to serve
    std::int32_t beatIndex = 0;   // the next beat to serve
    bool previewing = false;      // no display values, no external sync
    std::int16_t masterVolume = 256;
    std::int16_t masterTranspose = 0;
    DisplayedBeat shown;  // what the display shows until the first beat is served
    // Following, playing the file or a performance: the spans that click and
    // that stop at the loop end (fast forward and preview do neither).
    bool musicalSpan = false;
    // The first loop end and metronome; SetLoopEnd and SetMetronome change
    // them while the span plays.
    std::optional<ScorePosition> loopEnd;  // loop mode: the span stops after this
    MetronomeSettings metronome;           // clicks when on and the span is musical
    PerformancePlayback performance;
};

// The scheduler of the accompaniment: sends every event of the piece at its
// moment, keeps each track's ChaseState, emits the external sync, and arms
// itself for the next instant. One object per engine.
class PlaybackTick {
  public:
    PlaybackTick(const platform::Clock& clock, platform::TimerService& timers, MidiOutput& output,
                 TransportRequestQueue& requests);
    PlaybackTick(const PlaybackTick&) = delete;
    PlaybackTick& operator=(const PlaybackTick&) = delete;

    // main thread, while stopped: builds the PlayList (allocating it). The
    // piece must stay loaded and unchanged until Stop. Returns false when
    // nothing is left to play.
    bool Prepare(Piece& piece, const PlaybackStart& start);
    // main thread, after a successful Prepare: anchors the start at clock
    // reading `anchorTime`, places the sync output and runs or arms the first
    // tick. The transport chases between the two.
    void Begin(platform::ClockMs anchorTime);
    // main thread: Prepare and Begin at the start's own anchor time.
    bool Start(Piece& piece, const PlaybackStart& start);
    // main thread: no tick runs or starts after this returns; a tick running
    // on the timer thread is waited for, so that nothing sounds after a stop
    // has silenced the devices.
    void Stop();

    // timer thread, or the thread that arms a tick already due.
    void RunTick();

    // main thread: set around changes to the tracks' play flags; a tick that
    // finds it set tries again 2 ms later. Setting it waits for a tick that
    // is running to finish, so the tracks are the caller's until it is cleared.
    void SetHold(bool hold);
    // main thread, while playing (not following): the master tempo changed.
    // The span goes on from where it is now at the new speed; a performance
    // keeps its performed tempo relative to the new master tempo.
    void ChangeSpeed(SpeedFactor masterTempo);
    // any thread, while following: the follower moved its anchor or tempo.
    // The pending tick is dropped and the next one armed by the follower's
    // new answer; a tick running meanwhile re-arms itself before it ends.
    void Steer();
    // any thread
    void SetMasterVolume(std::int16_t volume) { masterVolume_.store(volume); }
    void SetMasterTranspose(std::int16_t halfSteps) { masterTranspose_.store(halfSteps); }
    void SetFollowVolume(std::int16_t volume) { followVolume_.store(volume); }
    // any thread: the loop end (none: loop mode off) and the metronome that
    // the next instant and the next beat of the running span obey.
    void SetLoopEnd(std::optional<ScorePosition> loopEnd);
    void SetMetronome(const MetronomeSettings& metronome);
    std::int16_t FollowVolume() const { return followVolume_.load(); }

    // any thread
    DisplayedBeat Display() const;
    bool Playing() const { return running_.load(std::memory_order_acquire); }
    // timer thread, or any thread while stopped.
    const PlayList& List() const { return list_; }
    // main thread while stopped: the first system-exclusive message not served.
    std::int32_t NextSysEx() const { return sysExIndex_; }
    // main thread: whether the last span ended at the loop end; asking clears it.
    bool TakeLoopEndReached() { return loopEndReached_.exchange(false); }
    // any thread: the anchor and speed the span moves by now; a performance
    // changes them at its tempo points.
    SteeredTempo Tempo() const;
    // any thread: whether Punch-In playback is inside the punch section.
    bool InsidePunchSection() const { return insidePunch_.load(); }

  private:
    static void OnTimer(void* self);
    bool SyncOn() const;
    ScorePosition SyncDue() const;
    void SendSync();
    // Serves every head entry due at `head`; false when the list ran out.
    bool ServeInstant(ScorePosition head);
    void ServeBeat(ScorePosition head);
    void Click(const BeatRecord& beat, const BeatRecord* next);
    // The span ends where the next head lies past the loop end.
    bool PastLoopEnd() const;
    void ServeTrack();
    void ServeSysEx();
    // Whether the next instant is due now; else `when` is the clock time to
    // wake for it, or `held` is set when the follower holds it.
    bool NextInstantDue(platform::ClockMs& when, bool& held) const;
    bool Following() const { return start_.clock.motion == PlaybackMotion::Following; }
    // A note-on that the follower's position has already passed with its
    // note-off: playing it now would only sound a stub.
    bool AlreadyOver(const Track& track, std::uint8_t key) const;
    // The performed tempo step at head time `head`.
    void SteerPerformanceSpeed(ScorePosition head);
    // The following tracks give way to the take on entering the punch
    // section, and take over again on leaving it.
    void SwitchPunchIn(const Track& followingTrack);
    void PublishTempo();

    const platform::Clock& clock_;
    MidiOutput& output_;
    TransportRequestQueue& requests_;
    OneShotTimer timer_;

    // Set by Start on the main thread while no tick runs; the tick owns them after.
    Piece* piece_ = nullptr;
    PlaybackStart start_;
    PlayList list_;
    std::int32_t sysExIndex_ = 0;
    std::int32_t beatIndex_ = 0;
    MidiClockSync midiClock_;
    MtcQuarterFrames timeCode_ = MtcQuarterFrames::StartAt(ScorePosition{}, SmpteFrameRate::Fps30);

    // Published for other threads by the tick (or the main thread while it
    // holds the tick), read with a version check.
    std::atomic<std::uint32_t> tempoVersion_{0};
    std::atomic<ScorePosition> tempoAnchorPosition_{};
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
    std::atomic<platform::ClockMs> tempoAnchorTime_{};
    static_assert(std::atomic<platform::ClockMs>::is_always_lock_free);
    std::atomic<SpeedFactor> tempoSpeed_{kOwnTempoSpeed};
    static_assert(std::atomic<SpeedFactor>::is_always_lock_free);
    std::atomic<bool> insidePunch_{false};

    std::atomic<bool> running_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> steered_{false};
    std::atomic<bool> loopEndReached_{false};
    std::atomic<bool> hold_{false};
    std::atomic<std::int16_t> masterVolume_{256};
    std::atomic<std::int16_t> masterTranspose_{0};
    std::atomic<std::int16_t> followVolume_{256};
    // Read by the tick at each instant, written by the main thread at any
    // moment: each is one word, so the tick never sees half a change.
    std::atomic<std::int64_t> loopEnd_{0};
    std::atomic<std::uint64_t> metronome_{0};

    std::atomic<std::int32_t> shownMeasure_{0};
    std::atomic<std::int32_t> shownBeat_{0};
    std::atomic<bool> shownLongMeasure_{false};
    std::atomic<std::int32_t> shownTempo_{0};
};

}  // namespace ostinel
