#include "playback/transport.h"

#include <algorithm>

// The transport's spans: how one starts (the tick prepared, the piece's
// state chased), how it stops (what sounded released, the piece located
// where it stopped), and which tracks it plays. The commands that start and
// stop them are in transport.cpp.

namespace ostinel {

// --- the span's tracks and clock -----------------------------------------------

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

PositionClock Transport::LiveClock() const {
    PositionClock clock = positionClock_;
    if (mode_.playingPerformance) {
        const SteeredTempo tempo = tick_.Tempo();
        clock.anchor = tempo.anchor;
        clock.speed = tempo.speed;
    }
    return clock;
}

// --- starting --------------------------------------------------------------

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
    if (!allTracks && follow_.FollowsNotes()) {
        spanTracks_.leftOutTrack = follow_.followTrack1;
        spanTracks_.secondLeftOutTrack =
            follow_.SecondTrack() != follow_.followTrack1 ? follow_.SecondTrack() : -1;
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

// --- stopping --------------------------------------------------------------

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
    published_.PublishPosition(position);
    if (output_.Settings().transmitExternalSync) chase_.SendLocateSync(*piece_, position);
}

}  // namespace ostinel
