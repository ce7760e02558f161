#include "playback/transport.h"

#include <algorithm>
#include <array>
#include <utility>

#include "midi/reset_messages.h"
#include "playback/chase.h"
#include "playback/silence.h"

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
    position_ = 0;
    if (piece_ != nullptr) Locate(0);
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

PositionClock Transport::LiveClock() const {
    PositionClock clock = positionClock_;
    if (mode_.playingPerformance) {
        const SteeredTempo tempo = tick_.Tempo();
        clock.anchor = tempo.anchor;
        clock.speed = tempo.speed;
    }
    return clock;
}

ScorePosition Transport::End() const {
    return piece_ == nullptr ? 0 : static_cast<ScorePosition>(piece_->length);
}

DisplayedBeat Transport::Display() const {
    return mode_.Sounding() && !mode_.previewing ? tick_.Display() : located_.display;
}

bool Transport::NeedsIdlePass() const {
    return mode_.playing || following_.StartPending() || loopRestart_.Pending() ||
           notesOff_.Pending();
}

// --- starting --------------------------------------------------------------

void Transport::SaveModeAndStop() {
    // A drag of the position stops and restarts many times: the mode it
    // interrupted is the one to resume.
    if (!dragging_) saved_ = mode_.playing ? SavedMode::Of(mode_) : SavedMode{};
    if (mode_.playing) Stop();
}

bool Transport::TrackSounds(int index) const {
    const Track& track = piece_->tracks[static_cast<std::size_t>(index)];
    return track.playFlag != 0;
}

bool Transport::TrackInSpan(int index) const {
    if (index == piece_->TrackCount())
        return spanTracks_.includePerformanceTrack && TrackSounds(index);
    return TrackSounds(index) && index != spanTracks_.leftOutTrack &&
           index != spanTracks_.secondLeftOutTrack;
}

bool Transport::TrackChasedAtStart(int index) const {
    if (!TrackInSpan(index)) return false;
    return !mode_.playingPerformance || takePlayback_.ChasedAtStart(*piece_, index);
}

bool Transport::MusicalSpan() const {
    return mode_.following || mode_.playingFile || mode_.playingPerformance;
}

void Transport::StartAtLoopBegin() {
    if (!loop_.on || mode_.playing) return;
    position_ = std::clamp(loop_.begin, 0, End());
    Locate(position_);
    ui_.PositionChanged();
}

void Transport::LeaveLoopIfOutside(ScorePosition position) {
    if (loop_.on && !loop_.Contains(position)) {
        loop_.on = false;
        loopRestart_.Cancel();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::LoopMode));
    }
}

void Transport::SetLoopSettings(const LoopSettings& loop) {
    loop_ = loop;
    if (!loop_.on) loopRestart_.Cancel();
    UpdateMenuState();
}

void Transport::ToggleLoopMode() {
    loop_.on = !loop_.on;
    // Turning it off during the restart delay cancels the restart.
    if (!loop_.on) loopRestart_.Cancel();
    UpdateMenuState();
}

void Transport::ToggleMetronome() {
    metronome_.on = !metronome_.on;
    if (metronome_.on && MusicalSpan() && metronome_.HasPatch())
        chase_.SendMetronomeProgram(metronome_);
}

bool Transport::CommonStart(PlaybackMotion motion, bool allTracks) {
    if (piece_ == nullptr) return false;
    loopRestart_.Cancel();
    // Paced releases still owed go out now, before anything sounds again.
    notesOff_.Finish();

    PlaybackStart start;
    start.clock = PositionClock{PositionAnchor{position_, clock_.Now()}, master_.speed, motion,
                                End(), FollowerEstimate{}};
    if (motion == PlaybackMotion::Following) start.clock.follower = following_.Estimate();
    spanTracks_ = PlayListOptions{};
    if (!allTracks && follow_.followNotes) {
        spanTracks_.leftOutTrack = follow_.track;
        spanTracks_.secondLeftOutTrack =
            follow_.secondTrack != follow_.track ? follow_.secondTrack : -1;
    }
    if (mode_.playingPerformance)
        takePlayback_.PrepareStart(*piece_, position_, master_.speed, start, spanTracks_);
    start.tracks = spanTracks_;
    start.sysExIndex = sysExIndex_;
    start.beatIndex = located_.nextBeat;
    start.previewing = mode_.previewing;
    start.masterVolume = master_.volume;
    start.masterTranspose = master_.transpose;
    start.shown = located_.display;
    start.musicalSpan = MusicalSpan();
    if (loop_.on) start.loopEnd = loop_.end;
    start.metronome = metronome_;
    if (!tick_.Prepare(*piece_, start)) return false;
    // Loop points from where the user starts and stops.
    if (!loop_.on && loop_.setPointsAutomatically && !mode_.previewing) loop_.begin = position_;

    ChaseAll(motion == PlaybackMotion::FastForward || mode_.previewing);
    start.clock.anchor.time = clock_.Now();
    positionClock_ = start.clock;
    mode_.playing = true;
    tick_.Begin(start.clock.anchor.time);
    UpdateMenuState();
    history_.Record(position_);
    return true;
}

