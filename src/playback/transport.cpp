#include "playback/transport.h"

#include <algorithm>
#include <array>
#include <utility>

#include "midi/reset_messages.h"
#include "midi/sync/midi_clock.h"
#include "midi/sync/mtc_quarter_frames.h"
#include "midi/sync/smpte_time.h"
#include "playback/chase.h"
#include "playback/silence.h"

namespace ostinel {
namespace {

constexpr int kNoAllNotesOffPending = kChannelCount;
constexpr std::uint8_t kAllSoundOffController = 120;
constexpr std::uint8_t kAllNotesOffController = 123;

SmpteFrameRate FrameRateOf(const OutputSettings& settings) {
    return static_cast<SmpteFrameRate>(settings.frameRate);
}

}  // namespace

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
    performanceTempos_ = PerformanceTempoList{};
    punch_ = PunchSection{};
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
    return mode_.playing || followStartPending_ || restartDeadline_.has_value() ||
           allNotesOffChannel_ < kNoAllNotesOffPending;
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
    if (!mode_.playingPerformance || !follow_.followNotes ||
        performance_.playMode != PerformancePlayMode::PunchIn)
        return true;
    if (index == piece_->TrackCount()) return punch_.inside;
    const bool following = index == follow_.track || index == follow_.secondTrack;
    return !following || !punch_.inside;
}

void Transport::UseFollower(Follower& follower, FollowerReports& reports, FollowingIntake& intake) {
    follower_ = &follower;
    reports_ = &reports;
    intake_ = &intake;
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
        restartDeadline_.reset();
        ui_.FlashButton(*FlashButtonAfter(TransportRequest::LoopMode));
    }
}

void Transport::SetLoopSettings(const LoopSettings& loop) {
    loop_ = loop;
    if (!loop_.on) restartDeadline_.reset();
    UpdateMenuState();
}

void Transport::ToggleLoopMode() {
    loop_.on = !loop_.on;
    // Turning it off during the restart delay cancels the restart.
    if (!loop_.on) restartDeadline_.reset();
    UpdateMenuState();
}

void Transport::ToggleMetronome() {
    metronome_.on = !metronome_.on;
    if (metronome_.on && MusicalSpan() && metronome_.HasPatch()) {
        const std::array<std::uint8_t, 2> program{
            static_cast<std::uint8_t>(kProgramChange | metronome_.channel), metronome_.patch};
        output_.SendMidi(program, metronome_.port);
    }
}

