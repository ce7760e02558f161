#pragma once

#include <cstdint>
#include <vector>

#include "follower/engine/follower.h"
#include "follower/following_options.h"
#include "midi/midi_output.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "playback/chase_and_silence.h"
#include "playback/follower_reports.h"
#include "playback/following_session.h"
#include "playback/locate.h"
#include "playback/loop_and_metronome.h"
#include "playback/loop_restart.h"
#include "playback/paced_notes_off.h"
#include "playback/performance_settings.h"
#include "playback/performance_tempo.h"
#include "playback/playback_tick.h"
#include "playback/position_clock.h"
#include "playback/published_transport.h"
#include "playback/recorded_take.h"
#include "playback/soloist_listening.h"
#include "playback/start_history.h"
#include "playback/take_playback.h"
#include "playback/transport_availability.h"
#include "playback/transport_menu_state.h"
#include "playback/transport_mode.h"
#include "playback/transport_request_queue.h"
#include "playback/transport_ui.h"
#include "sequence/piece.h"

namespace ostinel {

// The master settings every span plays with.
struct MasterSettings {
    SpeedFactor speed = kOwnTempoSpeed;
    std::int16_t volume = 256;
    std::int16_t transpose = 0;
};

// Starts, stops and moves playback: Play and Follow, Play File, Fast Forward, Rewind,
// Preview, Stop, the jumps, and the commands that reset the devices. Keeps the
// stopped piece located at the position, so that a start chases the right
// state and the display shows the right beat. It owns the parts with an idea
// of their own: FollowingSession, TakePlayback, LoopRestart, PacedNotesOff,
// ChaseAndSilence and PublishedTransport. How a span starts and stops is
// defined in transport_span.cpp.
//
// Threads: every operation runs on the main thread. The tick runs on the
// timer thread from a start until Stop; the transport reaches it only through
// the tick's own operations.
class Transport {
  public:
    static constexpr std::uint32_t kPreviewMs = 4000;
    static constexpr std::int32_t kRewindMsPerSixtieth = 66;
    static constexpr std::uint32_t kAllNotesOffPauseMs = PacedNotesOff::kPauseMs;
    static constexpr std::uint32_t kReadyPauseMs = FollowingSession::kReadyPauseMs;

    Transport(const platform::Clock& clock, platform::TimerService& timers, MidiOutput& output,
              PlaybackTick& tick, TransportRequestQueue& requests,
              TransportAvailability& availability, TransportUi& ui);
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // main thread. The piece that plays from now on (nullptr: none). Stops
    // first, clears the start history and locates at the start.
    void UsePiece(Piece* piece);

    // main thread. A new master tempo takes effect at once, also while playing.
    void SetMasterSettings(const MasterSettings& master);
    const MasterSettings& Master() const { return master_; }
    // main thread: the rehearsal points of the special markers, sorted.
    void SetRehearsalPoints(std::vector<ScorePosition> points);
    // main thread: while the user drags the position, stops keep the saved mode.
    void SetDraggingPosition(bool dragging) { dragging_ = dragging; }
    // main thread, at start-up: what Play and Follow works with.
    void UseFollower(Follower& follower, FollowerReports& reports, SoloistListening& listening) {
        following_.UseFollower(follower, reports, listening);
    }
    // main thread, while stopped.
    void SetFollowingOptions(const FollowingOptions& options) { follow_ = options; }
    // main thread: loop mode and the metronome; a running span stops at the
    // new loop end and clicks by the new metronome from its next beat on.
    void SetLoopSettings(const LoopSettings& loop);
    const LoopSettings& Loop() const { return loop_; }
    void SetMetronomeSettings(const MetronomeSettings& metronome);
    const MetronomeSettings& Metronome() const { return metronome_; }
    // main thread, while stopped: how Play Performance plays the last take.
    void SetPerformanceSettings(const PerformanceSettings& settings) {
        takePlayback_.SetSettings(settings);
    }
    const PerformanceSettings& Performance() const { return takePlayback_.Settings(); }
    // main thread: the Loop Mode and Metronome commands, also while playing.
    void ToggleLoopMode();
    void ToggleMetronome();
    // main thread: the last take, kept when following stopped: the stretch it
    // covered, its tempos, and the master tempo it was played at.
    const PunchSection& Punch() const { return take_.punch; }
    const PerformanceTempoList& PerformanceTempos() const { return take_.tempos; }
    SpeedFactor MasterTempoAtRecording() const { return take_.masterTempoAtRecording; }
    // main thread, while stopped: forgets the last take (its events, tempos
    // and span), as when the following source or tracks change.
    void DiscardPerformance();
    // main thread: whether a loop restart is waiting for its deadline.
    bool LoopRestartPending() const { return loopRestart_.Pending(); }
    // main thread
    const FollowingOptions& Following() const { return follow_; }

