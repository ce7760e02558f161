#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/lock_free_queue.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

// Lets several threads send through a device that takes one caller at a time
// (RtMidi's ALSA output), so that contention never turns into a refused send
// and no sender waits for another: a sender that finds the device busy leaves
// its message in a fixed queue, and whoever holds the device sends what was
// left before it lets go. A left message counts as sent; the holder's own
// send keeps its device's answer. Only a message too long for a queue slot
// waits for the send in progress, which takes microseconds.
//
// Threads: any; never allocates or locks.
template <std::size_t SlotBytes, std::size_t Slots>
class SendGate {
  public:
    template <typename Deliver>
    MidiSendResult Send(std::span<const std::uint8_t> message, Deliver&& deliver) {
        if (busy_.test_and_set(std::memory_order_acquire)) {
            if (message.size() <= SlotBytes && Leave(message)) {
                // The holder may have let go after its last look at the queue.
                if (!busy_.test_and_set(std::memory_order_acquire)) SendLeftAndLetGo(deliver);
                return MidiSendResult::Sent;
            }
            while (busy_.test_and_set(std::memory_order_acquire)) {
            }
        }
        // What was left before this send goes first, in the order it came.
        SendLeft(deliver);
        const MidiSendResult result = deliver(message);
        SendLeftAndLetGo(deliver);
        return result;
    }

  private:
    struct LeftMessage {
        std::uint16_t length = 0;
        std::array<std::uint8_t, SlotBytes> bytes{};
    };

    bool Leave(std::span<const std::uint8_t> message) {
        LeftMessage left;
        left.length = static_cast<std::uint16_t>(message.size());
        std::copy(message.begin(), message.end(), left.bytes.begin());
        if (!queue_.TryPush(left)) return false;
        left_.fetch_add(1, std::memory_order_seq_cst);
        return true;
    }

    template <typename Deliver>
    void SendLeft(Deliver& deliver) {
        LeftMessage left;
        while (queue_.TryPop(left)) {
            left_.fetch_sub(1, std::memory_order_seq_cst);
            deliver(std::span<const std::uint8_t>(left.bytes.data(), left.length));
        }
    }

    template <typename Deliver>
    void SendLeftAndLetGo(Deliver& deliver) {
        for (;;) {
            SendLeft(deliver);
            busy_.clear(std::memory_order_seq_cst);
            // Either a sender that left a message now sees the device free,
            // or this sees its message and takes the device back for it.
            if (left_.load(std::memory_order_seq_cst) == 0) return;
            if (busy_.test_and_set(std::memory_order_acquire)) return;
        }
    }

    std::atomic_flag busy_;
    std::atomic<int> left_{0};
    LockFreeQueue<LeftMessage, Slots> queue_;
};

}  // namespace ostinel::platform
