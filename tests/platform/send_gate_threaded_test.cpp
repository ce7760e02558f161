#include "platform/send_gate.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace ostinel::platform {
namespace {

// Two threads send through one gate to a device that must never be entered
// twice at once: every message arrives, in each sender's own order, and none
// is refused.
TEST(SendGate, TwoSendersAtOnceLoseNothingAndNeverMeetInTheDevice) {
    constexpr int kPerSender = 20000;
    SendGate<8, 16> gate;
    std::atomic<bool> inside{false};
    std::atomic<int> overlaps{0};
    std::array<std::vector<int>, 2> arrived;
    const auto deliver = [&](std::span<const std::uint8_t> message) {
        if (inside.exchange(true)) overlaps.fetch_add(1);
        const int sender = message[0];
        arrived[static_cast<std::size_t>(sender)].push_back(message[1] | (message[2] << 7) |
                                                            (message[3] << 14));
        inside.store(false);
        return MidiSendResult::Sent;
    };
    std::atomic<int> refused{0};
    const auto sendAll = [&](std::uint8_t sender) {
        for (int i = 0; i < kPerSender; ++i) {
            const std::array<std::uint8_t, 4> message{sender, static_cast<std::uint8_t>(i & 0x7F),
                                                      static_cast<std::uint8_t>((i >> 7) & 0x7F),
                                                      static_cast<std::uint8_t>(i >> 14)};
            if (gate.Send(message, deliver) != MidiSendResult::Sent) refused.fetch_add(1);
        }
    };
    std::thread first(sendAll, std::uint8_t{0});
    std::thread second(sendAll, std::uint8_t{1});
    first.join();
    second.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(refused.load(), 0);
    for (const std::vector<int>& one : arrived) {
        ASSERT_EQ(one.size(), static_cast<std::size_t>(kPerSender));
        for (int i = 0; i < kPerSender; ++i)
            ASSERT_EQ(one[static_cast<std::size_t>(i)], i);
    }
}

}  // namespace
}  // namespace ostinel::platform
