#pragma once

#include <atomic>
#include <cstdint>

#include "music/fixed_point.h"
#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

// The follower's answer to the playback engine: the soloist is at `position`
// at clock `time` and goes on at `tempo` (16.16), never reaching `waitLimit`.
// `dueLimit` is the wait at the markers and the start alone: the soloist is
// due to go on up to it even while the accompaniment holds earlier, at their
// next entry.
struct AnchorState {
    ScorePosition position;
    platform::ClockMs time;
    std::int32_t tempo = 0x10000;
    ScorePosition waitLimit = ScorePosition::Max();
    ScorePosition dueLimit = ScorePosition::Max();
};

// The estimate at clock `now`: the anchor extrapolated at its tempo, held
// 1 ms before the wait limit.
inline ScorePosition EstimateAt(const AnchorState& anchor, platform::ClockMs now) {
    const std::int64_t position =
        std::int64_t{anchor.position.Ms()} +
        fixmul16(platform::ClockDifference(now, anchor.time), anchor.tempo);
    if (position >= anchor.waitLimit.Ms()) return anchor.waitLimit - 1;
    if (position < INT32_MIN) return ScorePosition::Min();
    return ScorePosition(static_cast<std::int32_t>(position));
}

// The anchor as the timer thread sees it: a sequence lock over atomic fields.
// One writer at a time (the thread holding the follower's busy flag); readers
// on any thread retry while a write is under way, so they never pair a new
// position with an old time or tempo.
class PublishedAnchor {
  public:
    void Publish(const AnchorState& anchor) {
        const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        // Release stores: a reader that sees any new field also sees the odd count.
        position_.store(anchor.position, std::memory_order_release);
        time_.store(anchor.time, std::memory_order_release);
        tempo_.store(anchor.tempo, std::memory_order_release);
        waitLimit_.store(anchor.waitLimit, std::memory_order_release);
        dueLimit_.store(anchor.dueLimit, std::memory_order_release);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    AnchorState Read() const {
        for (;;) {
            const std::uint32_t before = sequence_.load(std::memory_order_acquire);
            if ((before & 1u) != 0) continue;  // a write is under way
            AnchorState anchor;
            anchor.position = position_.load(std::memory_order_acquire);
            anchor.time = time_.load(std::memory_order_acquire);
            anchor.tempo = tempo_.load(std::memory_order_acquire);
            anchor.waitLimit = waitLimit_.load(std::memory_order_acquire);
            anchor.dueLimit = dueLimit_.load(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) == before) return anchor;
        }
    }

  private:
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<ScorePosition> position_{};
    std::atomic<platform::ClockMs> time_{};
    static_assert(std::atomic<platform::ClockMs>::is_always_lock_free);
    std::atomic<std::int32_t> tempo_{0x10000};
    std::atomic<ScorePosition> waitLimit_{ScorePosition::Max()};
    std::atomic<ScorePosition> dueLimit_{ScorePosition::Max()};
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
};

}  // namespace ostinel
