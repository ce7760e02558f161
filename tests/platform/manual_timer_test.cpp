#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel::platform {
namespace {

// Records each firing as (clock time, datum).
struct Recorder {
    const Clock* clock = nullptr;
    std::vector<std::pair<ClockMs, std::uint32_t>> fired;

    static void Fire(void* self, std::uint32_t datum) {
        auto* recorder = static_cast<Recorder*>(self);
        recorder->fired.emplace_back(recorder->clock->Now(), datum);
    }
};

TEST(ClockArithmetic, DifferencesSurviveTheWrap) {
    EXPECT_EQ(ClockDifference(platform::ClockMs{5}, platform::ClockMs{0xFFFFFFFB}), 10);
    EXPECT_EQ(ClockDifference(platform::ClockMs{0xFFFFFFFB}, platform::ClockMs{5}), -10);
    EXPECT_TRUE(ClockReached(platform::ClockMs{3}, platform::ClockMs{0xFFFFFFFF}));
    EXPECT_FALSE(ClockReached(platform::ClockMs{0xFFFFFFFF}, platform::ClockMs{3}));
    // Forward only: a reading ahead of `later` is nearly the whole circle away.
    EXPECT_EQ(ClockElapsed(platform::ClockMs{5}, platform::ClockMs{0xFFFFFFFB}), 10u);
    EXPECT_EQ(ClockElapsed(platform::ClockMs{0xFFFFFFFB}, platform::ClockMs{5}), 0xFFFFFFF6u);
}

TEST(ClockArithmetic, SixtiethsAreThreeFiftiethsOfMilliseconds) {
    EXPECT_EQ(SixtiethsFromMs(platform::ClockMs{0}), 0u);
    EXPECT_EQ(SixtiethsFromMs(platform::ClockMs{1000}), 60u);
    EXPECT_EQ(SixtiethsFromMs(platform::ClockMs{16}), 0u);
    EXPECT_EQ(SixtiethsFromMs(platform::ClockMs{17}), 1u);
    // The product would pass 2^32 here; the sixtieths must not jump back.
    EXPECT_EQ(SixtiethsFromMs(platform::ClockMs{2'000'000'000u}), 120'000'000u);
    ManualClock clock(platform::ClockMs{2000});
    EXPECT_EQ(clock.NowSixtieths(), 120u);
}

class ManualTimers : public ::testing::Test {
  protected:
    ManualClock clock{platform::ClockMs{1000}};
    ManualTimerService timers{clock, 64};
    Recorder recorder{&clock, {}};

    void Arm(std::uint32_t delay, std::uint32_t datum) {
        ASSERT_TRUE(timers.ArmOnce(delay, &Recorder::Fire, &recorder, datum));
    }
};

TEST_F(ManualTimers, FireInDeadlineOrderAtTheirDeadlines) {
    Arm(30, 3);
    Arm(10, 1);
    Arm(20, 2);
    timers.Advance(25);
    ASSERT_EQ(recorder.fired.size(), 2u);
    EXPECT_EQ(recorder.fired[0], std::make_pair(ClockMs{1010}, 1u));
    EXPECT_EQ(recorder.fired[1], std::make_pair(ClockMs{1020}, 2u));
    EXPECT_EQ(clock.Now(), platform::ClockMs{1025u});
    timers.Advance(5);
    ASSERT_EQ(recorder.fired.size(), 3u);
    EXPECT_EQ(recorder.fired[2], std::make_pair(ClockMs{1030}, 3u));
}

TEST_F(ManualTimers, CancelAllDropsWhatIsArmed) {
    Arm(10, 1);
    Arm(20, 2);
    timers.CancelAll();
    EXPECT_EQ(timers.PendingCount(), 0u);
    Arm(5, 3);
    timers.Advance(30);
    ASSERT_EQ(recorder.fired.size(), 1u);
    EXPECT_EQ(recorder.fired[0].second, 3u);
}

TEST_F(ManualTimers, EqualDeadlinesFireInArmingOrder) {
    for (std::uint32_t datum = 0; datum < 10; ++datum)
        Arm(5, datum);
    timers.Advance(5);
    ASSERT_EQ(recorder.fired.size(), 10u);
    for (std::uint32_t datum = 0; datum < 10; ++datum)
        EXPECT_EQ(recorder.fired[datum].second, datum);
}

TEST_F(ManualTimers, NothingFiresBeforeItsDeadline) {
    Arm(10, 1);
    timers.Advance(9);
    EXPECT_TRUE(recorder.fired.empty());
    EXPECT_EQ(timers.NextDeadline(), ClockMs{1010});
    timers.Advance(1);
    EXPECT_EQ(recorder.fired.size(), 1u);
    EXPECT_EQ(timers.PendingCount(), 0u);
}

TEST_F(ManualTimers, ZeroDelayFiresAtThePresent) {
    Arm(0, 7);
    timers.RunDue();
    ASSERT_EQ(recorder.fired.size(), 1u);
    EXPECT_EQ(recorder.fired[0].first, ClockMs{1000u});
}

TEST_F(ManualTimers, OrderHoldsAcrossTheClockWrap) {
    clock.Set(platform::ClockMs{0xFFFFFFF0u});
    Arm(40, 2);  // deadline 0x18, after the wrap
    Arm(5, 1);   // deadline 0xFFFFFFF5, before it
    timers.Advance(100);
    ASSERT_EQ(recorder.fired.size(), 2u);
    EXPECT_EQ(recorder.fired[0], std::make_pair(ClockMs{0xFFFFFFF5u}, 1u));
    EXPECT_EQ(recorder.fired[1], std::make_pair(ClockMs{0x18u}, 2u));
}

// A callback that re-arms itself every 7 ms, like the tap poller.
struct Repeater {
    TimerService* timers = nullptr;
    const Clock* clock = nullptr;
    std::vector<ClockMs> times;
    static void Fire(void* self, std::uint32_t datum) {
        auto* r = static_cast<Repeater*>(self);
        r->times.push_back(r->clock->Now());
        r->timers->ArmOnce(7, &Repeater::Fire, r, datum + 1);
    }
};

TEST_F(ManualTimers, TimersArmedByCallbacksFireWithinTheSameAdvance) {
    Repeater repeater{&timers, &clock, {}};
    ASSERT_TRUE(timers.ArmOnce(7, &Repeater::Fire, &repeater, 0));
    timers.Advance(30);
    EXPECT_EQ(repeater.times,
              (std::vector<ClockMs>{platform::ClockMs{1007}, platform::ClockMs{1014},
                                    platform::ClockMs{1021}, platform::ClockMs{1028}}));
    EXPECT_EQ(timers.PendingCount(), 1u);
}

TEST_F(ManualTimers, RunUntilIdleStopsAtTheLimit) {
    Arm(10, 1);
    Arm(500, 2);
    EXPECT_EQ(timers.RunUntilIdle(100), 1u);
    EXPECT_EQ(timers.RunUntilIdle(1000), 1u);
    EXPECT_EQ(timers.PendingCount(), 0u);
}

TEST_F(ManualTimers, AFullServiceRefusesInsteadOfGrowing) {
    for (std::uint32_t i = 0; i < 64; ++i)
        Arm(1, i);
    EXPECT_FALSE(timers.ArmOnce(1, &Recorder::Fire, &recorder, 99));
    timers.Advance(1);
    EXPECT_EQ(recorder.fired.size(), 64u);
    EXPECT_TRUE(timers.ArmOnce(1, &Recorder::Fire, &recorder, 99));
}

TEST_F(ManualTimers, SleepMovesTheClockWithoutFiringTimers) {
    Arm(5, 1);
    timers.Sleep(10);
    EXPECT_EQ(clock.Now(), platform::ClockMs{1010u});
    EXPECT_TRUE(recorder.fired.empty());
    timers.RunDue();
    ASSERT_EQ(recorder.fired.size(), 1u);
    EXPECT_EQ(recorder.fired[0].first, ClockMs{1010u});  // late, at the present
}

TEST_F(ManualTimers, TwoEnginesKeepTheirOwnTime) {
    ManualClock other(platform::ClockMs{0});
    ManualTimerService otherTimers(other);
    Recorder otherRecorder{&other, {}};
    ASSERT_TRUE(otherTimers.ArmOnce(10, &Recorder::Fire, &otherRecorder, 1));
    Arm(10, 2);
    timers.Advance(10);
    EXPECT_TRUE(otherRecorder.fired.empty());
    EXPECT_EQ(recorder.fired.size(), 1u);
}

}  // namespace
}  // namespace ostinel::platform
