#include "platform/real/timer_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/real/steady_clock.h"

namespace ostinel::platform {
namespace {

using namespace std::chrono_literals;

// Waits on the test thread until `done` holds or a generous time has passed;
// the tests check order and lateness bounds, never exact timing.
template <typename Done>
bool WaitFor(Done done) {
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

struct Firings {
    static constexpr int kMax = 64;
    const Clock* clock = nullptr;
    std::array<ClockMs, kMax> times{};
    std::array<std::uint32_t, kMax> data{};
    std::atomic<int> count{0};

    static void Fire(void* self, std::uint32_t datum) {
        auto* f = static_cast<Firings*>(self);
        const int i = f->count.load(std::memory_order_relaxed);
        f->times[static_cast<std::size_t>(i)] = f->clock->Now();
        f->data[static_cast<std::size_t>(i)] = datum;
        f->count.store(i + 1, std::memory_order_release);
    }
};

TEST(SteadyClock, StartsAtItsOffsetAndAdvances) {
    SteadyClock clock(platform::ClockMs{0xFFFFFFF0u});
    const ClockMs first = clock.Now();
    EXPECT_LT(ClockDifference(first, platform::ClockMs{0xFFFFFFF0u}), 100);
    std::this_thread::sleep_for(20ms);
    EXPECT_GE(ClockDifference(clock.Now(), first), 19);
}

TEST(TimerThread, FiresInDeadlineOrderNeverEarly) {
    SteadyClock clock;
    TimerThread timers(clock);
    Firings firings;
    firings.clock = &clock;
    const ClockMs armedAt = clock.Now();
    ASSERT_TRUE(timers.ArmOnce(30, &Firings::Fire, &firings, 3));
    ASSERT_TRUE(timers.ArmOnce(10, &Firings::Fire, &firings, 1));
    ASSERT_TRUE(timers.ArmOnce(20, &Firings::Fire, &firings, 2));
    ASSERT_TRUE(WaitFor([&] { return firings.count.load(std::memory_order_acquire) == 3; }));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(firings.data[static_cast<std::size_t>(i)], static_cast<std::uint32_t>(i + 1));
        EXPECT_GE(ClockDifference(firings.times[static_cast<std::size_t>(i)], armedAt),
                  10 * (i + 1));
    }
}

TEST(TimerThread, WorksAcrossTheClockWrap) {
    SteadyClock clock(platform::ClockMs{0xFFFFFFFFu - 5});
    TimerThread timers(clock);
    Firings firings;
    firings.clock = &clock;
    ASSERT_TRUE(timers.ArmOnce(15, &Firings::Fire, &firings, 1));
    ASSERT_TRUE(WaitFor([&] { return firings.count.load(std::memory_order_acquire) == 1; }));
    EXPECT_LT(firings.times[0].Ms(), 1000u);  // fired after the counter wrapped to small values
}

// Re-arms itself from the timer thread, as the playback tick does.
struct SelfArming {
    TimerService* timers = nullptr;
    std::atomic<int> remaining{5};
    static void Fire(void* self, std::uint32_t) {
        auto* s = static_cast<SelfArming*>(self);
        if (s->remaining.fetch_sub(1) > 1) s->timers->ArmOnce(2, &SelfArming::Fire, s, 0);
    }
};

TEST(TimerThread, CallbacksMayArmAgain) {
    SteadyClock clock;
    TimerThread timers(clock);
    SelfArming arming;
    arming.timers = &timers;
    ASSERT_TRUE(timers.ArmOnce(1, &SelfArming::Fire, &arming, 0));
    EXPECT_TRUE(WaitFor([&] { return arming.remaining.load() == 0; }));
}

struct Counter {
    std::atomic<int> count{0};
    static void Fire(void* self, std::uint32_t) {
        static_cast<Counter*>(self)->count.fetch_add(1, std::memory_order_relaxed);
    }
};

TEST(TimerThread, ManyThreadsArmingLoseNoTimer) {
    SteadyClock clock;
    TimerThread timers(clock);
    Counter counter;
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    std::atomic<int> refused{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                if (!timers.ArmOnce(static_cast<std::uint32_t>((i + t) % 5), &Counter::Fire,
                                    &counter, 0)) {
                    refused.fetch_add(1);
                }
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_TRUE(WaitFor([&] { return counter.count.load() == kThreads * kEach; }));
}

TEST(TimerThread, SleepWaitsAtLeastItsTime) {
    SteadyClock clock;
    TimerThread timers(clock);
    const ClockMs before = clock.Now();
    timers.Sleep(10);
    EXPECT_GE(ClockDifference(clock.Now(), before), 10);
}

TEST(TimerThread, DestroyingWithPendingTimersReturnsPromptly) {
    SteadyClock clock;
    Counter counter;
    const auto start = std::chrono::steady_clock::now();
    {
        TimerThread timers(clock);
        ASSERT_TRUE(timers.ArmOnce(60'000, &Counter::Fire, &counter, 0));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(counter.count.load(), 0);
}

TEST(TimerThread, CancelAllDropsEveryTimerAndLetsLaterOnesFire) {
    SteadyClock clock;
    TimerThread timers(clock);
    Firings dropped;
    dropped.clock = &clock;
    for (std::uint32_t i = 0; i < 20; ++i)
        ASSERT_TRUE(timers.ArmOnce(30 + i, &Firings::Fire, &dropped, i));
    timers.CancelAll();
    Firings later;
    later.clock = &clock;
    ASSERT_TRUE(timers.ArmOnce(60, &Firings::Fire, &later, 7));
    ASSERT_TRUE(WaitFor([&] { return later.count.load() == 1; }));
    // Every dropped timer was due before the later one.
    EXPECT_EQ(dropped.count.load(), 0);
    EXPECT_EQ(later.data[0], 7u);
}

}  // namespace
}  // namespace ostinel::platform
