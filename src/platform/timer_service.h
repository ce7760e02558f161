#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace ostinel::platform {

// A one-shot timer's callback. `datum` is the value given when it was armed:
// the engine passes a generation number and ignores callbacks whose datum no
// longer matches, so a timer is never killed, only made stale.
using TimerCallback = void (*)(void* context, std::uint32_t datum);

// One-shot timers. A timer armed with delay d fires once, no earlier than
// d milliseconds after the call, on the service's timer thread (real backend)
// or inside ManualTimerService::Advance (manual backend).
class TimerService {
  public:
    virtual ~TimerService() = default;

    // The finest period the service honours; the engine refuses to run when
    // it is above kMaximumUsablePeriodMs.
    virtual std::uint32_t MinimumPeriodMs() const = 0;

    // any thread, timer callbacks included; never allocates, locks or blocks.
    // Returns false when the service cannot take another timer (its fixed
    // capacity is exhausted or it is shutting down).
    virtual bool ArmOnce(std::uint32_t delayMs, TimerCallback callback, void* context,
                         std::uint32_t datum) = 0;

    // any thread: the same for a deadline on the service's clock. A deadline
    // already reached fires at the next chance. Backends that keep absolute
    // deadlines take it as it is, so a millisecond turning between the
    // caller's reading and theirs cannot make it late.
    virtual bool ArmAtTime(ClockMs deadline, ClockMs now, TimerCallback callback, void* context,
                           std::uint32_t datum) {
        const std::int32_t delay = ClockDifference(deadline, now);
        return ArmOnce(delay > 0 ? static_cast<std::uint32_t>(delay) : 0, callback, context, datum);
    }

    // The calling thread waits `ms` milliseconds of this service's clock. Only
    // for the short waits the output path makes (a refused send is retried
    // after 10 ms); the manual backend moves its clock instead of waiting.
    virtual void Sleep(std::uint32_t ms) = 0;

    // main thread, never from a timer callback: drops every armed timer. When
    // it returns no callback runs or will run until something arms again, so
    // the owners of the callbacks' contexts may go.
    virtual void CancelAll() = 0;

    // Kept as calls so that playback marks its spans; our backends always run
    // at their finest period.
    void BeginPeriod(std::uint32_t /*periodMs*/) {}
    void EndPeriod(std::uint32_t /*periodMs*/) {}
};

// Start-up refuses a timer service coarser than this.
inline constexpr std::uint32_t kMaximumUsablePeriodMs = 50;

}  // namespace ostinel::platform
