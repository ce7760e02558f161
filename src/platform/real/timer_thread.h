#pragma once

#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/lock_free_queue.h"
#include "platform/real/steady_clock.h"
#include "platform/timer_queue.h"
#include "platform/timer_service.h"

namespace ostinel::platform {

// One-shot timers on one thread of their own. Arming hands the timer over
// through a lock-free queue and a semaphore post, so any thread, a timer
// callback included, may arm without allocating, locking or blocking. The
// thread keeps the armed timers in a deadline heap and sleeps until the
// earliest absolute deadline, so a late wake-up never shifts later ones.
class TimerThread final : public TimerService {
  public:
    explicit TimerThread(const SteadyClock& clock);
    ~TimerThread() override;
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    std::uint32_t MinimumPeriodMs() const override { return 1; }

    // any thread
    bool ArmOnce(std::uint32_t delayMs, TimerCallback callback, void* context,
                 std::uint32_t datum) override;

    // any thread
    bool ArmAtTime(ClockMs deadline, ClockMs now, TimerCallback callback, void* context,
                   std::uint32_t datum) override;

    // any thread
    void Sleep(std::uint32_t ms) override;

    // main thread: waits for the thread to drop its timers between callbacks.
    void CancelAll() override;

    // True on the timer thread itself (callbacks run there).
    bool OnTimerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  private:
    static constexpr std::size_t kArmQueueCapacity = 1024;
    static constexpr std::size_t kHeapCapacity = 4096;

    void Run();
    void TakeArmed();
    void WaitForEarliest();
    // timer thread: carries out a CancelAll that is waiting.
    void CancelIfAsked();

    const SteadyClock& clock_;
    LockFreeQueue<PendingTimer, kArmQueueCapacity> armed_;
    TimerQueue heap_{kHeapCapacity};  // timer thread only
    PendingTimer held_{};             // taken from armed_ while the heap was full
    bool holding_ = false;
    std::uint64_t armCount_ = 0;  // timer thread only: arming order as received
    sem_t wake_{};
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint32_t> cancelsAsked_{0};
    std::atomic<std::uint32_t> cancelsDone_{0};
    std::thread thread_;
};

}  // namespace ostinel::platform