void Transport::ChaseAll(bool quiet) {
    ChaseAndSilence::Start start;
    start.position = position_;
    start.sysExIndex = sysExIndex_;
    start.masterVolume = master_.volume;
    start.masterTranspose = master_.transpose;
    start.quiet = quiet;
    start.metronomeClicks = metronome_.on && MusicalSpan() && metronome_.HasPatch();
    start.previewing = mode_.previewing;
    chase_.ChaseStart(*piece_, start, metronome_,
                      [this](int index) { return TrackChasedAtStart(index); });
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
    SaveModeAndStop();
    position_ = following_.StartPosition(End());
    const std::optional<SpeedFactor> speed =
        following_.StartFollower(position_, master_.speed, mode_.followerRestart);
    if (!speed) return;
    master_.speed = *speed;
    mode_.following = true;
    if (!CommonStart(PlaybackMotion::Following, !follow_.followNotes)) {
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
    position_ = std::clamp(following_.TakeRestart(), 0, End());
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
    if (Position() <= 0) return;
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

// --- stopping --------------------------------------------------------------

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

void Transport::StopSpan() {
    if (mode_.rewinding) {
        RewindStep();
        mode_.rewinding = false;
        mode_.playing = false;
        positionClock_.motion = PlaybackMotion::Stopped;
        Locate(position_);
        ui_.PositionChanged();
        return;
    }
    const bool wasFollowing = mode_.following;
    if (wasFollowing) following_.StopFollower();
    tick_.Stop();
    SilenceAll();
    position_ = CurrentPosition(LiveClock(), clock_.Now());
    if (wasFollowing) {
        position_ = std::max(position_, history_.Front());
        master_.speed = following_.MasterTempoBeforeFollowing();
        positionClock_.speed = master_.speed;
        following_.End(*piece_, position_, spanTracks_);
    }
    if (mode_.playingPerformance) {
        if (takePlayback_.ReplacesFollowingTracks())
            following_.RestoreFollowingTracks(*piece_, spanTracks_);
        takePlayback_.End(*piece_);
        positionClock_.speed = master_.speed;
    }
    if (tick_.TakeLoopEndReached() && loop_.on && loop_.restartAutomatically) {
        loopRestart_.Schedule(loop_.restartDelaySec,
                              mode_.following     ? TransportRequest::PlayAndFollow
                              : mode_.playingFile ? TransportRequest::PlayFile
                                                  : TransportRequest::PlayPerformance);
    }
    if (!loop_.on && loop_.setPointsAutomatically && !mode_.previewing) loop_.end = position_;
    mode_.playing = false;
    positionClock_.motion = PlaybackMotion::Stopped;
    positionClock_.anchor = PositionAnchor{position_, clock_.Now()};
    if (!mode_.previewing) {
        Locate(position_);
        ui_.PositionChanged();
    }
    spanTracks_ = PlayListOptions{};
    mode_.following = false;
    mode_.playingFile = false;
    mode_.playingPerformance = false;
    mode_.fastForward = false;
    mode_.previewing = false;
    mode_.followerRestart = false;
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

void Transport::SilenceAll() {
    // The file's tracks, and the performance track when it was a source.
    const int tracks = piece_->TrackCount() + (spanTracks_.includePerformanceTrack ? 1 : 0);
    chase_.SilenceStop(*piece_, tracks, tick_.NextSysEx(), master_.transpose, mode_.previewing,
                       [this](int index) { return TrackInSpan(index); });
}

// --- locating --------------------------------------------------------------

void Transport::Locate(ScorePosition position, bool afterPlaying) {
    if (piece_ == nullptr) return;
    const bool rescan = afterPlaying || mode_.following || mode_.playingFile ||
                        mode_.playingPerformance || mode_.fastForward || mode_.previewing;
    LocateTracks(*piece_, position, rescan);
    located_ = LocateBeat(*piece_, position, master_.speed);
    sysExIndex_ = LocateSysEx(*piece_, position);
    positionClock_.anchor = PositionAnchor{position, clock_.Now()};
    positionClock_.end = End();
    following_.Located(position);
    publishedPosition_.store(position);
    if (output_.Settings().transmitExternalSync) chase_.SendLocateSync(*piece_, position);
}

// --- jumps -----------------------------------------------------------------

void Transport::JumpThenResume(ScorePosition target) {
    if (piece_ == nullptr || mode_.previewing) return;
    SaveModeAndStop();
    position_ = std::clamp(target, 0, End());
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
    JumpThenResume(atOrAfter != rehearsalPoints_.begin() ? *(atOrAfter - 1) : 0);
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
    const std::int64_t moved = std::int64_t{position_} - elapsed * kRewindMsPerSixtieth;
    position_ = static_cast<ScorePosition>(std::max<std::int64_t>(moved, 0));
}

void Transport::IdleStep() {
    // The follower asked to restart elsewhere: request 5 carries it out.
    if (following_.RestartRequested()) requests_.PostRequest(TransportRequest::Stop);
    if (mode_.rewinding) {
        RewindStep();
        if (position_ < 1) {
            position_ = 0;
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
    Publish();
    SetRequestAvailability(MenuState(), availability_);
    ui_.MenuStateChanged();
}

void Transport::Publish() {
    publishedPosition_.store(position_);
    const std::array<bool, 7> flags{
        mode_.playing,     mode_.following, mode_.playingFile, mode_.playingPerformance,
        mode_.fastForward, mode_.rewinding, mode_.previewing};
    std::uint16_t bits = 0;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) bits = static_cast<std::uint16_t>(bits | (1u << i));
    publishedMode_.store(bits);
}

TransportMode Transport::PublishedMode() const {
    const std::uint16_t bits = publishedMode_.load();
    const auto bit = [bits](unsigned i) { return (bits & (1u << i)) != 0; };
    TransportMode mode;
    mode.playing = bit(0);
    mode.following = bit(1);
    mode.playingFile = bit(2);
    mode.playingPerformance = bit(3);
    mode.fastForward = bit(4);
    mode.rewinding = bit(5);
    mode.previewing = bit(6);
    return mode;
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
        facts.afterStart = position > 0;
        facts.volumesChanged = std::any_of(piece_->tracks.begin(), piece_->tracks.end(),
                                           [](const Track& t) { return t.volume != 256; });
    } else {
        facts.beforeEnd = false;
    }
    return MenuStateFor(facts);
}

}  // namespace ostinel
