#include "playback/transport.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "midi/reset_messages.h"
#include "playback/chase.h"
#include "playback/silence.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

Transport::Transport(const platform::Clock& clock, platform::TimerService& timers,
                     MidiOutput& output, PlaybackTick& tick, TransportRequestQueue& requests,
                     TransportAvailability& availability, TransportUi& ui)
    : clock_(clock),
      timers_(timers),
      output_(output),
      tick_(tick),
      requests_(requests),
      availability_(availability),
      ui_(ui) {
    UpdateMenuState();
}

void Transport::UsePiece(Piece* piece) {
    Stop();
    piece_ = piece;
    history_.Clear();
    take_.tempos = PerformanceTempoList{};
    take_.punch = PunchSection{};
    saved_ = SavedMode{};
    position_ = ScorePosition{};
    if (piece_ != nullptr) Locate(ScorePosition{0});
    UpdateMenuState();
}

void Transport::SetMasterSettings(const MasterSettings& master) {
    const bool newSpeed = master.speed != master_.speed;
    if (mode_.Sounding() && newSpeed) {
        const platform::ClockMs now = clock_.Now();
        positionClock_.anchor = PositionAnchor{CurrentPosition(LiveClock(), now), now};
        positionClock_.speed = master.speed;
        tick_.ChangeSpeed(master.speed);
    }
    master_ = master;
    tick_.SetMasterVolume(master.volume);
    tick_.SetMasterTranspose(master.transpose);
    if (!mode_.playing && piece_ != nullptr && newSpeed) {
        located_ = LocateBeat(*piece_, position_, master_.speed);
        ui_.PositionChanged();
    }
}

void Transport::SetRehearsalPoints(std::vector<ScorePosition> points) {
    std::sort(points.begin(), points.end());
    rehearsalPoints_ = std::move(points);
}

ScorePosition Transport::Position() const {
    if (!mode_.Sounding()) return position_;
    return CurrentPosition(LiveClock(), clock_.Now());
}

ScorePosition Transport::End() const {
    return piece_ == nullptr ? ScorePosition{}
                             : ScorePosition(static_cast<std::int32_t>(piece_->length));
}

DisplayedBeat Transport::Display() const {
    return mode_.Sounding() && !mode_.previewing ? tick_.Display() : located_.display;
}

bool Transport::NeedsIdlePass() const {
    return mode_.playing || following_.StartPending() || loopRestart_.Pending() ||
           notesOff_.Pending();
}

// --- the play commands -----------------------------------------------------

void Transport::SaveModeAndStop() {
    // A drag of the position stops and restarts many times: the mode it
    // interrupted is the one to resume.
    if (!dragging_) saved_ = mode_.playing ? SavedMode::Of(mode_) : SavedMode{};
    if (mode_.playing) Stop();
}

void Transport::StartAtLoopBegin() {
    if (!loop_.on || mode_.playing) return;
    position_ = std::clamp(loop_.begin, ScorePosition{}, End());
    Locate(position_);
    ui_.PositionChanged();
}

void Transport::LeaveLoopIfOutside(ScorePosition position) {
    if (loop_.on && !loop_.Contains(position)) {
        loop_.on = false;
        loopRestart_.Cancel();
        HandLoopAndMetronomeToTick();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::LoopMode));
    }
}

void Transport::HandLoopAndMetronomeToTick() {
    tick_.SetLoopEnd(loop_.on ? std::optional<ScorePosition>(loop_.end) : std::nullopt);
    tick_.SetMetronome(metronome_);
}

void Transport::SetLoopSettings(const LoopSettings& loop) {
    loop_ = loop;
    if (!loop_.on) loopRestart_.Cancel();
    HandLoopAndMetronomeToTick();
    UpdateMenuState();
}

void Transport::SetMetronomeSettings(const MetronomeSettings& metronome) {
    metronome_ = metronome;
    HandLoopAndMetronomeToTick();
}

void Transport::ToggleLoopMode() {
    loop_.on = !loop_.on;
    // Turning it off during the restart delay cancels the restart.
    if (!loop_.on) loopRestart_.Cancel();
    HandLoopAndMetronomeToTick();
    UpdateMenuState();
}