bool Transport::CommonStart(PlaybackMotion motion, bool allTracks) {
    if (piece_ == nullptr) return false;
    restartDeadline_.reset();
    // Paced releases still owed go out now, before anything sounds again.
    while (allNotesOffChannel_ < kNoAllNotesOffPending)
        SendAllNotesOffChannel();

    PlaybackStart start;
    start.clock = PositionClock{PositionAnchor{position_, clock_.Now()}, master_.speed, motion,
                                End(), FollowerEstimate{}};
    if (motion == PlaybackMotion::Following) {
        start.clock.follower = FollowerEstimate{
            [](void* follower) { return static_cast<Follower*>(follower)->Position(); },
            [](void* follower, ScorePosition position) {
                return static_cast<Follower*>(follower)->TimeUntil(position);
            },
            follower_};
    }
    spanTracks_ = PlayListOptions{};
    if (!allTracks && follow_.followNotes) {
        spanTracks_.leftOutTrack = follow_.track;
        spanTracks_.secondLeftOutTrack =
            follow_.secondTrack != follow_.track ? follow_.secondTrack : -1;
    }
    if (mode_.playingPerformance) {
        start.performance = PerformanceStart(
            StartingTempoRatio(performanceTempos_, position_, performance_.tempos));
        start.clock.speed =
            SpeedForRatio(start.performance.ratio, master_.speed, masterAtRecording_);
        spanTracks_.includePerformanceTrack = PerformanceTrackPlays();
        if (follow_.followNotes && performance_.playMode == PerformancePlayMode::Overwrite) {
            spanTracks_.leftOutTrack = start.performance.followingTracks[0];
            spanTracks_.secondLeftOutTrack = start.performance.followingTracks[1];
        }
    }
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
    const OutputSettings& settings = output_.Settings();
    if (settings.transmitSysex) {
        for (std::int32_t i = 0; i < sysExIndex_; ++i) {
            const SysExRecord& record = piece_->sysExList[static_cast<std::size_t>(i)];
            const bool atStart = static_cast<ScorePosition>(record.time) == position_;
            bool send = false;
            switch (settings.sysexMode) {
                case kSysexEveryTime:
                    send = true;
                    break;
                case kSysexAsTheyAppear:
                    send = atStart;
                    break;
                default:
                    send =
                        atStart && position_ > static_cast<ScorePosition>(piece_->firstEventTime);
                    break;
            }
            if (send && record.bufferIndex < piece_->sysExBuffers.size())
                output_.SendMidi(piece_->sysExBuffers[record.bufferIndex], settings.sysexPort);
        }
    }

    // The file's tracks, then the performance track.
    const int tracks = piece_->TrackCount() + 1;
    std::int32_t counted = 0;
    for (int i = 0; i < tracks; ++i) {
        if (TrackChasedAtStart(i))
            counted += ChaseTrackSettings(piece_->tracks[static_cast<std::size_t>(i)], output_,
                                          i == tracks - 1, true);
    }
    // The devices take the controllers before the notes.
    if (counted > 0) timers_.Sleep(ChasePauseMs(counted));
    const HeldNoteShaping shaping{settings.soundHeldNotes, master_.volume, master_.transpose,
                                  quiet};
    for (int i = 0; i < tracks; ++i) {
        if (TrackChasedAtStart(i))
            ChaseHeldNotes(piece_->tracks[static_cast<std::size_t>(i)], output_, shaping);
    }

    if (metronome_.on && MusicalSpan() && metronome_.HasPatch()) {
        const std::array<std::uint8_t, 2> program{
            static_cast<std::uint8_t>(kProgramChange | metronome_.channel), metronome_.patch};
        output_.SendMidi(program, metronome_.port);
    }
    if (!settings.transmitExternalSync || mode_.previewing) return;
    SendLocateSync(position_);
    if (settings.syncType == kSyncTypeMidiSync) {
        const std::array<std::uint8_t, 1> go{StartOrContinue(position_)};
        output_.SendMidi(go, settings.syncPort);
    }
}

void Transport::PlayAndFollow() {
    if (mode_.following || mode_.previewing || piece_ == nullptr || follower_ == nullptr) return;
    if (!mode_.followerRestart) StartAtLoopBegin();
    if (Position() >= End()) return;
    // The soloist hears the music first; following begins when the preview
    // ends (IdleStep), after a pause to get ready unless they start it.
    if (follow_.previewBeforeStarting && !mode_.followerRestart && !followAfterPreview_) {
        followAfterPreview_ = true;
        Preview();
        if (mode_.previewing) return;
    }
    followAfterPreview_ = false;
    SaveModeAndStop();
    position_ = std::clamp(reports_->Furthest(), 0, End());
    savedMasterSpeed_ = master_.speed;
    SpeedFactor speed = master_.speed;
    if (mode_.followerRestart && follow_.timingLevel > 2) speed = restartSpeed_;
    reports_->SetFollowingActive(false);
    const bool followerStarted = mode_.followerRestart
                                     ? follower_->Resume(Fixed16{savedMasterSpeed_} * 16)
                                     : follower_->Start(position_, Fixed16{speed} * 16);
    if (!followerStarted) return;
    reports_->SetAnchor(PositionAnchor{position_, clock_.Now()}, speed);
    master_.speed = speed;
    mode_.following = true;
    const bool started = CommonStart(PlaybackMotion::Following, !follow_.followNotes);
    reports_->SetFollowingActive(started);
    if (!started) {
        mode_.following = false;
        master_.speed = savedMasterSpeed_;
        follower_->Stop();
        return;
    }
    intake_->BeginFollowing();
    punch_.start = position_;
    masterAtRecording_ = savedMasterSpeed_;
    // The soloist plays these: the accompaniment leaves them out for the span.
    if (follow_.followNotes) MuteLeftOutTracks();
}

