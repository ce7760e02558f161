#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "midi/midi_output.h"
#include "midi_test_rig.h"

namespace ostinel {
namespace {

using platform::RecordedMessage;
using testing::MidiRig;

constexpr int kSenders = 4;
constexpr int kMessagesPerSender = 3000;

// Sender s sends controller messages on channel s whose two data bytes count
// 0, 1, 2 ... so that the receiver can check every message and its order.
std::array<std::uint8_t, 3> Numbered(int sender, int i) {
    return {static_cast<std::uint8_t>(0xB0 | sender), static_cast<std::uint8_t>(i >> 7),
            static_cast<std::uint8_t>(i & 0x7F)};
}

void ExpectEveryMessageInOrder(const std::vector<RecordedMessage>& received, int perSender) {
    std::array<int, kSenders> next{};
    for (const RecordedMessage& m : received) {
        ASSERT_EQ(m.bytes.size(), 3u);
        const int sender = m.bytes[0] & 0x0F;
        ASSERT_LT(sender, kSenders);
        const int i = (m.bytes[1] << 7) | m.bytes[2];
        EXPECT_EQ(i, next[static_cast<std::size_t>(sender)]) << "sender " << sender;
        next[static_cast<std::size_t>(sender)] = i + 1;
    }
    for (int count : next)
        EXPECT_EQ(count, perSender);
}

TEST(MidiOutputThreaded, SendsFromSeveralThreadsLoseNothing) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&rig, s] {
            for (int i = 0; i < kMessagesPerSender; ++i)
                rig.output.SendMidi(Numbered(s, i), 0);
        });
    }
    for (std::thread& t : senders)
        t.join();
    const std::vector<RecordedMessage> received = rig.system.Output(0).Messages();
    EXPECT_EQ(received.size(), static_cast<std::size_t>(kSenders * kMessagesPerSender));
    ExpectEveryMessageInOrder(received, kMessagesPerSender);
}

TEST(MidiOutputThreaded, DelayedSendsArmedFromSeveralThreadsAllArrive) {
    constexpr int kDelayedPerSender = 400;  // two timers each: within the service's 4096
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 1, 1, 1, 1, 1, 1, 1}));
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&rig, s] {
            for (int i = 0; i < kDelayedPerSender; ++i) {
                // Later messages of a sender never fall due before earlier ones.
                rig.output.SendMidi(Numbered(s, i), kAllPorts, 1 + static_cast<std::uint32_t>(i));
            }
        });
    }
    for (std::thread& t : senders)
        t.join();
    rig.timers.Advance(2000);
    for (int device = 0; device < 2; ++device) {
        const std::vector<RecordedMessage> received = rig.system.Output(device).Messages();
        EXPECT_EQ(received.size(), static_cast<std::size_t>(kSenders * kDelayedPerSender));
        ExpectEveryMessageInOrder(received, kDelayedPerSender);
    }
}

struct ThruIntake {
    static void Take(void* self, int, std::span<const std::uint8_t> message, platform::ClockMs) {
        static_cast<MidiOutput*>(self)->SendThru(message);
    }
};

TEST(MidiOutputThreaded, ThruFromTheInputThreadBesideTimerSends) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(rig.ports.OpenInputPorts(rig.ui, &ThruIntake::Take, &rig.output));
    std::thread input([&rig] {
        for (int i = 0; i < kMessagesPerSender; ++i)
            rig.system.Input(0).Inject(Numbered(0, i), platform::ClockMs{0});
    });
    std::thread tick([&rig] {
        for (int i = 0; i < kMessagesPerSender; ++i)
            rig.output.SendMidi(Numbered(1, i), 0);
    });
    // The main thread changes the thru channel back and forth meanwhile; "same
    // as input" and channel 1 both leave the input's channel 0 as it is.
    for (int i = 0; i < 200; ++i) {
        OutputSettings settings;
        settings.thruChannel = i % 2 == 0 ? kThruSameAsInput : 0;
        settings.thruPort = i % 2 == 0 ? kAllPorts : 0;
        rig.output.SetSettings(settings);
    }
    input.join();
    tick.join();
    const std::vector<RecordedMessage> received = rig.system.Output(0).Messages();
    EXPECT_EQ(received.size(), static_cast<std::size_t>(2 * kMessagesPerSender));
    std::array<int, kSenders> counts{};
    for (const RecordedMessage& m : received)
        ++counts[m.bytes[0] & 0x0Fu];
    EXPECT_EQ(counts[0], kMessagesPerSender);
    EXPECT_EQ(counts[1], kMessagesPerSender);
}

TEST(MidiOutputThreaded, ReopeningDevicesWhileSendingIsSafe) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 2, 2, 2, 2, 2, 2, 2}));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < 2; ++s) {
        senders.emplace_back([&] {
            while (!stop.load(std::memory_order_acquire)) {
                rig.output.SendMidi(std::array<std::uint8_t, 3>{0x90, 60, 1}, 0);
                sent.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    // Port A moves between devices 0 and 1: each pass closes the device the
    // senders may be inside of, and opens the other. Every pass waits for some
    // sends, so that closing really meets senders on their way.
    for (int pass = 0; pass < 300; ++pass) {
        const int before = sent.load(std::memory_order_relaxed);
        while (sent.load(std::memory_order_relaxed) < before + 10)
            std::this_thread::yield();
        rig.ports.SetOutputDevice(0, pass % 2 == 0 ? 1 : 0);
        ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    }
    stop.store(true, std::memory_order_release);
    for (std::thread& t : senders)
        t.join();
    const std::size_t received =
        rig.system.Output(0).MessageCount() + rig.system.Output(1).MessageCount();
    EXPECT_LE(received, static_cast<std::size_t>(sent.load()));
    EXPECT_GT(received, 0u);
    EXPECT_EQ(rig.system.OutputOpenCount(1), 150);
    EXPECT_EQ(rig.system.Output(2).MessageCount(), 0u);
}

}  // namespace
}  // namespace ostinel
