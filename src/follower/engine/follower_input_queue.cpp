#include "follower/engine/follower_input_queue.h"

#include <new>
#include <thread>

namespace ostinel {

bool FollowerInputQueue::Allocate(int capacity) {
    std::unique_ptr<Slot[]> slots(new (std::nothrow) Slot[static_cast<std::size_t>(capacity)]);
    if (!slots) return false;
    slots_ = std::move(slots);
    capacity_ = capacity;
    reserved_.store(0);
    next_.store(0);
    return true;
}

void FollowerInputQueue::Free() {
    slots_.reset();
    capacity_ = 0;
    reserved_.store(0);
    next_.store(0);
}

bool FollowerInputQueue::Push(FollowerInputKind kind, std::uint32_t word) {
    int count = reserved_.load(std::memory_order_relaxed);
    do {
        if (count >= capacity_) return false;
    } while (!reserved_.compare_exchange_weak(count, count + 1, std::memory_order_seq_cst,
                                              std::memory_order_relaxed));
    Slot& slot = slots_[static_cast<std::size_t>(count)];
    slot.word.store(word, std::memory_order_relaxed);
    slot.kind.store(kind, std::memory_order_seq_cst);
    return true;
}

void FollowerInputQueue::Enter() {
    while (!TryEnter())
        std::this_thread::yield();
}

bool FollowerInputQueue::HasReadyEntry() const {
    const int next = next_.load(std::memory_order_seq_cst);
    return next < reserved_.load(std::memory_order_seq_cst) &&
           slots_[static_cast<std::size_t>(next)].kind.load(std::memory_order_seq_cst) !=
               FollowerInputKind::None;
}

}  // namespace ostinel
