#include "app/played_trace.h"

#include <algorithm>

namespace ostinel {

void PlayedTrace::Begin(const ScoreRoll& roll, ScorePosition start) {
    outcomes_.assign(roll.Notes().size(), NoteOutcome::Ahead);
    marks_.clear();
    jumps_.clear();
    tempos_.clear();
    longestMark_ = kStrokeMs;
    missCursor_ = roll.FirstStartingAt(start);
}

void PlayedTrace::Add(const ScoreRoll& roll, const PlayedEvent& event) {
    if (outcomes_.size() != roll.Notes().size()) Begin(roll, event.place);
    AddTempo(event.time, event.speed);
    if (event.kind == PlayedEvent::Kind::Jump) {
        jumps_.push_back(JumpMark{event.place, event.matched});
        missCursor_ = roll.FirstStartingAt(event.matched);
        return;
    }
    PlayedMark mark;
    mark.place = event.place;
    mark.key = event.key;
    mark.tap = event.kind == PlayedEvent::Kind::Tap;
    mark.length = kStrokeMs;
    if (event.matched >= ScorePosition{}) {
        mark.matched = true;
        if (!mark.tap) {
            const std::ptrdiff_t note =
                roll.FollowingNoteNear(event.key, event.matched, kSameNoteMs);
            if (note >= 0) {
                const auto index = static_cast<std::size_t>(note);
                outcomes_[index] = NoteOutcome::Played;
                mark.place = roll.Notes()[index].start;
                mark.length = roll.Notes()[index].length;
            } else {
                // The chord matched, but not with this key: a wrong note in it.
                mark.matched = false;
            }
        }
        MarkMissedBefore(roll, event.matched);
    }
    // Played in order, a mark almost always belongs at the end.
    const auto at =
        std::upper_bound(marks_.begin(), marks_.end(), mark.place,
                         [](ScorePosition place, const PlayedMark& m) { return place < m.place; });
    marks_.insert(at, mark);
    longestMark_ = std::max(longestMark_, mark.length);
}

void PlayedTrace::MarkMissedBefore(const ScoreRoll& roll, ScorePosition place) {
    const auto notes = roll.Notes();
    while (missCursor_ < notes.size() && notes[missCursor_].start < place - kMissedAfterMs) {
        if (notes[missCursor_].following && outcomes_[missCursor_] == NoteOutcome::Ahead)
            outcomes_[missCursor_] = NoteOutcome::Missed;
        ++missCursor_;
    }
}

void PlayedTrace::AddTempo(std::uint32_t time, SpeedFactor speed) {
    tempos_.push_back(TempoSample{time, speed});
    // Keep only what the trend looks at (and one sample older).
    std::size_t old = 0;
    while (old + 1 < tempos_.size() && static_cast<std::int32_t>(time - tempos_[old + 1].time) >=
                                           static_cast<std::int32_t>(kTrendSpanMs))
        ++old;
    if (old > 0) tempos_.erase(tempos_.begin(), tempos_.begin() + static_cast<std::ptrdiff_t>(old));
}

TempoTrend PlayedTrace::Trend() const {
    if (tempos_.size() < 2) return TempoTrend::Steady;
    const int then = tempos_.front().speed.Raw();
    const int now = tempos_.back().speed.Raw();
    if ((now - then) * 100 > then * kTrendPercent) return TempoTrend::Faster;
    if ((then - now) * 100 > then * kTrendPercent) return TempoTrend::Slower;
    return TempoTrend::Steady;
}

ScoreRoll::IndexRange PlayedTrace::MarksBetween(ScorePosition from, ScorePosition to) const {
    const auto byPlace = [](const PlayedMark& m, ScorePosition t) { return m.place < t; };
    const auto first =
        std::lower_bound(marks_.begin(), marks_.end(), from - longestMark_ + 1, byPlace);
    const auto last = std::lower_bound(first, marks_.end(), to, byPlace);
    return {static_cast<std::size_t>(first - marks_.begin()),
            static_cast<std::size_t>(last - marks_.begin())};
}

}  // namespace ostinel
