#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"
#include "platform/timer_service.h"

namespace ostinel {

// A re-armable one-shot timer for the playback tick and the tap poller. The
// timer service never kills a timer: each arm carries the current generation
// as its datum, and cancelling moves the generation on, so a pending callback
// that fires later finds a stale datum and does nothing.
class OneShotTimer {
  public:
    using Handler = void (*)(void* context);

    // `cancelStep` is what Cancel adds to the generation: 100 for the tick, 1
    // for the tap poller. The handler runs on the timer thread, or on the
    // arming thread when ArmAt finds the moment already due.
    OneShotTimer(const platform::Clock& clock, platform::TimerService& timers, Handler handler,
                 void* context, std::uint32_t cancelStep);

    // any thread. Runs the handler at `t`; a moment already reached runs it at
    // once on this thread. Returns false when the service refused the timer.
    bool ArmAt(platform::ClockMs t);
    // any thread. Like ArmAt, but a moment already reached also goes through
    // the service, which runs it at once on the timer thread: for the
    // handler's own re-arming, where running inline would find the handler
    // busy with itself and the moment would be lost.
    bool ArmAtFromHandler(platform::ClockMs t);
    // any thread. Like ArmAt, but always through the service, even for a
    // moment already due (the tap poller never runs inline).
    bool ArmAfter(std::uint32_t delayMs);
    // any thread
    void Cancel() { generation_.fetch_add(cancelStep_, std::memory_order_acq_rel); }

    std::uint32_t Generation() const { return generation_.load(std::memory_order_acquire); }

  private:
    static void Fire(void* self, std::uint32_t datum);

    const platform::Clock& clock_;
    platform::TimerService& timers_;
    Handler handler_;
    void* context_;
    std::uint32_t cancelStep_;
    std::atomic<std::uint32_t> generation_{0};
};

}  // namespace ostinel
