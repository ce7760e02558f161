// Where the soloist is and how fast they go: the estimate, the wait point,
// the update after a match, jumps and the timer thread's queries.

#include <algorithm>
#include <cstdlib>

#include "follower/engine/follower.h"

namespace ostinel {
namespace {

constexpr std::int64_t kMaxTempo = 0x40000;  // 4.0

std::int64_t Distance(ScorePosition a, ScorePosition b) {
    return std::llabs(std::int64_t{a.Ms()} - std::int64_t{b.Ms()});
}

std::uint8_t ReplaceInsteadOfMeasuring(std::uint8_t flags) {
    return static_cast<std::uint8_t>((flags & ~kRoleTempoPoint) | kRoleReplace);
}

}  // namespace

ScorePosition Follower::Position() const {
    if (!running_.load(std::memory_order_acquire) || callback_ == nullptr) {
        return restingPosition_.load(std::memory_order_relaxed);
    }
    return EstimateAt(published_.Read(), callback_->ReportNow());
}

ScorePosition Follower::DuePosition() const {
    if (!running_.load(std::memory_order_acquire) || callback_ == nullptr) {
        return restingPosition_.load(std::memory_order_relaxed);
    }
    AnchorState anchor = published_.Read();
    anchor.waitLimit = anchor.dueLimit;
    return EstimateAt(anchor, callback_->ReportNow());
}

ScorePosition Follower::CurrentPosition(platform::ClockMs now) const {
    if (!running_.load(std::memory_order_relaxed)) {
        return restingPosition_.load(std::memory_order_relaxed);
    }
    return EstimateAt(anchor_, now);
}

std::int32_t Follower::TimeUntil(ScorePosition position) {
    if (!running_.load(std::memory_order_acquire) || callback_ == nullptr) return -1;
    const AnchorState found = published_.Read();
    const platform::ClockMs now = callback_->ReportNow();
    // The first query re-anchors at its own clock; when another thread is
    // working inside, the next query does it instead.
    if (reanchorOnFirstQuery_.load(std::memory_order_relaxed) && queue_.TryEnter()) {
        if (reanchorOnFirstQuery_.exchange(false, std::memory_order_relaxed) &&
            running_.load(std::memory_order_relaxed)) {
            Reanchor(now);
        }
        DrainQueue();
    }
    if (position >= found.waitLimit) return -1;
    if (position <= found.position) return 0;
    if (found.tempo <= 0) return -1;  // a halted estimate never gets there
    const std::int64_t until =
        std::int64_t{fixdiv16(static_cast<std::uint32_t>(position - found.position),
                              static_cast<std::uint32_t>(found.tempo))} +
        ClockDifference(found.time, now);
    if (until <= 0) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(until, INT32_MAX));
}

void Follower::Reanchor(platform::ClockMs now) {
    anchor_.time = now;
    if (recordCount_ == 1) {
        recordCount_ = 0;
        AppendAnchorRecord();
    }
}

void Follower::ReportAnchor() {
    published_.Publish(anchor_);
    callback_->ReportPosition(anchor_.position, anchor_.time, anchor_.tempo);
}

void Follower::ComputeWaitLimit() {
    ScorePosition candidate = kNoLimit;
    const bool beatMode = beatMode_.load(std::memory_order_relaxed);
    while (waitMarkers_.Pending()) {
        const ScorePosition marker = waitMarkers_.Next();
        if (InIgnoreRange(marker)) {
            ++waitMarkers_.cursor;
            continue;
        }
        if (beatMode) {
            candidate = marker;
            break;
        }
        // Tied to the nearest chord, the earlier one only when strictly nearer.
        const int after = score_.FirstAtOrAfter(marker);
        if (after < ChordCount()) {
            int chord = after;
            if (after > 0 && marker - ChordTime(after - 1) < ChordTime(after) - marker) {
                chord = after - 1;
            }
            const std::int64_t distance = Distance(ChordTime(chord), marker);
            if (distance == 0 || distance < lengths_.markerSnap) {
                candidate = ChordTime(chord);
                break;
            }
        }
        ++waitMarkers_.cursor;
    }
    while (signalMarkers_.Pending() && InIgnoreRange(signalMarkers_.Next()))
        ++signalMarkers_.cursor;
    if (signalMarkers_.Pending()) candidate = std::min(candidate, signalMarkers_.Next());
    anchor_.waitLimit = std::min(candidate, startWait_);
    anchor_.dueLimit = anchor_.waitLimit;
}