void Transport::MuteLeftOutTracks() {
    const std::array<int, 2> leftOut{spanTracks_.leftOutTrack, spanTracks_.secondLeftOutTrack};
    for (std::size_t i = 0; i < leftOut.size(); ++i) {
        if (leftOut[i] < 0 || leftOut[i] >= piece_->TrackCount()) continue;
        Track& track = piece_->tracks[static_cast<std::size_t>(leftOut[i])];
        mutedPlayFlags_[i] = track.playFlag;
        track.playFlag = 0;
        ui_.TrackChanged(leftOut[i]);
    }
}

void Transport::EndFollowing() {
    punch_.end = position_;
    // A take that a jump interrupts is not kept: following goes on elsewhere.
    if (!reports_->RestartPending())
        performanceTempos_ =
            BuildPerformanceTempoList(follower_->TempoList(), punch_.start, reports_->Speed());
    Track& performance = piece_->PerformanceTrack();
    intake_->EndFollowing(performance);
    performance.count = static_cast<std::int32_t>(performance.events.size());
    // Recorded at clock times; kept in score time like every other track.
    for (TrackEvent& event : performance.events)
        event.time =
            static_cast<std::uint32_t>(std::max(follower_->PerformedToScore(event.time), 0));
    performance.nextIndex = 0;
    master_.speed = savedMasterSpeed_;
    positionClock_.speed = savedMasterSpeed_;
    RestoreFollowingTracks();
}

void Transport::DiscardPerformance() {
    if (mode_.playing || piece_ == nullptr) return;
    Track& performance = piece_->PerformanceTrack();
    performance.events.clear();
    performance.count = 0;
    performance.nextIndex = 0;
    performanceTempos_ = PerformanceTempoList{};
    punch_ = PunchSection{};
    ui_.TrackChanged(piece_->TrackCount());
    ui_.MenuStateChanged();
}

void Transport::RestoreFollowingTracks() {
    if (!follow_.followNotes) return;
    const std::array<int, 2> following{spanTracks_.leftOutTrack, spanTracks_.secondLeftOutTrack};
    for (std::size_t i = 0; i < following.size(); ++i) {
        if (following[i] < 0 || following[i] >= piece_->TrackCount()) continue;
        piece_->tracks[static_cast<std::size_t>(following[i])].playFlag = mutedPlayFlags_[i];
        ui_.TrackChanged(following[i]);
    }
}

void Transport::RestartFollowing() {
    const FollowerJump jump = reports_->TakeJump();
    position_ = std::clamp(FollowerReports::RestartPosition(jump, clock_.Now()), 0, End());
    LeaveLoopIfOutside(position_);
    restartSpeed_ = jump.speed;
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
    if (!PerformanceExists(performanceTempos_)) return;
    StartAtLoopBegin();
    if (Position() >= End()) return;
    SaveModeAndStop();
    mode_.playingPerformance = true;
    punch_.inside = follow_.followNotes && performance_.playMode == PerformancePlayMode::PunchIn &&
                    punch_.Contains(position_);
    Track& take = piece_->PerformanceTrack();
    savedPerformanceSound_ = TrackSound{take.channel, take.port, take.patches.entries[0]};
    const int following = follow_.track;
    if (performance_.useFollowingTrackSound && following >= 0 && following < piece_->TrackCount()) {
        const Track& source = piece_->tracks[static_cast<std::size_t>(following)];
        take.channel = source.channel;
        take.port = source.port;
        take.patches.entries[0] = source.patches.entries[0];
        take.substituteFlag = source.substituteFlag;
    }
    if (!CommonStart(PlaybackMotion::Playing, true)) {
        mode_.playingPerformance = false;
        EndPerformancePlayback();
        return;
    }
    // The take replaces them: they stay silent for the span, whatever the user toggles.
    if (follow_.followNotes && performance_.playMode == PerformancePlayMode::Overwrite)
        MuteLeftOutTracks();
}

