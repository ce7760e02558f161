#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/real/synth/live_synth.h"
#include "platform/real/synth/synth_output.h"

namespace ostinel::platform {
namespace {

// Senders on several threads at once (the timer, input and main threads of
// the program) while an audio thread drains the synth's inbox: every message
// arrives whole and each sender's messages keep their order.
TEST(SynthOutputThreaded, SendersOnManyThreadsReachTheAudioThreadInOrder) {
    LiveSynthOptions options;
    options.ownerPullsAudio = true;
    const auto synth = LiveSynth::Create(options);
    ASSERT_TRUE(synth->TryClaim());
    SynthOutput output(*synth);

    constexpr int kSenders = 4;
    constexpr int kRounds = 4000;
    std::atomic<int> sendersDone{0};
    std::atomic<long> refusals{0};
    std::array<int, kSenders> finalVolume{};
    std::array<int, kSenders> finalPan{};

    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        std::array<float*, 2> out{left.data(), right.data()};
        auto pull = [&] { synth->ProcessAudio(64, 0, nullptr, 2, out.data()); };
        while (sendersDone.load(std::memory_order_acquire) < kSenders)
            pull();
        pull();  // whatever the last sender left
        for (int s = 0; s < kSenders; ++s) {
            finalVolume[static_cast<std::size_t>(s)] = synth->ControllerValue(s, 7);
            finalPan[static_cast<std::size_t>(s)] = synth->ControllerValue(s, 10);
        }
    });

    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            const auto status = static_cast<std::uint8_t>(0xB0 | s);
            auto send = [&](auto&& message, bool isLong) {
                for (;;) {
                    const MidiSendResult result =
                        isLong ? output.SendLong(message) : output.SendShort(message);
                    if (result == MidiSendResult::Sent) return;
                    refusals.fetch_add(1, std::memory_order_relaxed);
                    std::this_thread::yield();
                }
            };
            for (int round = 0; round < kRounds; ++round) {
                const auto value = static_cast<std::uint8_t>(round % 128);
                send(std::array<std::uint8_t, 3>{status, 7, value}, false);
                send(
                    std::array<std::uint8_t, 3>{status, 10, static_cast<std::uint8_t>(127 - value)},
                    false);
                if (round % 50 == 0) {
                    // For non-commercial use: every synth ignores it.
                    send(std::array<std::uint8_t, 5>{0xF0, 0x7D, status, value, 0xF7}, true);
                }
            }
            send(std::array<std::uint8_t, 3>{status, 7, static_cast<std::uint8_t>(10 + s)}, false);
            sendersDone.fetch_add(1, std::memory_order_release);
        });
    }
    for (std::thread& sender : senders)
        sender.join();
    audio.join();

    for (int s = 0; s < kSenders; ++s) {
        EXPECT_EQ(finalVolume[static_cast<std::size_t>(s)], 10 + s) << "sender " << s;
        EXPECT_EQ(finalPan[static_cast<std::size_t>(s)], 127 - (kRounds - 1) % 128)
            << "sender " << s;
    }
    RecordProperty("refusals", std::to_string(refusals.load()));
}

}  // namespace
}  // namespace ostinel::platform