void Transport::ToggleMetronome() {
    metronome_.on = !metronome_.on;
    HandLoopAndMetronomeToTick();
    if (metronome_.on && MusicalSpan() && metronome_.HasPatch())
        chase_.SendMetronomeProgram(metronome_);
}

void Transport::PlayAndFollow() {
    if (mode_.following || mode_.previewing || piece_ == nullptr || !following_.HasFollower())
        return;
    if (!mode_.followerRestart) StartAtLoopBegin();
    if (Position() >= End()) return;
    // The soloist hears the music first; following begins when the preview
    // ends (IdleStep), after a pause to get ready unless they start it.
    if (following_.PreviewFirst(mode_.followerRestart)) {
        Preview();
        if (mode_.previewing) return;
    }
    following_.EndLeadIn();
    // Said, not refused: the accompaniment still plays, but nothing steers it.
    if (!mode_.followerRestart && !following_.HearsTheSoloist())
        ui_.ShowMessage(StringTable().Get(string_id::kNothingToFollow));
    SaveModeAndStop();
    position_ = following_.StartPosition(End());
    const std::optional<SpeedFactor> speed =
        following_.StartFollower(position_, master_.speed, mode_.followerRestart);
    if (!speed) return;
    master_.speed = *speed;
    mode_.following = true;
    if (!CommonStart(PlaybackMotion::Following, !follow_.FollowsNotes())) {
        mode_.following = false;
        master_.speed = following_.MasterTempoBeforeFollowing();
        following_.StopFollower();
        return;
    }
    following_.Begin(*piece_, position_, spanTracks_);
}

void Transport::DiscardPerformance() {
    if (mode_.playing || piece_ == nullptr) return;
    Track& performance = piece_->PerformanceTrack();
    performance.events.clear();
    performance.count = 0;
    performance.nextIndex = 0;
    take_.tempos = PerformanceTempoList{};
    take_.punch = PunchSection{};
    ui_.TrackChanged(piece_->TrackCount());
    ui_.MenuStateChanged();
}

void Transport::RestartFollowing() {
    position_ = std::clamp(following_.TakeRestart(), ScorePosition{}, End());
    LeaveLoopIfOutside(position_);
    availability_.SetAvailable(TransportRequest::PlayAndFollow, true);
    requests_.PostRequest(TransportRequest::PlayAndFollow);
    mode_.followerRestart = true;
    Locate(position_);
    ui_.PositionChanged();
}

void Transport::PlayFile() {
    if (mode_.playingFile || mode_.previewing || piece_ == nullptr) return;
    StartAtLoopBegin();
    if (Position() >= End()) return;
    SaveModeAndStop();
    mode_.playingFile = true;
    if (!CommonStart(PlaybackMotion::Playing, true)) mode_.playingFile = false;
}

void Transport::PlayPerformance() {
    if (mode_.playingPerformance || mode_.previewing || piece_ == nullptr) return;
    if (!take_.Exists()) return;
    StartAtLoopBegin();
    if (Position() >= End()) return;
    SaveModeAndStop();
    mode_.playingPerformance = true;
    takePlayback_.Begin(*piece_, position_);
    if (!CommonStart(PlaybackMotion::Playing, true)) {
        mode_.playingPerformance = false;
        takePlayback_.End(*piece_);
        return;
    }
    // The take replaces them: they stay silent for the span, whatever the user toggles.
    if (takePlayback_.ReplacesFollowingTracks())
        following_.MuteFollowingTracks(*piece_, spanTracks_);
}

void Transport::FastForward() {
    if (mode_.fastForward || mode_.previewing || piece_ == nullptr) return;
    if (Position() >= End()) return;
    SaveModeAndStop();
    mode_.fastForward = true;
    if (!CommonStart(PlaybackMotion::FastForward, true)) mode_.fastForward = false;
}

void Transport::Rewind() {
    if (mode_.rewinding || mode_.previewing || piece_ == nullptr) return;
    if (Position() <= ScorePosition{}) return;
    SaveModeAndStop();
    rewindMark_ = clock_.NowSixtieths();
    mode_.rewinding = true;
    mode_.playing = true;
    positionClock_.motion = PlaybackMotion::Rewinding;
    UpdateMenuState();
}

