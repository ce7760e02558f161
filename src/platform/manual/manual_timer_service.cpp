#include "platform/manual/manual_timer_service.h"

namespace ostinel::platform {

ManualTimerService::ManualTimerService(ManualClock& clock, std::size_t capacity,
                                       std::uint32_t minimumPeriodMs)
    : clock_(clock), minimumPeriodMs_(minimumPeriodMs), queue_(capacity) {}

bool ManualTimerService::ArmOnce(std::uint32_t delayMs, TimerCallback callback, void* context,
                                 std::uint32_t datum) {
    if (callback == nullptr) return false;
    std::lock_guard lock(mutex_);
    return queue_.Add({clock_.Now() + delayMs, armCount_++, callback, context, datum});
}

void ManualTimerService::AdvanceTo(ClockMs t) {
    if (ClockDifference(t, clock_.Now()) < 0) t = clock_.Now();
    for (;;) {
        PendingTimer due;
        {
            std::lock_guard lock(mutex_);
            if (queue_.Empty() || ClockDifference(t, queue_.Earliest().deadline) < 0) break;
            due = queue_.TakeEarliest();
        }
        // A timer armed for a moment already past fires at the present.
        if (ClockDifference(due.deadline, clock_.Now()) > 0) clock_.Set(due.deadline);
        ++firedCount_;
        due.callback(due.context, due.datum);
    }
    clock_.Set(t);
}

void ManualTimerService::Advance(std::uint32_t ms) {
    AdvanceTo(clock_.Now() + ms);
}

std::size_t ManualTimerService::RunUntilIdle(std::uint32_t limitMs) {
    const ClockMs limit = clock_.Now() + limitMs;
    const std::uint64_t firedBefore = firedCount_;
    for (;;) {
        const std::optional<ClockMs> next = NextDeadline();
        if (!next || ClockDifference(limit, *next) < 0) break;
        AdvanceTo(*next);
    }
    return static_cast<std::size_t>(firedCount_ - firedBefore);
}

void ManualTimerService::CancelAll() {
    std::lock_guard lock(mutex_);
    queue_.Clear();
}

std::size_t ManualTimerService::PendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.Size();
}

std::optional<ClockMs> ManualTimerService::NextDeadline() const {
    std::lock_guard lock(mutex_);
    if (queue_.Empty()) return std::nullopt;
    return queue_.Earliest().deadline;
}

}  // namespace ostinel::platform