bool Follower::UpdateAfterMatch(int chordIndex, int previousCursor, std::uint8_t key,
                                platform::ClockMs now) {
    const ScoreChord& chord = score_.chords[static_cast<std::size_t>(chordIndex)];
    const ScorePosition tq = chord.time;
    const int level = Level();
    std::uint8_t flags = level == 1 ? 0 : chord.role;
    const ScorePosition current = EstimateAt(anchor_, now);

    // Reaching a wait point releases it: the position goes exactly to the chord.
    if (tq == anchor_.waitLimit && waitMarkers_.Pending() &&
        Distance(waitMarkers_.Next(), tq) < lengths_.markerSnap) {
        ++waitMarkers_.cursor;
        ComputeWaitLimit();
        flags = ReplaceInsteadOfMeasuring(flags);
    }
    if (tq == startWait_) {
        startWait_ = kNoLimit;
        ComputeWaitLimit();
        flags = ReplaceInsteadOfMeasuring(flags);
        DropSingleAnchorRecord();
    }

    while (restoreMarkers_.Pending() && std::int64_t{restoreMarkers_.Next().Ms()} <=
                                            std::int64_t{tq.Ms()} - lengths_.markerSnap) {
        ++restoreMarkers_.cursor;
    }
    if (restoreMarkers_.Pending() && Distance(restoreMarkers_.Next(), tq) < lengths_.markerSnap) {
        ++restoreMarkers_.cursor;
        anchor_.tempo = baseTempo_;
    } else {
        if ((flags & kRoleTempoPoint) != 0 && level >= 3 && tempoAnchorTime_) {
            const std::int64_t scoreSpan = std::int64_t{tq.Ms()} - tempoAnchorPosition_.Ms();
            const std::int32_t clockSpan = ClockDifference(now, *tempoAnchorTime_);
            // A match behind the reference or at its instant measures nothing.
            if (scoreSpan > 0 && clockSpan > 0) {
                const std::int64_t measured = fixdiv16(static_cast<std::uint32_t>(scoreSpan),
                                                       static_cast<std::uint32_t>(clockSpan));
                const std::int64_t tempo = anchor_.tempo;
                // Much faster than expected while this pitch is still owed earlier:
                // more likely the earlier note played early than a sudden rush.
                if (previousCursor < chordIndex && 4 * measured > 5 * tempo &&
                    KeyUnmatchedBetween(previousCursor, chordIndex, key)) {
                    return false;
                }
                const std::int64_t weight = (flags & kRoleWeightMask) + 1;
                const std::int64_t divisor = level == 4 ? 4 : 8;
                const std::int64_t blended =
                    ((divisor - weight) * tempo + weight * measured + divisor / 2) / divisor;
                anchor_.tempo = static_cast<Fixed16>(std::min(blended, kMaxTempo));
            }
        }
        if (previousCursor == chordIndex && missCount_ == 0) lastGoodTempo_ = anchor_.tempo;
        if ((flags & kRoleReplace) == 0 && level >= 2) {
            anchor_.position = current;
            anchor_.time = now;
            AppendAnchorRecord();
        }
    }
    if ((flags & kRoleTempoAnchor) != 0 || !tempoAnchorTime_) {
        tempoAnchorPosition_ = tq;
        tempoAnchorTime_ = now;
    }
    if ((flags & kRoleReplace) != 0) {
        anchor_.position = tq;
        anchor_.time = now;
        AppendAnchorRecord();
    }
    ReportAnchor();
    return true;
}

void Follower::PerformJump(int chordIndex, platform::ClockMs now, std::uint32_t ratio) {
    ScoreChord& chord = score_.chords[static_cast<std::size_t>(chordIndex)];
    const ScorePosition tq = chord.time;
    if (running_.load(std::memory_order_relaxed) &&
        Distance(tq, EstimateAt(anchor_, now)) < lengths_.nearJump) {
        anchor_.position = tq;
        anchor_.time = now;
        if ((chord.role & kRoleTempoPoint) != 0) {
            const std::uint64_t weight = (chord.role & kRoleWeightMask) + 1u;
            const std::uint64_t blended =
                ((8 - weight) * static_cast<std::uint32_t>(anchor_.tempo) + weight * ratio + 4) / 8;
            anchor_.tempo = static_cast<Fixed16>(std::min<std::uint64_t>(blended, kMaxTempo));
        }
        tempoAnchorTime_.reset();
        lastMatchTime_.reset();
        missCount_ = 0;
        const int count = ChordCount();
        if (chordCursor_ >= count) chordCursor_ = count - 1;
        const int from = std::min(chordIndex, chordCursor_);
        const int to = std::max(chordIndex, chordCursor_);
        for (int c = from; c <= to; ++c) {
            ScoreChord& cleared = score_.chords[static_cast<std::size_t>(c)];
            cleared.matchedCount = 0;
            cleared.complete = 0;
            for (int n = 0; n < cleared.noteCount; ++n) {
                score_.notes[static_cast<std::size_t>(cleared.firstNote + n)].pitch &=
                    static_cast<std::uint8_t>(~kMatchedFlag);
            }
        }
        chordCursor_ = chordIndex;
        // The chord is taken as far as the soloist's newest chord covers it.
        const int newest = played_.Newest();
        if (newest >= 0) {
            const PlayedChord& playedChord = played_.Chord(newest);
            chord.matchedCount = playedChord.noteCount;
            if (chord.matchedCount == chord.noteCount) {
                chord.complete = 1;
                chordCursor_ = chordIndex + 1;
            } else {
                for (int n = 0; n < chord.noteCount; ++n) {
                    ScoreNote& note = score_.notes[static_cast<std::size_t>(chord.firstNote + n)];
                    for (int p = 0; p < playedChord.noteCount; ++p) {
                        if (played_.Note(playedChord, p).pitch == note.pitch) {
                            note.pitch |= kMatchedFlag;
                            break;
                        }
                    }
                }
            }
        }
        ReportAnchor();
        return;
    }
    jumpPending_.store(true, std::memory_order_release);
    jumpRatio_ = ratio;
    jumpTime_ = now;
    jumpTarget_ = tq;
    callback_->ReportJump(tq, now, static_cast<std::int32_t>(ratio));
}

}  // namespace ostinel
