#include "playback/start_history.h"

#include <algorithm>

namespace ostinel {

void StartHistory::Record(ScorePosition position) {
    const auto searched = entries_.begin() + (kLength - 1);
    auto found = std::find(entries_.begin(), searched, position);
    // Absent: the oldest entry is the one that gives way.
    if (found == searched) found = entries_.end() - 1;
    std::move_backward(entries_.begin(), found, found + 1);
    entries_[0] = position;
}

ScorePosition StartHistory::After(ScorePosition current) const {
    const auto searched = entries_.begin() + (kLength - 1);
    const auto index =
        static_cast<std::size_t>(std::find(entries_.begin(), searched, current) - entries_.begin());
    return entries_[(index + 1) % kLength];
}

}  // namespace ostinel
