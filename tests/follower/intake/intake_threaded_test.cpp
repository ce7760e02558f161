#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "intake_test_rig.h"

namespace ostinel {
namespace {

using testing::IntakeRig;
using testing::TapOptions;

constexpr int kMessagesPerSender = 8000;

// Sender s's message i: controller 64 s + (i >> 7) with value i & 127, so
// that the receiver can tell the senders apart and put each one's messages
// back in order (i below 8192).
std::array<std::uint8_t, 3> Numbered(int sender, int i) {
    return {0xB0, static_cast<std::uint8_t>(sender * 64 + (i >> 7)),
            static_cast<std::uint8_t>(i & 0x7F)};
}

int SenderOf(const TrackEvent& event) {
    return event.data1 / 64;
}
int CountOf(const TrackEvent& event) {
    return ((event.data1 % 64) << 7) | event.data2;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(IntakeThreaded, InputOnTwoDevicesWhileTheMainThreadChangesModes) {
    IntakeRig rig;
    OutputSettings output;
    output.thruOn = true;
    output.thruProcessFirst = true;
    rig.Follow(FollowingOptions{}, true, output);

    std::atomic<bool> done0{false};
    std::atomic<bool> done1{false};
    auto play = [&rig](int port, std::atomic<bool>& done) {
        for (int i = 0; i < kMessagesPerSender; ++i) {
            const std::array<std::uint8_t, 3> note{static_cast<std::uint8_t>(0x90 | port),
                                                   static_cast<std::uint8_t>(i & 0x7F),
                                                   static_cast<std::uint8_t>((i & 1) * 100)};
            PerformanceIntake::InputCallback(
                &rig.intake, port, i % 3 == 0 ? Numbered(port, i) : note, rig.midi.clock.Now());
        }
        done = true;
    };
    std::thread first(play, 0, std::ref(done0));
    std::thread second(play, 1, std::ref(done1));

    const std::array<InputMode, 5> modes{InputMode::InputFollowPlaying, InputMode::InputIdle,
                                         InputMode::InputTapMidi, InputMode::InputAwaitStart,
                                         InputMode::InputTapKey};
    for (int round = 0; !(done0 && done1); ++round) {
        rig.intake.SetInputMode(modes[static_cast<std::size_t>(round) % modes.size()]);
        rig.intake.SetMasterTranspose(static_cast<std::int16_t>(round % 5 - 2));
        rig.intake.Recording().MakeRoom();
        rig.midi.clock.Advance(1);
    }
    first.join();
    second.join();

    const PerformanceRecording& recording = rig.intake.Recording();
    EXPECT_LE(recording.Count(), recording.Capacity());
    for (const TrackEvent& event : rig.Recorded()) {
        EXPECT_EQ(event.mark, 1);
        EXPECT_TRUE(event.kind == 0x90 || event.kind == 0x80 || event.kind == 0xB0);
    }
    EXPECT_EQ(rig.Thru().size(), static_cast<std::size_t>(2 * kMessagesPerSender));
}

TEST(IntakeThreaded, RecordingGrowsWhileTwoDevicesAppend) {
    IntakeRig rig;
    rig.Follow(FollowingOptions{});
    PerformanceRecording& recording = rig.intake.Recording();
    std::atomic<bool> grown{false};
    std::atomic<int> running{2};
    auto play = [&](int sender) {
        for (int i = 0; i < kMessagesPerSender; ++i) {
            // Halfway through the first block, wait for the idle pass to add room.
            if (i == 2000) {
                ASSERT_TRUE(WaitFor([&] { return grown.load(); }));
            }
            PerformanceIntake::InputCallback(&rig.intake, 0, Numbered(sender, i),
                                             platform::ClockMs{1000});
        }
        --running;
    };
    std::thread first(play, 0);
    std::thread second(play, 1);
    while (running > 0) {
        if (recording.MakeRoom() == PerformanceRecording::RoomResult::Grown) grown = true;
        std::this_thread::yield();
    }
    first.join();
    second.join();

    const std::vector<TrackEvent> events = rig.Recorded();
    EXPECT_EQ(events.size(), static_cast<std::size_t>(recording.Count()));
    EXPECT_GT(events.size(), static_cast<std::size_t>(PerformanceRecording::kStartCapacity));
    // Each sender's events keep their order; one the idle pass did not make
    // room for in time may be missing, none is there twice or garbled.
    std::array<int, 2> last{-1, -1};
    for (const TrackEvent& event : events) {
        ASSERT_LT(SenderOf(event), 2);
        int& previous = last[static_cast<std::size_t>(SenderOf(event))];
        EXPECT_GT(CountOf(event), previous);
        previous = CountOf(event);
    }
}

TEST(IntakeThreaded, TapPollerOnTheTimerThreadTapsOncePerPress) {
    IntakeRig rig;
    const FollowingOptions options = TapOptions(TapSource::SpaceBar);
    rig.Follow(options);
    std::atomic<bool> stop{false};
    std::thread timerThread([&] {
        while (!stop) {
            rig.midi.timers.Advance(1);
            std::this_thread::yield();
        }
    });

    // The key is up for the first polls, which arm the latch Play and Follow set.
    auto pollsPass = [&rig](std::uint32_t ms) {
        const platform::ClockMs from = rig.midi.clock.Now();
        return WaitFor([&] { return platform::ClockElapsed(rig.midi.clock.Now(), from) > ms; });
    };
    constexpr int kPresses = 20;
    bool inTime = pollsPass(6);
    for (int press = 0; inTime && press < kPresses; ++press) {
        rig.keys.SetSpaceBarDown(true);
        inTime = WaitFor([&] { return rig.receiver.TapCount() == std::size_t(press + 1); });
        rig.keys.SetSpaceBarDown(false);
        inTime = inTime && pollsPass(6);
    }
    rig.intake.LeaveFollowing(options);
    rig.keys.SetSpaceBarDown(true);
    inTime = inTime && pollsPass(10);
    stop = true;
    timerThread.join();
    EXPECT_TRUE(inTime);
    EXPECT_EQ(rig.receiver.TapCount(), std::size_t(kPresses));
}

struct GuardedLearner {
    static void Hear(void* context, std::uint32_t /*word*/) {
        auto* self = static_cast<GuardedLearner*>(context);
        if (!self->listening.load()) ++self->lateCalls;
        ++self->heard;
    }
    std::atomic<bool> listening{false};
    std::atomic<int> lateCalls{0};
    std::atomic<int> heard{0};
};

TEST(IntakeThreaded, NoLearnCallAfterClearingReturns) {
    IntakeRig rig;
    rig.intake.SetInputDialogOpen(true);
    rig.intake.SetInputMode(InputMode::InputLearn);
    GuardedLearner learner;
    std::atomic<bool> stop{false};
    std::thread input([&] {
        for (int i = 0; !stop; ++i) {
            const std::array<std::uint8_t, 3> message{0xB0, 7, static_cast<std::uint8_t>(i & 0x7F)};
            PerformanceIntake::InputCallback(&rig.intake, 0, message, platform::ClockMs{1000});
        }
    });
    for (int round = 0; round < 300; ++round) {
        learner.listening = true;
        rig.intake.SetLearnCallback(&GuardedLearner::Hear, &learner);
        std::this_thread::yield();
        rig.intake.ClearLearnCallback();
        learner.listening = false;
    }
    stop = true;
    input.join();
    EXPECT_EQ(learner.lateCalls.load(), 0);
}

}  // namespace
}  // namespace ostinel
