#include "platform/one_shot_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel {
namespace {

class OneShotTimerTest : public ::testing::Test {
  protected:
    static void Record(void* self) {
        auto* test = static_cast<OneShotTimerTest*>(self);
        test->runs.push_back(test->clock.Now());
    }

    platform::ManualClock clock{platform::ClockMs{5000}};
    platform::ManualTimerService timers{clock};
    std::vector<platform::ClockMs> runs;
    OneShotTimer tick{clock, timers, &OneShotTimerTest::Record, this, 100};
};

TEST_F(OneShotTimerTest, RunsAtItsMoment) {
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5020}));
    timers.Advance(19);
    EXPECT_TRUE(runs.empty());
    timers.Advance(1);
    EXPECT_EQ(runs, (std::vector<platform::ClockMs>{platform::ClockMs{5020}}));
}

TEST_F(OneShotTimerTest, AMomentAlreadyDueRunsAtOnceOnTheCaller) {
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{4990}));
    EXPECT_EQ(runs, (std::vector<platform::ClockMs>{platform::ClockMs{5000}}));
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5000}));
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_EQ(timers.PendingCount(), 0u);
}

TEST_F(OneShotTimerTest, CancelledTimerFiresHarmlessly) {
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5010}));
    tick.Cancel();
    timers.Advance(50);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(tick.Generation(), 101u);
}

TEST_F(OneShotTimerTest, CancelAndReArmWithinAMillisecondLeavesOneLiveTimer) {
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5010}));
    tick.Cancel();
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5010}));  // the same moment again: both callbacks fire
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{5011}));  // re-armed without a cancel: the newest wins
    timers.Advance(20);
    EXPECT_EQ(runs, (std::vector<platform::ClockMs>{platform::ClockMs{5011}}));
}

TEST_F(OneShotTimerTest, ArmAfterGoesThroughTheServiceEvenWhenDue) {
    OneShotTimer poller{clock, timers, &OneShotTimerTest::Record, this, 1};
    ASSERT_TRUE(poller.ArmAfter(0));
    EXPECT_TRUE(runs.empty());
    timers.RunDue();
    EXPECT_EQ(runs.size(), 1u);
    poller.ArmAfter(2);
    poller.Cancel();
    timers.Advance(5);
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(OneShotTimerTest, WorksAcrossTheClockWrap) {
    clock.Set(platform::ClockMs{0xFFFFFFFEu});
    ASSERT_TRUE(tick.ArmAt(platform::ClockMs{3}));
    timers.Advance(4);
    EXPECT_TRUE(runs.empty());
    timers.Advance(1);
    EXPECT_EQ(runs, (std::vector<platform::ClockMs>{platform::ClockMs{3}}));
}

}  // namespace
}  // namespace ostinel
