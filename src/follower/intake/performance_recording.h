#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "sequence/piece.h"

namespace ostinel {

// What the soloist plays while followed, as TrackEvents stamped with clock
// time, until the stop of following trims the performance track to it.
//
// The events live in fixed blocks that never move, so that the idle pass can
// add room while input threads append: growing publishes a new block before
// it raises the capacity, and an append only ever writes below the capacity
// it read. Several input devices may append at once.
class PerformanceRecording {
  public:
    static constexpr std::int32_t kStartCapacity = 4096;  // events
    static constexpr std::int32_t kGrowth = 8192;         // events added at a time
    static constexpr std::int32_t kHeadroom = 1024;       // grow when fewer places are left
    static constexpr std::int32_t kBlockEvents = 4096;
    static constexpr std::int32_t kMaxBlocks = 2048;  // 8 million events, days of playing

    enum class RoomResult { Enough, Grown, Failed };

    PerformanceRecording() = default;
    ~PerformanceRecording() = default;
    PerformanceRecording(const PerformanceRecording&) = delete;
    PerformanceRecording& operator=(const PerformanceRecording&) = delete;

    // main thread, when Play and Follow starts: room for kStartCapacity
    // events, none recorded, RecordingFailed clear. False, with
    // RecordingFailed set, when the memory could not be had.
    bool Begin();

    // input thread. False when the event was dropped: RecordingFailed is set
    // or the room is used up.
    bool Append(const TrackEvent& event);

    // main thread, each idle pass while following: adds kGrowth places when
    // fewer than kHeadroom are left. Failed once, at the growth that failed;
    // RecordingFailed is set then and no further growth is tried.
    RoomResult MakeRoom();

    // main thread: takes no further event; returns once no append is in progress.
    void Close();

    // main thread, after Close: the track's events become the recorded ones,
    // its count and next index their number. False when memory ran out (the
    // track is left as it was).
    bool MoveInto(Track& track) const;

    // any thread
    std::int32_t Count() const { return count_.load(std::memory_order_acquire); }
    std::int32_t Capacity() const { return capacity_.load(std::memory_order_acquire); }
    bool Failed() const { return failed_.load(std::memory_order_acquire); }

  private:
    TrackEvent& Slot(std::int32_t index) const;
    bool AddBlock();

    std::array<std::unique_ptr<TrackEvent[]>, kMaxBlocks> owned_;  // main thread
    int ownedCount_ = 0;                                           // main thread
    std::array<std::atomic<TrackEvent*>, kMaxBlocks> blocks_{};
    std::atomic<std::int32_t> capacity_{0};
    std::atomic<std::int32_t> count_{0};  // slots taken, each written by its taker
    std::atomic<bool> failed_{false};
    std::atomic<int> appending_{0};  // appends in progress
};

}  // namespace ostinel
