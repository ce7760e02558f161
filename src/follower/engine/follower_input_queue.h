#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace ostinel {

// What an InputQueue entry holds: a note's message word or a tap strength.
enum class FollowerInputKind : std::uint8_t { None = 0, Note = 1, Tap = 2 };

// The follower's InputQueue and its busy flag. Producers on any thread
// reserve a slot with an atomic count, write it, then mark it ready; the
// thread that wins the busy flag (an atomic exchange) handles the ready
// entries in order, re-reading the count after each, and empties the queue
// when it has handled everything reserved. Nobody waits on a real-time thread.
class FollowerInputQueue {
  public:
    // main thread, while no other thread uses the queue. False when out of memory.
    bool Allocate(int capacity);
    void Free();

    // any thread. False when the queue is full: the entry is lost.
    bool Push(FollowerInputKind kind, std::uint32_t word);

    // any thread: takes the busy flag if nobody holds it.
    bool TryEnter() { return !busy_.exchange(true, std::memory_order_seq_cst); }
    // main thread: waits (yielding) until the worker leaves.
    void Enter();
    // Leaves without handling anything (only when the queue is being freed).
    void LeaveWithoutDraining() { busy_.store(false, std::memory_order_seq_cst); }

    // Holder of the busy flag: hands every ready entry to `handle`(kind, word),
    // then clears the flag; takes it back when an entry became ready meanwhile.
    template <typename Handle>
    void DrainAndLeave(Handle&& handle);

  private:
    struct Slot {
        std::atomic<std::uint32_t> word{0};
        std::atomic<FollowerInputKind> kind{FollowerInputKind::None};
    };

    bool HasReadyEntry() const;

    std::unique_ptr<Slot[]> slots_;
    int capacity_ = 0;
    std::atomic<int> reserved_{0};  // the queue's count: slots taken since it was last empty
    std::atomic<int> next_{0};      // the next slot to handle
    std::atomic<bool> busy_{false};
};

template <typename Handle>
void FollowerInputQueue::DrainAndLeave(Handle&& handle) {
    for (;;) {
        int next = next_.load(std::memory_order_relaxed);
        while (next < reserved_.load(std::memory_order_seq_cst)) {
            Slot& slot = slots_[static_cast<std::size_t>(next)];
            const FollowerInputKind kind = slot.kind.load(std::memory_order_seq_cst);
            // Reserved but not written yet: its producer drains it once it is.
            if (kind == FollowerInputKind::None) break;
            const std::uint32_t word = slot.word.load(std::memory_order_relaxed);
            slot.kind.store(FollowerInputKind::None, std::memory_order_relaxed);
            next_.store(++next, std::memory_order_relaxed);
            handle(kind, word);
        }
        int handled = next;
        if (reserved_.compare_exchange_strong(handled, 0, std::memory_order_seq_cst)) {
            next_.store(0, std::memory_order_relaxed);
        }
        busy_.store(false, std::memory_order_seq_cst);
        // A producer that found the flag set just before it was cleared left
        // its entry to us: take the flag back for it unless someone else did.
        if (!HasReadyEntry() || !TryEnter()) return;
    }
}

}  // namespace ostinel