PerformancePlayback Transport::PerformanceStart(std::uint32_t startRatio) const {
    PerformancePlayback performance;
    performance.on = true;
    performance.tempos = &performanceTempos_;
    performance.choices = performance_.tempos;
    performance.tempoIndex = PerformanceTempoIndex(performanceTempos_, position_);
    performance.ratio = startRatio;
    performance.masterTempo = master_.speed;
    performance.masterTempoAtRecording = masterAtRecording_;
    performance.punchIn =
        follow_.followNotes && performance_.playMode == PerformancePlayMode::PunchIn;
    performance.punch = punch_;
    performance.followingTracks = {follow_.track,
                                   follow_.secondTrack != follow_.track ? follow_.secondTrack : -1};
    return performance;
}

bool Transport::PerformanceTrackPlays() const {
    if (piece_->PerformanceTrack().count < 1) return false;
    if (follow_.followNotes)
        return performance_.playMode != PerformancePlayMode::FollowingTrackOnly;
    return performance_.playTappedNotes;
}

void Transport::EndPerformancePlayback() {
    Track& take = piece_->PerformanceTrack();
    take.channel = savedPerformanceSound_.channel;
    take.port = savedPerformanceSound_.port;
    take.patches.entries[0] = savedPerformanceSound_.firstPatch;
    take.substituteFlag = 1;
    punch_.inside = false;
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
    followAfterPreview_ = false;
    followStartPending_ = false;
    if (mode_.previewing) {
        FinishPreview();
        return;
    }
    if (mode_.playing) {
        StopSpan();
    } else {
        restartDeadline_.reset();
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
    if (wasFollowing) {
        reports_->SetFollowingActive(false);
        follower_->Stop();
    }
    tick_.Stop();
    SilenceAll();
    position_ = CurrentPosition(LiveClock(), clock_.Now());
    if (wasFollowing) {
        position_ = std::max(position_, history_.Front());
        EndFollowing();
    }
    if (mode_.playingPerformance) {
        if (follow_.followNotes && performance_.playMode == PerformancePlayMode::Overwrite)
            RestoreFollowingTracks();
        EndPerformancePlayback();
        positionClock_.speed = master_.speed;
    }
    if (tick_.TakeLoopEndReached() && loop_.on && loop_.restartAutomatically) {
        restartDeadline_ = clock_.NowSixtieths() + loop_.restartDelaySec * 60;
        restartRequest_ = mode_.following     ? TransportRequest::PlayAndFollow
                          : mode_.playingFile ? TransportRequest::PlayFile
                                              : TransportRequest::PlayPerformance;
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
    if (followAfterPreview_) {
        followStartDue_ = clock_.Now() + (follow_.waitForSoloToStart ? 0 : kReadyPauseMs);
        followStartPending_ = true;
    }
}

void Transport::SilenceAll() {
    const OutputSettings& settings = output_.Settings();
    // The file's tracks, and the performance track when it was a source.
    const int tracks = piece_->TrackCount() + (spanTracks_.includePerformanceTrack ? 1 : 0);
    if (!settings.thruOn) {
        for (int i = 0; i < tracks; ++i)
            SendSoundOff(piece_->tracks[static_cast<std::size_t>(i)], output_);
    }
    for (int i = 0; i < tracks; ++i) {
        if (TrackInSpan(i))
            SilenceTrack(piece_->tracks[static_cast<std::size_t>(i)], output_, master_.transpose,
                         settings.thruOn);
    }
    if (settings.transmitSysex && settings.sysexMode == kSysexEveryTime) {
        const auto& list = piece_->sysExList;
        for (auto i = static_cast<std::size_t>(tick_.NextSysEx()); i < list.size(); ++i) {
            if (list[i].bufferIndex < piece_->sysExBuffers.size())
                output_.SendMidi(piece_->sysExBuffers[list[i].bufferIndex], settings.sysexPort);
        }
    }
    if (settings.transmitExternalSync && settings.syncType == kSyncTypeMidiSync &&
        !mode_.previewing) {
        const std::array<std::uint8_t, 1> stop{kMidiStop};
        output_.SendMidi(stop, settings.syncPort);
    }
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
    if (reports_ != nullptr) reports_->SetFurthest(position);
    publishedPosition_.store(position);
    if (output_.Settings().transmitExternalSync) SendLocateSync(position);
}

void Transport::SendLocateSync(ScorePosition position) {
    const OutputSettings& settings = output_.Settings();
    if (settings.syncType == kSyncTypeTimeCode) {
        const auto frames = MtcQuarterFrames::StartAt(position, FrameRateOf(settings));
        FullFrameMessage message{};
        BuildFullFrame(frames.FullFrameTime(), FrameRateOf(settings), message);
        output_.SendMidi(message, settings.syncPort);
        return;
    }
    std::int32_t sixteenths = 0;
    if (const BeatRecord* beat = BeatAtOrBefore(*piece_, position)) {
        const auto index = static_cast<std::size_t>(beat - piece_->beatMap.data());
        const BeatRecord* next =
            index + 1 < piece_->beatMap.size() ? &piece_->beatMap[index + 1] : nullptr;
        MidiClockSync clocks;
        sixteenths = clocks.Locate(position, *beat, next);
    }
    SongPositionMessage message{};
    BuildSongPosition(sixteenths, message);
    output_.SendMidi(message, settings.syncPort);
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
    if (reports_ != nullptr && reports_->RestartPending())
        requests_.PostRequest(TransportRequest::Stop);
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
    if (allNotesOffChannel_ < kNoAllNotesOffPending &&
        platform::ClockReached(clock_.Now(), allNotesOffDue_))
        SendAllNotesOffChannel();
    if (restartDeadline_ &&
        static_cast<std::int32_t>(clock_.NowSixtieths() - *restartDeadline_) >= 0) {
        if (loop_.on) requests_.PostRequest(restartRequest_);
        restartDeadline_.reset();
    }
    if (followStartPending_ && platform::ClockReached(clock_.Now(), followStartDue_)) {
        followStartPending_ = false;
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
            if (reports_ != nullptr && reports_->RestartPending()) {
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
    for (std::uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const auto status = static_cast<std::uint8_t>(kControlChange | channel);
        output_.SendMidi(std::array<std::uint8_t, 3>{status, kAllSoundOffController, 0}, kAllPorts);
        output_.SendMidi(std::array<std::uint8_t, 3>{status, kAllNotesOffController, 0}, kAllPorts);
    }
    allNotesOffChannel_ = 0;
    SendAllNotesOffChannel();
}

void Transport::SendAllNotesOffChannel() {
    const auto status = static_cast<std::uint8_t>(kNoteOn | allNotesOffChannel_);
    for (std::uint8_t key = 0; key < 128; ++key)
        output_.SendMidi(std::array<std::uint8_t, 3>{status, key, 0}, kAllPorts);
    ++allNotesOffChannel_;
    // Each channel's flood gets a pause before the next, so slow devices keep up.
    allNotesOffDue_ = clock_.Now() + kAllNotesOffPauseMs;
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
    facts.performanceExists = PerformanceExists(performanceTempos_);
    facts.loopRestartPending = restartDeadline_.has_value();
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