    // main thread: the transport commands.
    void PlayAndFollow();
    void PlayFile();
    // The last take again, with its performed tempos (the Performance Settings
    // say which tracks and tempos).
    void PlayPerformance();
    void FastForward();
    void Rewind();
    void Preview();
    void Stop();
    void JumpAhead();
    void JumpBack();
    void JumpAgain();
    void JumpTo(ScorePosition target);
    void ResetVolumeOnAllTracks();
    void AllNotesOff();
    // Asks first; true when the reset messages went out.
    bool MidiReset();
    // Turns one track on or off, also while it plays.
    void SetTrackPlaying(int track, bool play);
    // main thread, while stopped: after the ports or the output settings
    // changed, the menus and the request flags are worked out again, and
    // Relocate also locates anew at the position, so that the receivers of
    // sync hear where the piece stands with the new settings.
    void RefreshStoppedMenuState();
    void Relocate();

    // main thread: the idle pass's transport steps: the rewind motion, the
    // display refresh (and the stop at the end of the piece), the end of a
    // preview and the paced steps of All Notes Off.
    void IdleStep();
    // main thread: a request the idle pass took from the queue and found
    // available. Stop is dropped while previewing.
    void CarryOut(TransportRequest request);
    // any thread: whether the idle pass has work: something plays, rewinds,
    // previews or a paced step is pending. When false the program may sleep.
    bool NeedsIdlePass() const;

    // main thread
    const TransportMode& Mode() const { return mode_; }
    ScorePosition Position() const;
    ScorePosition End() const;
    DisplayedBeat Display() const;
    TransportMenuState MenuState() const;
    const StartHistory& History() const { return history_; }
    const SavedMode& Saved() const { return saved_; }

    // any thread: the stopped position and the running modes as last
    // published by the main thread, for the input thread.
    ScorePosition PublishedPosition() const { return published_.Position(); }
    TransportMode PublishedMode() const { return published_.Mode(); }

  private:
    void SaveModeAndStop();
    bool CommonStart(PlaybackMotion motion, bool allTracks);
    // The position clock with the tempo the tick steers a performance by.
    PositionClock LiveClock() const;
    void RestartFollowing();
    // Whether a track is a source of the span: it plays and is not left out.
    // The performance track is one only while a performance plays.
    bool TrackInSpan(int index) const;
    // Whether chasing sounds a source now (Punch-In hands the following
    // tracks and the take over at the punch section).
    bool TrackChasedAtStart(int index) const;
    // `afterPlaying`: the tracks' counters count sounding notes; scan them anew.
    void Locate(ScorePosition position, bool afterPlaying = false);
    void ChaseAll(bool quiet);
    void SilenceAll();
    void StopSpan();
    void FinishPreview();
    void RewindStep();
    void JumpThenResume(ScorePosition target);
    bool TrackSounds(int index) const;
    void UpdateMenuState();
    // A play command while stopped with loop mode on starts at the loop begin.
    void StartAtLoopBegin();
    // A jump or restart that leaves the loop turns loop mode off.
    void LeaveLoopIfOutside(ScorePosition position);
    // The tick reads loop mode and the metronome live.
    void HandLoopAndMetronomeToTick();
    // Following, playing the file or a performance.
    bool MusicalSpan() const;

    const platform::Clock& clock_;
    platform::TimerService& timers_;
    MidiOutput& output_;
    PlaybackTick& tick_;
    TransportRequestQueue& requests_;
    TransportAvailability& availability_;
    TransportUi& ui_;

    Piece* piece_ = nullptr;
    MasterSettings master_;
    TransportMode mode_;
    SavedMode saved_;
    StartHistory history_;
    std::vector<ScorePosition> rehearsalPoints_;
    bool dragging_ = false;

    FollowingOptions follow_;
    RecordedTake take_;
    FollowingSession following_{clock_, ui_, follow_, take_};
    TakePlayback takePlayback_{take_, follow_};
    PlayListOptions spanTracks_;  // which tracks the running span leaves out
    LoopSettings loop_;
    MetronomeSettings metronome_;
    LoopRestart loopRestart_{clock_};
    PacedNotesOff notesOff_{clock_, output_};
    ChaseAndSilence chase_{timers_, output_};

    // The stopped position, and how the position moves while playing.
    ScorePosition position_;
    PositionClock positionClock_;
    LocatedBeat located_;
    std::int32_t sysExIndex_ = 0;

    PublishedTransport published_;

    platform::ClockSixtieths rewindMark_ = 0;
    ScorePosition previewReturn_;
    platform::ClockMs previewEnd_{};
};

}  // namespace ostinel
