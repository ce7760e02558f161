#include "playback/following_session.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "playback/transport.h"

namespace ostinel {

void FollowingSession::UseFollower(Follower& follower, FollowerReports& reports,
                                   SoloistListening& listening) {
    follower_ = &follower;
    reports_ = &reports;
    listening_ = &listening;
}

// --- the lead-in -------------------------------------------------------------

bool FollowingSession::PreviewFirst(bool followerRestart) {
    if (!follow_.previewBeforeStarting || followerRestart || previewFirst_) return false;
    previewFirst_ = true;
    return true;
}

void FollowingSession::PreviewEnded() {
    if (!previewFirst_) return;
    startDue_ = clock_.Now() + (follow_.waitForSoloToStart ? 0 : kReadyPauseMs);
    startPending_ = true;
}

void FollowingSession::CancelLeadIn() {
    previewFirst_ = false;
    startPending_ = false;
}

bool FollowingSession::TakeDueStart() {
    if (!startPending_ || !platform::ClockReached(clock_.Now(), startDue_)) return false;
    startPending_ = false;
    return true;
}

// --- the follower's life cycle -------------------------------------------------

ScorePosition FollowingSession::StartPosition(ScorePosition end) const {
    return std::clamp(reports_->Furthest(), ScorePosition{}, end);
}

std::optional<SpeedFactor> FollowingSession::StartFollower(ScorePosition position,
                                                           SpeedFactor masterTempo,
                                                           bool followerRestart) {
    savedMasterSpeed_ = masterTempo;
    SpeedFactor speed = masterTempo;
    if (followerRestart && follow_.timingFollowLevel > 2) speed = restartSpeed_;
    reports_->SetFollowingActive(false);
    const bool followerStarted = followerRestart
                                     ? follower_->Resume(TempoFromSpeed(savedMasterSpeed_))
                                     : follower_->Start(position, TempoFromSpeed(speed));
    if (!followerStarted) return std::nullopt;
    reports_->SetAnchor(PositionAnchor{position, clock_.Now()}, speed);
    followerStarted_ = followerRestart;
    startSpeed_ = speed;
    return speed;
}

FollowerEstimate FollowingSession::Estimate() const {
    return FollowerEstimate{
        [](void* follower) { return static_cast<Follower*>(follower)->Position(); },
        [](void* follower, ScorePosition position) {
            return static_cast<Follower*>(follower)->TimeUntil(position);
        },
        follower_};
}

void FollowingSession::Begin(Piece& piece, ScorePosition position,
                             const PlayListOptions& spanTracks) {
    reports_->SetFollowingActive(true);
    startTime_ = clock_.Now();
    listening_->BeginFollowing(followerStarted_);
    take_.punch.start = position;
    take_.masterTempoAtRecording = savedMasterSpeed_;
    // The soloist plays these: the accompaniment leaves them out for the span.
    if (follow_.FollowsNotes()) MuteFollowingTracks(piece, spanTracks);
}

void FollowingSession::StopFollower() {
    reports_->SetFollowingActive(false);
    follower_->Stop();
}

void FollowingSession::End(Piece& piece, ScorePosition position,
                           const PlayListOptions& spanTracks) {
    take_.punch.end = position;
    Track& performance = piece.PerformanceTrack();
    listening_->EndFollowing(performance);
    std::vector<TrackEvent>& events = performance.events;
    std::stable_sort(events.begin(), events.end(), [](const TrackEvent& a, const TrackEvent& b) {
        return platform::ClockDifference(platform::ClockMs{a.time}, platform::ClockMs{b.time}) < 0;
    });
    // Recorded at clock times; kept in score time like every other track.
    // The notes that led the follower to start lie before the start, at the
    // tempo it started with; any that would lie before the piece are dropped.
    std::size_t kept = 0;
    for (TrackEvent event : events) {
        const std::int64_t early =
            platform::ClockDifference(startTime_, platform::ClockMs{event.time});
        const std::int64_t at =
            early > 0
                ? std::int64_t{take_.punch.start.Ms()} - ((early * startSpeed_.Raw() + 2048) >> 12)
                : std::int64_t{std::max(follower_->PerformedToScore(platform::ClockMs{event.time}),
                                        ScorePosition{})
                                   .Ms()};
        if (at < 0) continue;
        event.time = static_cast<std::uint32_t>(at);
        events[kept++] = event;
    }
    events.resize(kept);
    const ScorePosition takeStart =
        events.empty()
            ? take_.punch.start
            : std::min(take_.punch.start, static_cast<ScorePosition>(events.front().time));
    // A take that a jump interrupts is not kept: following goes on elsewhere.
    if (!reports_->RestartPending()) {
        std::vector<TempoPoint> points = follower_->TempoList();
        // Before the start the soloist played at the tempo the follower started with.
        if (takeStart < take_.punch.start) {
            const ScorePosition start = take_.punch.start;
            std::erase_if(points,
                          [start](const TempoPoint& point) { return point.position < start; });
            points.insert(points.begin(), TempoPoint{takeStart, TempoFromSpeed(startSpeed_)});
        }
        take_.tempos = BuildPerformanceTempoList(points, takeStart, reports_->Speed());
    }
    take_.punch.start = takeStart;
    performance.count = static_cast<std::int32_t>(events.size());
    performance.nextIndex = 0;
    RestoreFollowingTracks(piece, spanTracks);
}

ScorePosition FollowingSession::TakeRestart() {
    const FollowerJump jump = reports_->TakeJump();
    restartSpeed_ = jump.speed;
    return FollowerReports::RestartPosition(jump, clock_.Now());
}

// --- the following tracks -------------------------------------------------------

void FollowingSession::MuteFollowingTracks(Piece& piece, const PlayListOptions& spanTracks) {
    const std::array<int, 2> leftOut{spanTracks.leftOutTrack, spanTracks.secondLeftOutTrack};
    for (std::size_t i = 0; i < leftOut.size(); ++i) {
        if (leftOut[i] < 0 || leftOut[i] >= piece.TrackCount()) continue;
        Track& track = piece.tracks[static_cast<std::size_t>(leftOut[i])];
        mutedPlayFlags_[i] = track.playFlag;
        track.playFlag = 0;
        ui_.TrackChanged(leftOut[i]);
    }
}

void FollowingSession::RestoreFollowingTracks(Piece& piece, const PlayListOptions& spanTracks) {
    if (!follow_.FollowsNotes()) return;
    const std::array<int, 2> following{spanTracks.leftOutTrack, spanTracks.secondLeftOutTrack};
    for (std::size_t i = 0; i < following.size(); ++i) {
        if (following[i] < 0 || following[i] >= piece.TrackCount()) continue;
        piece.tracks[static_cast<std::size_t>(following[i])].playFlag = mutedPlayFlags_[i];
        ui_.TrackChanged(following[i]);
    }
}

}  // namespace ostinel
