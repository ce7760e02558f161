#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/lock_free_queue.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

// Hands MIDI messages from any thread to the one thread that plays them on
// the synth, without allocating, locking or blocking. Every message, short
// or system-exclusive, takes one place in a single queue, so the synth hears
// them in the order each sender sent them (a reset before the program change
// that follows it). A system-exclusive message travels in a slot of a fixed
// pool; its place in the queue carries the slot number.
class SynthInbox {
  public:
    static constexpr std::size_t kQueueCapacity = 8192;  // an all-notes-off sweep is 2048
    static constexpr std::size_t kSysExSlots = 32;
    // A MIDI tuning bulk dump, the longest message a GM synth understands, is 408 bytes.
    static constexpr std::size_t kMaxSysExBytes = 512;

    SynthInbox();
    SynthInbox(const SynthInbox&) = delete;
    SynthInbox& operator=(const SynthInbox&) = delete;

    // 1-3 bytes starting with a status byte.
    static bool IsShortMessage(std::span<const std::uint8_t> message) {
        return !message.empty() && message.size() <= 3 && message[0] >= 0x80;
    }
    static bool IsSysEx(std::span<const std::uint8_t> message) {
        return message.size() >= 2 && message.front() == 0xF0 && message.back() == 0xF7;
    }

    // any thread. Failed when malformed, Refused when full.
    MidiSendResult PostShort(std::span<const std::uint8_t> message);
    // any thread. Failed when malformed, Refused when the queue or the slot
    // pool is full.
    MidiSendResult PostSysEx(std::span<const std::uint8_t> message);

    // The playing thread. Hands each waiting message to `play` in order; at
    // most one queue's worth per call, so endless senders cannot hold it.
    template <typename Play>
    void Drain(Play&& play) {
        Entry entry;
        for (std::size_t n = 0; n < kQueueCapacity && queue_.TryPop(entry); ++n) {
            if (entry.sysExSlot < 0) {
                play(std::span<const std::uint8_t>(entry.bytes.data(), entry.length));
                continue;
            }
            const auto slot = static_cast<std::size_t>(entry.sysExSlot);
            play(std::span<const std::uint8_t>(sysEx_[slot].data(), entry.length));
            freeSlots_.TryPush(static_cast<std::uint8_t>(slot));
        }
    }

  private:
    struct Entry {
        std::array<std::uint8_t, 3> bytes{};
        std::uint8_t unused = 0;
        std::int16_t sysExSlot = -1;  // -1: the bytes above are the message
        std::uint16_t length = 0;
    };

    LockFreeQueue<Entry, kQueueCapacity> queue_;
    LockFreeQueue<std::uint8_t, kSysExSlots> freeSlots_;
    // A slot belongs to the sender that took it from freeSlots_ until the
    // queue publishes it, then to the playing thread until it returns it.
    std::array<std::array<std::uint8_t, kMaxSysExBytes>, kSysExSlots> sysEx_{};
};

}  // namespace ostinel::platform
