#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace ostinel::platform {

// A bounded multi-producer queue that never allocates, locks or blocks
// (Vyukov's sequence-numbered ring). Each slot carries a sequence number that
// says whether it is free for the producer of a given turn or holds a value
// published for the consumer of that turn, so a value is never read half
// written. Any number of threads may push; pops may come from several threads
// too, but the engine gives each queue one consumer.
template <typename T, std::size_t Capacity>
class LockFreeQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                  "capacity must be a power of two");
    static_assert(std::is_trivially_copyable_v<T>, "slots are copied byte for byte");

  public:
    LockFreeQueue() {
        for (std::size_t i = 0; i < Capacity; ++i) {
            slots_[i].sequence.store(i, std::memory_order_relaxed);
        }
    }
    LockFreeQueue(const LockFreeQueue&) = delete;
    LockFreeQueue& operator=(const LockFreeQueue&) = delete;

    // any thread. False when the queue is full.
    bool TryPush(const T& value) {
        std::size_t position = pushPosition_.load(std::memory_order_relaxed);
        for (;;) {
            Slot& slot = slots_[position & kMask];
            const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
            const auto lag =
                static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position);
            if (lag == 0) {
                if (pushPosition_.compare_exchange_weak(position, position + 1,
                                                        std::memory_order_relaxed)) {
                    slot.value = value;
                    slot.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (lag < 0) {
                return false;
            } else {
                position = pushPosition_.load(std::memory_order_relaxed);
            }
        }
    }

    // consumer thread. False when the queue is empty.
    bool TryPop(T& value) {
        std::size_t position = popPosition_.load(std::memory_order_relaxed);
        for (;;) {
            Slot& slot = slots_[position & kMask];
            const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
            const auto lag =
                static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position + 1);
            if (lag == 0) {
                if (popPosition_.compare_exchange_weak(position, position + 1,
                                                       std::memory_order_relaxed)) {
                    value = slot.value;
                    slot.sequence.store(position + Capacity, std::memory_order_release);
                    return true;
                }
            } else if (lag < 0) {
                return false;
            } else {
                position = popPosition_.load(std::memory_order_relaxed);
            }
        }
    }

  private:
    static constexpr std::size_t kMask = Capacity - 1;
    struct Slot {
        std::atomic<std::size_t> sequence{0};
        T value{};
    };
    std::array<Slot, Capacity> slots_;
    alignas(64) std::atomic<std::size_t> pushPosition_{0};
    alignas(64) std::atomic<std::size_t> popPosition_{0};
};

}  // namespace ostinel::platform
