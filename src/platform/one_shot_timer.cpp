#include "platform/one_shot_timer.h"

namespace ostinel {

OneShotTimer::OneShotTimer(const platform::Clock& clock, platform::TimerService& timers,
                           Handler handler, void* context, std::uint32_t cancelStep)
    : clock_(clock),
      timers_(timers),
      handler_(handler),
      context_(context),
      cancelStep_(cancelStep) {}

bool OneShotTimer::ArmAt(platform::ClockMs t) {
    const platform::ClockMs now = clock_.Now();
    if (platform::ClockDifference(t, now) <= 0) {
        handler_(context_);
        return true;
    }
    const std::uint32_t generation = generation_.fetch_add(1, std::memory_order_acq_rel) + 1;
    return timers_.ArmAtTime(t, now, &OneShotTimer::Fire, this, generation);
}

bool OneShotTimer::ArmAtFromHandler(platform::ClockMs t) {
    const std::uint32_t generation = generation_.fetch_add(1, std::memory_order_acq_rel) + 1;
    return timers_.ArmAtTime(t, clock_.Now(), &OneShotTimer::Fire, this, generation);
}

bool OneShotTimer::ArmAfter(std::uint32_t delayMs) {
    const std::uint32_t generation = generation_.fetch_add(1, std::memory_order_acq_rel) + 1;
    return timers_.ArmOnce(delayMs, &OneShotTimer::Fire, this, generation);
}

void OneShotTimer::Fire(void* self, std::uint32_t datum) {
    auto* timer = static_cast<OneShotTimer*>(self);
    if (datum == timer->generation_.load(std::memory_order_acquire))
        timer->handler_(timer->context_);
}

}  // namespace ostinel
