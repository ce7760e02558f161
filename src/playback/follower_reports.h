#pragma once

#include <atomic>
#include <cstdint>

#include "follower/engine/follower_callback.h"
#include "follower/following_options.h"
#include "platform/clock.h"
#include "playback/playback_tick.h"
#include "playback/played_event.h"
#include "playback/position_clock.h"

namespace ostinel {

// The follower's jump request, as the main loop carries it out.
struct FollowerJump {
    ScorePosition target;
    platform::ClockMs time{};
    SpeedFactor speed = kOwnTempoSpeed;  // the reported tempo in 4.12
};

// What the playback engine does with the follower's reports. Runs on
// whatever thread is inside the follower; everything it shares with the
// main thread and the tick is atomic.
class FollowerReports final : public FollowerCallback {
  public:
    FollowerReports(const platform::Clock& clock, PlaybackTick& tick)
        : clock_(clock), tick_(tick) {}

    platform::ClockMs ReportNow() override { return clock_.Now(); }
    void ReportJump(ScorePosition target, platform::ClockMs time, std::int32_t tempo) override;
    void ReportDynamics(std::int32_t ratio) override;
    void ReportPosition(ScorePosition position, platform::ClockMs time,
                        std::int32_t tempo) override;
    void ReportEvent(platform::ClockMs time, ScorePosition position, std::uint32_t word) override;

    // main thread: position reports steer the tick only while this is set.
    void SetFollowingActive(bool active) { followingActive_.store(active); }
    bool FollowingActive() const { return followingActive_.load(); }
    // main thread: how strongly the soloist's loudness is followed (0 off, 1-3).
    void SetVolumeLevel(int level) { volumeLevel_.store(level); }

    // main thread: the jump waiting for the idle pass, taken once.
    bool RestartPending() const { return restartPending_.load(); }
    FollowerJump TakeJump();
    // What a restart means for the position: the target moved on by the
    // time since the report at the reported tempo.
    static ScorePosition RestartPosition(const FollowerJump& jump, platform::ClockMs now);

    // any thread: the furthest position the soloist has reached; the main
    // thread sets it where following starts.
    ScorePosition Furthest() const { return progress_.Furthest(); }
    void SetFurthest(ScorePosition position) { progress_.Restart(position); }
    // The clock time of the soloist's last note or tap (0 before any).
    platform::ClockMs LastEventTime() const { return lastEventTime_.load(); }

    // Where the accompaniment stands by the last position report.
    PositionAnchor Anchor() const;
    SpeedFactor Speed() const { return speed_.load(); }
    void SetAnchor(PositionAnchor anchor, SpeedFactor speed);

    // main thread: the next note, tap or jump the follower reported, oldest
    // first; false when none waits.
    bool TakePlayedEvent(PlayedEvent& event) { return played_.TryPop(event); }

    // Offline runs and tests: every report but ReportNow is passed on to
    // `observer` after it is handled, on the same thread.
    void SetObserver(FollowerCallback* observer) { observer_ = observer; }

    // Called when a jump asks the intake to listen for the soloist again.
    void SetJumpListener(void (*listener)(void* context), void* context) {
        jumpListener_ = listener;
        jumpListenerContext_ = context;
    }

  private:
    // The position extrapolated from the last anchor to clock time `time`.
    ScorePosition PlaceAt(platform::ClockMs time) const;

    const platform::Clock& clock_;
    PlaybackTick& tick_;
    std::atomic<bool> followingActive_{false};
    std::atomic<int> volumeLevel_{0};
    std::atomic<bool> restartPending_{false};
    std::atomic<ScorePosition> jumpTarget_{};
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
    std::atomic<platform::ClockMs> jumpTime_{};
    std::atomic<SpeedFactor> jumpSpeed_{kOwnTempoSpeed};
    SoloistProgress progress_;
    std::atomic<platform::ClockMs> lastEventTime_{};
    static_assert(std::atomic<platform::ClockMs>::is_always_lock_free);
    // Anchor position and time packed in one word, so a reader never mixes
    // one report's position with another's time.
    std::atomic<std::uint64_t> anchor_{0};
    std::atomic<SpeedFactor> speed_{kOwnTempoSpeed};
    static_assert(std::atomic<SpeedFactor>::is_always_lock_free);
    PlayedEventRing played_;
    FollowerCallback* observer_ = nullptr;
    void (*jumpListener_)(void*) = nullptr;
    void* jumpListenerContext_ = nullptr;
};

}  // namespace ostinel
