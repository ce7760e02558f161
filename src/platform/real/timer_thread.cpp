#include "platform/real/timer_thread.h"

#include <cerrno>
#include <ctime>

namespace ostinel::platform {

TimerThread::TimerThread(const SteadyClock& clock) : clock_(clock) {
    sem_init(&wake_, 0, 0);
    thread_ = std::thread([this] { Run(); });
}

TimerThread::~TimerThread() {
    stopping_.store(true, std::memory_order_release);
    sem_post(&wake_);
    thread_.join();
    sem_destroy(&wake_);
}

bool TimerThread::ArmOnce(std::uint32_t delayMs, TimerCallback callback, void* context,
                          std::uint32_t datum) {
    return ArmAtTime(clock_.Now() + delayMs, ClockMs{}, callback, context, datum);
}

bool TimerThread::ArmAtTime(ClockMs deadline, ClockMs /*now*/, TimerCallback callback,
                            void* context, std::uint32_t datum) {
    if (callback == nullptr || stopping_.load(std::memory_order_acquire)) return false;
    if (!armed_.TryPush({deadline, 0, callback, context, datum})) return false;
    sem_post(&wake_);
    return true;
}

void TimerThread::Sleep(std::uint32_t ms) {
    timespec wake{};
    clock_gettime(CLOCK_MONOTONIC, &wake);
    wake.tv_sec += static_cast<time_t>(ms / 1000);
    wake.tv_nsec += static_cast<long>(ms % 1000) * 1'000'000L;
    if (wake.tv_nsec >= 1'000'000'000L) {
        wake.tv_nsec -= 1'000'000'000L;
        ++wake.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}

void TimerThread::CancelAll() {
    const std::uint32_t asked = cancelsAsked_.fetch_add(1) + 1;
    sem_post(&wake_);
    // Signed difference: the counters may wrap.
    while (static_cast<std::int32_t>(cancelsDone_.load() - asked) < 0 && !stopping_.load())
        std::this_thread::yield();
}

void TimerThread::CancelIfAsked() {
    const std::uint32_t asked = cancelsAsked_.load();
    if (asked == cancelsDone_.load(std::memory_order_relaxed)) return;
    // Twice: timers waiting behind a full heap are taken in by the second round.
    for (int round = 0; round < 2; ++round) {
        TakeArmed();
        heap_.Clear();
        holding_ = false;
    }
    cancelsDone_.store(asked);
}

void TimerThread::TakeArmed() {
    for (;;) {
        if (!holding_) {
            if (!armed_.TryPop(held_)) return;
            holding_ = true;
        }
        // A full heap leaves the timer waiting here; arming then fails once
        // the hand-over queue is full too, which the caller sees.
        held_.armOrder = armCount_;
        if (!heap_.Add(held_)) return;
        ++armCount_;
        holding_ = false;
    }
}

void TimerThread::WaitForEarliest() {
    if (heap_.Empty()) {
        while (sem_wait(&wake_) != 0 && errno == EINTR) {
        }
        return;
    }
    const auto instant = clock_.InstantOf(heap_.Earliest().deadline);
    const auto sinceEpoch = instant.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(seconds.count());
    deadline.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds).count());
    // steady_clock is CLOCK_MONOTONIC with libstdc++ on Linux.
    sem_clockwait(&wake_, CLOCK_MONOTONIC, &deadline);
}

void TimerThread::Run() {
    while (!stopping_.load(std::memory_order_acquire)) {
        TakeArmed();
        CancelIfAsked();
        while (!heap_.Empty() && ClockReached(clock_.Now(), heap_.Earliest().deadline)) {
            const PendingTimer due = heap_.TakeEarliest();
            due.callback(due.context, due.datum);
            if (stopping_.load(std::memory_order_acquire)) return;
            TakeArmed();
            CancelIfAsked();
        }
        WaitForEarliest();
    }
}

}  // namespace ostinel::platform
