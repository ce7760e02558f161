#include "playback/take_playback.h"

#include "playback/transport.h"

namespace ostinel {

bool TakePlayback::PunchIn() const {
    return follow_.FollowsNotes() && settings_.playMode == PerformancePlayMode::PunchIn;
}

bool TakePlayback::ReplacesFollowingTracks() const {
    return follow_.FollowsNotes() && settings_.playMode == PerformancePlayMode::Overwrite;
}

void TakePlayback::Begin(Piece& piece, ScorePosition position) {
    take_.punch.inside = PunchIn() && take_.punch.Contains(position);
    Track& take = piece.PerformanceTrack();
    savedSound_ = TrackSound{take.channel, take.port, take.patches.entries[0]};
    const int following = follow_.followTrack1;
    if (settings_.useFollowingTrackSound && following >= 0 && following < piece.TrackCount()) {
        const Track& source = piece.tracks[static_cast<std::size_t>(following)];
        take.channel = source.channel;
        take.port = source.port;
        take.patches.entries[0] = source.patches.entries[0];
        take.substituteFlag = source.substituteFlag;
    }
}

void TakePlayback::PrepareStart(const Piece& piece, ScorePosition position, SpeedFactor masterTempo,
                                PlaybackStart& start, PlayListOptions& tracks) const {
    start.performance = Steering(
        position, StartingTempoRatio(take_.tempos, position, settings_.tempos), masterTempo);
    start.clock.speed =
        SpeedForRatio(start.performance.ratio, masterTempo, take_.masterTempoAtRecording);
    tracks.includePerformanceTrack = TakeSounds(piece);
    if (ReplacesFollowingTracks()) {
        tracks.leftOutTrack = start.performance.followingTracks[0];
        tracks.secondLeftOutTrack = start.performance.followingTracks[1];
    }
}

PerformancePlayback TakePlayback::Steering(ScorePosition position, std::uint32_t startRatio,
                                           SpeedFactor masterTempo) const {
    PerformancePlayback performance;
    performance.on = true;
    performance.tempos = &take_.tempos;
    performance.choices = settings_.tempos;
    performance.tempoIndex = PerformanceTempoIndex(take_.tempos, position);
    performance.ratio = startRatio;
    performance.masterTempo = masterTempo;
    performance.masterTempoAtRecording = take_.masterTempoAtRecording;
    performance.punchIn = PunchIn();
    performance.punch = take_.punch;
    performance.followingTracks = {
        follow_.followTrack1,
        follow_.SecondTrack() != follow_.followTrack1 ? follow_.SecondTrack() : -1};
    return performance;
}

bool TakePlayback::TakeSounds(const Piece& piece) const {
    if (piece.PerformanceTrack().count < 1) return false;
    if (follow_.FollowsNotes())
        return settings_.playMode != PerformancePlayMode::FollowingTrackOnly;
    return settings_.playTappedNotes;
}

bool TakePlayback::ChasedAtStart(const Piece& piece, int index) const {
    if (!PunchIn()) return true;
    if (index == piece.TrackCount()) return take_.punch.inside;
    const bool following = index == follow_.followTrack1 || index == follow_.SecondTrack();
    return !following || !take_.punch.inside;
}

void TakePlayback::End(Piece& piece) {
    Track& take = piece.PerformanceTrack();
    take.channel = savedSound_.channel;
    take.port = savedSound_.port;
    take.patches.entries[0] = savedSound_.firstPatch;
    take.substituteFlag = 1;
    take_.punch.inside = false;
}

}  // namespace ostinel
