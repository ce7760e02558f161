#include "follower/intake/performance_recording.h"

#include <new>
#include <thread>

namespace ostinel {

bool PerformanceRecording::Begin() {
    Close();
    // Blocks beyond the first are given back; the first is kept for the next take.
    while (ownedCount_ > 1) {
        --ownedCount_;
        blocks_[static_cast<std::size_t>(ownedCount_)].store(nullptr, std::memory_order_relaxed);
        owned_[static_cast<std::size_t>(ownedCount_)].reset();
    }
    count_.store(0, std::memory_order_release);
    if (ownedCount_ == 0 && !AddBlock()) {
        failed_.store(true, std::memory_order_release);
        return false;
    }
    failed_.store(false, std::memory_order_release);
    capacity_.store(kStartCapacity, std::memory_order_seq_cst);
    return true;
}

bool PerformanceRecording::Append(const TrackEvent& event) {
    // Paired with Close: either it sees this append in progress, or this
    // append sees the capacity it set.
    appending_.fetch_add(1, std::memory_order_seq_cst);
    bool taken = false;
    if (!failed_.load(std::memory_order_acquire)) {
        const std::int32_t capacity = capacity_.load(std::memory_order_seq_cst);
        std::int32_t index = count_.load(std::memory_order_relaxed);
        while (index < capacity &&
               !count_.compare_exchange_weak(index, index + 1, std::memory_order_acq_rel)) {
        }
        if (index < capacity) {
            Slot(index) = event;
            taken = true;
        }
    }
    appending_.fetch_sub(1, std::memory_order_release);
    return taken;
}

PerformanceRecording::RoomResult PerformanceRecording::MakeRoom() {
    const std::int32_t capacity = capacity_.load(std::memory_order_acquire);
    if (capacity == 0 || Failed() || Count() + kHeadroom <= capacity) return RoomResult::Enough;
    for (std::int32_t added = 0; added < kGrowth; added += kBlockEvents) {
        if (!AddBlock()) {
            failed_.store(true, std::memory_order_release);
            return RoomResult::Failed;
        }
    }
    // The blocks are published before the capacity that lets appends reach them.
    capacity_.store(capacity + kGrowth, std::memory_order_seq_cst);
    return RoomResult::Grown;
}

void PerformanceRecording::Close() {
    capacity_.store(0, std::memory_order_seq_cst);
    // An append is a handful of stores: this wait is over at once.
    while (appending_.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
}

bool PerformanceRecording::MoveInto(Track& track) const {
    const std::int32_t count = Count();
    try {
        std::vector<TrackEvent> events(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
            events[static_cast<std::size_t>(i)] = Slot(i);
        track.events = std::move(events);
    } catch (const std::bad_alloc&) {
        return false;
    }
    track.count = count;
    track.nextIndex = count;
    return true;
}

TrackEvent& PerformanceRecording::Slot(std::int32_t index) const {
    TrackEvent* block =
        blocks_[static_cast<std::size_t>(index / kBlockEvents)].load(std::memory_order_acquire);
    return block[index % kBlockEvents];
}

bool PerformanceRecording::AddBlock() {
    if (ownedCount_ >= kMaxBlocks) return false;
    std::unique_ptr<TrackEvent[]> block(new (std::nothrow) TrackEvent[kBlockEvents]);
    if (block == nullptr) return false;
    blocks_[static_cast<std::size_t>(ownedCount_)].store(block.get(), std::memory_order_release);
    owned_[static_cast<std::size_t>(ownedCount_)] = std::move(block);
    ++ownedCount_;
    return true;
}

}  // namespace ostinel