void Transport::Preview() {
    if (mode_.previewing || piece_ == nullptr) return;
    if (Position() >= End()) return;
    SaveModeAndStop();
    previewReturn_ = position_;
    mode_.previewing = true;
    if (!CommonStart(PlaybackMotion::Playing, true)) {
        mode_.previewing = false;
        return;
    }
    previewEnd_ = clock_.Now() + kPreviewMs;
}

// --- Stop and the preview's end ------------------------------------------------

void Transport::Stop() {
    // A stop during the preview or the pause after it cancels the follow too.
    following_.CancelLeadIn();
    if (mode_.previewing) {
        FinishPreview();
        return;
    }
    if (mode_.playing) {
        StopSpan();
    } else {
        loopRestart_.Cancel();
    }
    UpdateMenuState();
}

void Transport::FinishPreview() {
    StopSpan();
    position_ = previewReturn_;
    // The preview's chase left counts of sounding notes where the locate
    // keeps velocities: scan again even where the tracks did not move.
    Locate(position_, true);
    ui_.PositionChanged();
    UpdateMenuState();
    following_.PreviewEnded();
}

// --- jumps -----------------------------------------------------------------

void Transport::JumpThenResume(ScorePosition target) {
    if (piece_ == nullptr || mode_.previewing) return;
    SaveModeAndStop();
    position_ = std::clamp(target, ScorePosition{}, End());
    LeaveLoopIfOutside(position_);
    Locate(position_);
    ui_.PositionChanged();
    UpdateMenuState();
    const SavedMode resume = saved_;
    if (resume.following) {
        PlayAndFollow();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::PlayAndFollow));
    } else if (resume.playingFile) {
        PlayFile();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::PlayFile));
    } else if (resume.playingPerformance) {
        PlayPerformance();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::PlayPerformance));
    } else if (resume.fastForward) {
        FastForward();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::FastForward));
    } else if (resume.rewinding) {
        Rewind();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::Rewind));
    }
}

void Transport::JumpAhead() {
    const ScorePosition now = Position();
    const auto next = std::upper_bound(rehearsalPoints_.begin(), rehearsalPoints_.end(), now);
    JumpThenResume(next != rehearsalPoints_.end() ? *next : End());
}

void Transport::JumpBack() {
    const ScorePosition now = Position();
    const auto atOrAfter = std::lower_bound(rehearsalPoints_.begin(), rehearsalPoints_.end(), now);
    JumpThenResume(atOrAfter != rehearsalPoints_.begin() ? *(atOrAfter - 1) : ScorePosition{});
}

void Transport::JumpAgain() {
    JumpThenResume(history_.After(Position()));
}

void Transport::JumpTo(ScorePosition target) {
    JumpThenResume(target);
}

// --- the idle pass ---------------------------------------------------------

void Transport::RewindStep() {
    const platform::ClockSixtieths now = clock_.NowSixtieths();
    const auto elapsed = static_cast<std::int64_t>(now - rewindMark_);
    rewindMark_ = now;
    const std::int64_t moved = std::int64_t{position_.Ms()} - elapsed * kRewindMsPerSixtieth;
    position_ = static_cast<ScorePosition>(std::max<std::int64_t>(moved, 0));
}

void Transport::IdleStep() {
    // The follower asked to restart elsewhere: request 5 carries it out.
    if (following_.RestartRequested()) requests_.PostRequest(TransportRequest::Stop);
    if (mode_.rewinding) {
        RewindStep();
        if (position_ < ScorePosition{1}) {
            position_ = ScorePosition{};
            requests_.PostRequest(TransportRequest::Stop);
        }
        Locate(position_);
        ui_.PositionChanged();
    } else if (mode_.previewing) {
        if (platform::ClockReached(clock_.Now(), previewEnd_)) FinishPreview();
    } else if (mode_.playing) {
        ui_.PositionChanged();
        if (Position() >= End()) requests_.PostRequest(TransportRequest::Stop);
    }
    notesOff_.Step();
    if (const auto restart = loopRestart_.TakeDue())
        if (loop_.on) requests_.PostRequest(*restart);
    if (following_.TakeDueStart()) {
        PlayAndFollow();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::PlayAndFollow));
    }
}

