#include "platform/timer_queue.h"

#include <algorithm>

namespace ostinel::platform {

TimerQueue::TimerQueue(std::size_t capacity) : capacity_(capacity) {
    heap_.reserve(capacity);
}

bool TimerQueue::Later(const PendingTimer& a, const PendingTimer& b) {
    const std::int32_t d = ClockDifference(a.deadline, b.deadline);
    if (d != 0) return d > 0;
    return a.armOrder > b.armOrder;
}

bool TimerQueue::Add(const PendingTimer& timer) {
    if (Full()) return false;
    heap_.push_back(timer);
    std::push_heap(heap_.begin(), heap_.end(), Later);
    return true;
}

PendingTimer TimerQueue::TakeEarliest() {
    std::pop_heap(heap_.begin(), heap_.end(), Later);
    PendingTimer timer = heap_.back();
    heap_.pop_back();
    return timer;
}

}  // namespace ostinel::platform
