#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "follower/engine/follower.h"
#include "music/score_position.h"
#include "platform/clock.h"
#include "playback/follower_reports.h"
#include "playback/play_list.h"
#include "playback/position_clock.h"
#include "playback/recorded_take.h"
#include "playback/soloist_listening.h"
#include "playback/transport_ui.h"
#include "sequence/piece.h"

namespace ostinel {

struct FollowingOptions;

// Play and Follow as the follower sees it: the preview and the pause that
// lead into it, the follower's start, restart and stop, the following tracks
// muted while the soloist plays them, and the take kept when it stops.
// The transport starts and stops the span around these steps.
class FollowingSession {
  public:
    // The pause between a preview and the follow it leads into.
    static constexpr std::uint32_t kReadyPauseMs = 2000;

    // `follow` and `take` are the transport's and outlive this.
    FollowingSession(const platform::Clock& clock, TransportUi& ui, const FollowingOptions& follow,
                     RecordedTake& take)
        : clock_(clock), ui_(ui), follow_(follow), take_(take) {}
    FollowingSession(const FollowingSession&) = delete;
    FollowingSession& operator=(const FollowingSession&) = delete;

    // main thread, at start-up
    void UseFollower(Follower& follower, FollowerReports& reports, SoloistListening& listening);
    // main thread
    bool HasFollower() const { return follower_ != nullptr; }
    // main thread: the piece was located at `position`; following starts
    // from there unless the follower gets further.
    void Located(ScorePosition position) {
        if (reports_ != nullptr) reports_->SetFurthest(position);
    }

    // --- the lead-in
    // main thread: whether the soloist can be heard at all.
    bool HearsTheSoloist() const { return listening_ == nullptr || listening_->HearsTheSoloist(); }
    // main thread: whether Play and Follow starts with a preview that leads
    // into following; true only once per lead-in.
    bool PreviewFirst(bool followerRestart);
    // main thread: following itself starts now; the lead-in is over.
    void EndLeadIn() { previewFirst_ = false; }
    // main thread: a preview ended; when it led into following, the pause to
    // get ready begins (none when the soloist starts it).
    void PreviewEnded();
    // main thread: Stop cancels the preview's follow and the pause.
    void CancelLeadIn();
    // main thread: whether the pause is running; TakeDueStart says when it is over.
    bool StartPending() const { return startPending_; }
    bool TakeDueStart();

    // --- the follower's life cycle
    // main thread: where following starts: as far as the follower got.
    ScorePosition StartPosition(ScorePosition end) const;
    // main thread: the follower starts at `position`, or resumes after its
    // jump. The speed the span starts at, or nothing when it did not start.
    std::optional<SpeedFactor> StartFollower(ScorePosition position, SpeedFactor masterTempo,
                                             bool followerRestart);
    // main thread: how the tick asks the follower where the piece stands.
    FollowerEstimate Estimate() const;
    // main thread: the span started at `position`: the reports steer it, the
    // intake listens and records, the take starts here, and the following
    // tracks are muted when the soloist plays them.
    void Begin(Piece& piece, ScorePosition position, const PlayListOptions& spanTracks);
    // main thread: the follower stops, before the tick does or when the span
    // did not start.
    void StopFollower();
    // main thread, after the tick stopped at `position`: the take is kept
    // (unless the follower's jump cut it short) and the following tracks
    // have their own flags back.
    void End(Piece& piece, ScorePosition position, const PlayListOptions& spanTracks);
    // main thread: the master tempo that following started from and returns to.
    SpeedFactor MasterTempoBeforeFollowing() const { return savedMasterSpeed_; }

    // main thread: whether the follower asked to restart elsewhere.
    bool RestartRequested() const { return reports_ != nullptr && reports_->RestartPending(); }
    // main thread: the position to restart at; the restart starts at the
    // reported tempo.
    ScorePosition TakeRestart();

    // main thread: the span's left-out tracks stay muted until it ends;
    // RestoreFollowingTracks gives them their own flags back.
    void MuteFollowingTracks(Piece& piece, const PlayListOptions& spanTracks);
    void RestoreFollowingTracks(Piece& piece, const PlayListOptions& spanTracks);

  private:
    const platform::Clock& clock_;
    TransportUi& ui_;
    const FollowingOptions& follow_;
    RecordedTake& take_;
    Follower* follower_ = nullptr;
    FollowerReports* reports_ = nullptr;
    SoloistListening* listening_ = nullptr;

    SpeedFactor savedMasterSpeed_ = kOwnTempoSpeed;  // the master tempo a follow returns to
    SpeedFactor restartSpeed_ = kOwnTempoSpeed;      // the tempo a follower's jump reported
    // How the span started: the follower's own start takes in the notes that led to it.
    bool followerStarted_ = false;
    SpeedFactor startSpeed_ = kOwnTempoSpeed;
    platform::ClockMs startTime_{};
    std::array<std::uint8_t, 2> mutedPlayFlags_{};  // the following tracks' own flags
    bool previewFirst_ = false;  // the running preview leads into Play and Follow
    bool startPending_ = false;  // the pause after it runs until startDue_
    platform::ClockMs startDue_{};
};

}  // namespace ostinel
