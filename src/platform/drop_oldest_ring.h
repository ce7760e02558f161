#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ostinel {

// A bounded first-in first-out ring of 32-bit values that never allocates,
// locks or blocks, where a push into a full ring pushes out the oldest value
// instead of failing. Any number of threads may push; one thread takes.
//
// Every value has a position: a 32-bit turn number handed out by `tail_`.
// Position p lives in slot p % Capacity as one 64-bit word
//     bits 63..32  position p        bits 31..0  the value
// written with a single atomic store, so a value is never read half written
// and the reader can tell whether the slot already holds position p.
//
// `head_` is the oldest position still owed to the consumer. It moves forward
// by compare-and-swap only, either by the consumer taking the value or by a
// producer dropping it to make room, so each position is delivered once or
// dropped once, never both. Positions are compared by signed 32-bit
// difference, which stays correct across the wrap while no thread stalls for
// two billion pushes.
template <std::size_t Capacity>
class DropOldestRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                  "capacity must be a power of two");
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
                  "the timer and input threads must not fall back to a lock");

  public:
    DropOldestRing() {
        // Each slot starts out holding the turn before its first real one, so
        // no position reads as published before a producer writes it.
        for (std::size_t i = 0; i < Capacity; ++i) {
            const auto before = static_cast<std::uint32_t>(i - Capacity);
            slots_[i].store(Pack(before, 0), std::memory_order_relaxed);
        }
    }
    DropOldestRing(const DropOldestRing&) = delete;
    DropOldestRing& operator=(const DropOldestRing&) = delete;

    // any thread. Returns how many old values were pushed out to make room.
    std::uint32_t Push(std::uint32_t value) {
        std::uint32_t dropped = 0;
        for (;;) {
            // Head first: it only grows, so tail - head read in this order never
            // overstates how full the ring is when it claims a place, and a drop
            // only succeeds while head is still what was read.
            std::uint32_t head = head_.load(std::memory_order_seq_cst);
            std::uint32_t tail = tail_.load(std::memory_order_seq_cst);
            if (tail - head < Capacity) {
                if (tail_.compare_exchange_weak(tail, tail + 1, std::memory_order_seq_cst)) {
                    Publish(tail, value);
                    return dropped;
                }
            } else if (head_.compare_exchange_strong(head, head + 1, std::memory_order_seq_cst)) {
                ++dropped;
            }
        }
    }

    // consumer thread. Nothing when the ring is empty, or when the oldest
    // position has been claimed but its producer has not yet written it; the
    // consumer comes back on its next pass.
    std::optional<std::uint32_t> Take() {
        for (;;) {
            std::uint32_t head = head_.load(std::memory_order_seq_cst);
            const std::uint64_t word = SlotFor(head).load(std::memory_order_acquire);
            const std::int32_t lead = Distance(PositionOf(word), head);
            if (lead < 0) return std::nullopt;
            // A newer position in the slot means head moved on meanwhile.
            if (lead > 0) continue;
            // Head still equal to `head` proves the slot was not reused while read.
            if (head_.compare_exchange_strong(head, head + 1, std::memory_order_seq_cst)) {
                return ValueOf(word);
            }
        }
    }

  private:
    static constexpr std::uint64_t Pack(std::uint32_t position, std::uint32_t value) {
        return (std::uint64_t{position} << 32) | value;
    }
    static constexpr std::uint32_t PositionOf(std::uint64_t word) {
        return static_cast<std::uint32_t>(word >> 32);
    }
    static constexpr std::uint32_t ValueOf(std::uint64_t word) {
        return static_cast<std::uint32_t>(word);
    }
    static constexpr std::int32_t Distance(std::uint32_t later, std::uint32_t earlier) {
        return static_cast<std::int32_t>(later - earlier);
    }

    std::atomic<std::uint64_t>& SlotFor(std::uint32_t position) {
        return slots_[position & (Capacity - 1)];
    }

    // A producer that stalled between claiming and writing may find its slot
    // already reused by a later turn; its value was dropped as the oldest, and
    // it must not overwrite the newer one.
    void Publish(std::uint32_t position, std::uint32_t value) {
        std::atomic<std::uint64_t>& slot = SlotFor(position);
        const std::uint64_t word = Pack(position, value);
        std::uint64_t current = slot.load(std::memory_order_relaxed);
        while (Distance(position, PositionOf(current)) > 0) {
            if (slot.compare_exchange_weak(current, word, std::memory_order_release,
                                           std::memory_order_relaxed)) {
                return;
            }
        }
    }

    std::array<std::atomic<std::uint64_t>, Capacity> slots_;
    alignas(64) std::atomic<std::uint32_t> head_{0};
    alignas(64) std::atomic<std::uint32_t> tail_{0};
};

}  // namespace ostinel