void Transport::CarryOut(TransportRequest request) {
    switch (request) {
        case TransportRequest::PlayAndFollow:
            PlayAndFollow();
            break;
        case TransportRequest::PlayFile:
            PlayFile();
            break;
        case TransportRequest::PlayPerformance:
            PlayPerformance();
            break;
        case TransportRequest::FastForward:
            FastForward();
            break;
        case TransportRequest::Rewind:
            Rewind();
            break;
        case TransportRequest::Stop:
            // A queued stop (the tick's end of the piece) never cuts a preview short.
            if (mode_.previewing) return;
            if (mode_.playing) {
                StopSpan();
                ui_.FlashButton(*FlashButtonAfter(TransportRequest::Stop));
            }
            if (following_.RestartRequested()) {
                RestartFollowing();
            } else {
                UpdateMenuState();
            }
            return;
        case TransportRequest::Preview:
            Preview();
            break;
        case TransportRequest::JumpAhead:
            JumpAhead();
            return;
        case TransportRequest::JumpBack:
            JumpBack();
            return;
        case TransportRequest::JumpAgain:
            JumpAgain();
            return;
        case TransportRequest::AllNotesOff:
            AllNotesOff();
            return;
        case TransportRequest::Metronome:
            ToggleMetronome();
            break;
        case TransportRequest::LoopMode:
            ToggleLoopMode();
            break;
        default:
            return;
    }
    if (const auto button = FlashButtonAfter(request)) ui_.FlashButton(*button);
}

// --- devices and tracks ----------------------------------------------------

void Transport::AllNotesOff() {
    notesOff_.Start();
}

bool Transport::MidiReset() {
    return ostinel::MidiReset(ui_, output_);
}

void Transport::ResetVolumeOnAllTracks() {
    if (piece_ == nullptr) return;
    for (std::size_t i = 0; i < piece_->tracks.size(); ++i) {
        piece_->tracks[i].volume = 256;
        ui_.TrackChanged(static_cast<int>(i));
    }
    UpdateMenuState();
}

void Transport::SetTrackPlaying(int track, bool play) {
    if (piece_ == nullptr || track < 0 || track >= piece_->TrackCount()) return;
    Track& target = piece_->tracks[static_cast<std::size_t>(track)];
    if ((target.playFlag != 0) == play) return;
    if (!mode_.Sounding()) {
        target.playFlag = play ? 1 : 0;
        ui_.TrackChanged(track);
        return;
    }
    tick_.SetHold(true);
    const OutputSettings& settings = output_.Settings();
    if (play) {
        target.playFlag = 1;
        ChaseTrackSettings(target, output_, false, false);
        const bool quiet = mode_.fastForward || mode_.previewing;
        ChaseHeldNotes(
            target, output_,
            HeldNoteShaping{settings.soundHeldNotes, master_.volume, master_.transpose, quiet});
    } else {
        SilenceTrack(target, output_, master_.transpose, settings.thruOn);
        target.playFlag = 0;
    }
    tick_.SetHold(false);
    ui_.TrackChanged(track);
}

void Transport::RefreshStoppedMenuState() {
    if (mode_.playing) return;
    UpdateMenuState();
}

void Transport::Relocate() {
    if (mode_.playing) return;
    Locate(position_);
    UpdateMenuState();
}

void Transport::UpdateMenuState() {
    published_.Publish(position_, mode_);
    SetRequestAvailability(MenuState(), availability_);
    ui_.MenuStateChanged();
}

TransportMenuState Transport::MenuState() const {
    MenuStateFacts facts;
    facts.mode = mode_;
    facts.loopMode = loop_.on;
    facts.performanceExists = take_.Exists();
    facts.loopRestartPending = loopRestart_.Pending();
    if (piece_ != nullptr) {
        const ScorePosition position = Position();
        facts.beforeEnd = position < End();
        facts.afterStart = position > ScorePosition{};
        facts.volumesChanged = std::any_of(piece_->tracks.begin(), piece_->tracks.end(),
                                           [](const Track& t) { return t.volume != 256; });
    } else {
        facts.beforeEnd = false;
    }
    return MenuStateFor(facts);
}

}  // namespace ostinel
