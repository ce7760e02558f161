#pragma once

#include <cstddef>
#include <mutex>
#include <optional>

#include "platform/manual/manual_clock.h"
#include "platform/timer_queue.h"
#include "platform/timer_service.h"

namespace ostinel::platform {

// One-shot timers on a ManualClock. Nothing fires on its own: Advance moves
// the clock forward and fires every timer that falls due on the way, in
// deadline order (ties in arming order), each with the clock set to its
// deadline, so a callback sees the time it was due. Timers armed by callbacks
// fire in the same Advance when they fall due before its end.
class ManualTimerService final : public TimerService {
  public:
    explicit ManualTimerService(ManualClock& clock, std::size_t capacity = 4096,
                                std::uint32_t minimumPeriodMs = 1);

    std::uint32_t MinimumPeriodMs() const override { return minimumPeriodMs_; }

    // any thread
    bool ArmOnce(std::uint32_t delayMs, TimerCallback callback, void* context,
                 std::uint32_t datum) override;

    // Moves the clock on by `ms` without firing timers: a wait inside a
    // callback must not run other callbacks before it returns.
    void Sleep(std::uint32_t ms) override { clock_.Advance(ms); }

    void CancelAll() override;

    // Moves the clock by `ms`, firing due timers on the way.
    void Advance(std::uint32_t ms);
    // Moves the clock to `t` (not backwards), firing due timers on the way.
    void AdvanceTo(ClockMs t);
    // Fires the timers already due without moving the clock.
    void RunDue() { AdvanceTo(clock_.Now()); }
    // Advances to each next deadline until no timer is armed or `limitMs` has
    // passed; returns the number of timers fired.
    std::size_t RunUntilIdle(std::uint32_t limitMs);

    std::size_t PendingCount() const;
    std::optional<ClockMs> NextDeadline() const;

  private:
    ManualClock& clock_;
    std::uint32_t minimumPeriodMs_;
    mutable std::mutex mutex_;  // test-only backend: callers may arm from several threads
    TimerQueue queue_;
    std::uint64_t armCount_ = 0;
    std::uint64_t firedCount_ = 0;  // touched only by the advancing thread
};

}  // namespace ostinel::platform
