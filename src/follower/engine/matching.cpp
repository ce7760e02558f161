// Which note of the score a played note is: the window search around the
// expected position and the taking of a chord's note.

#include <algorithm>

#include "follower/engine/follower.h"
#include "music/midi_message.h"

namespace ostinel {

void Follower::HandleNote(std::uint32_t word) {
    const platform::ClockMs now = callback_->ReportNow();
    const std::uint8_t key = KeyOf(word);
    if (key != kSignalKey) {
        lastNoteStartedChord_ = played_.Add(key, VelocityOf(word), now, lengths_.chordSpan);
    }
    if (jumpPending_.load(std::memory_order_relaxed)) return;
    const ScorePosition expected = CurrentPosition(now);
    const bool running = running_.load(std::memory_order_relaxed);
    if (Probable()) {
        if (running) {
            HandleProbableNote(word, now);
        } else if (key != kSignalKey && ChordCount() > 0) {
            ListenForStart(word, now);
        }
        return;
    }
    if (running) {
        if (MatchNote(word, expected, now)) {
            callback_->ReportEvent(
                now, lastMatchedChord_ >= 0 ? ChordTime(lastMatchedChord_) : ScorePosition{-1},
                word);
            return;
        }
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        if (ChordCount() == 0 || excused_ || Level() < 2) return;
    }
    // Not running: listening for the soloist to start anywhere in the piece.
    if (key != kSignalKey && (!running || options_.jumping)) SearchJump(expected, word, now);
}

bool Follower::MatchNote(std::uint32_t word, ScorePosition expected, platform::ClockMs now) {
    excused_ = false;
    const int count = ChordCount();
    if (Level() == 0 || count == 0) return false;
    AdvanceIgnoreCursor(expected);
    const ScorePosition waitLimit = anchor_.waitLimit;
    ScorePosition x;
    ScorePosition lo;
    ScorePosition hi;
    int start = 0;
    bool signalDue = false;
    if (lastMatchTime_ && lastMatchedChord_ >= 0 &&
        ClockDifference(now, *lastMatchTime_) < lengths_.chordSpan) {
        // Within the chord span of the last match: another note of that chord.
        start = lastMatchedChord_;
        x = ChordTime(start);
        lo = x - lengths_.chordSpan;
        hi = x + lengths_.chordSpan;
        jumpWindow_ = false;
    } else {
        std::int32_t width = 0;
        if (lastMatchTime_ && lastMatchedChord_ >= 0) {
            const AnchorState fromLastMatch{ChordTime(lastMatchedChord_), *lastMatchTime_,
                                            anchor_.tempo, waitLimit};
            x = EstimateAt(fromLastMatch, now);
            width = std::clamp(fixmul16(ClockDifference(now, *lastMatchTime_), anchor_.tempo),
                               lengths_.windowMinimum, lengths_.windowMaximum);
        } else {
            x = expected;
            width = (lengths_.windowMaximum + lengths_.windowMinimum) / 2;
        }
        x = std::max(x, ScorePosition{});
        lo = std::max(ScorePosition{}, x - (width >> 1));
        hi = x + width;
        start = StartChordNear(x);
        const ScorePosition startTime = ChordTime(start);
        if (signalMarkers_.Pending()) {
            const ScorePosition signal = signalMarkers_.Next();
            signalDue = (startTime > x && startTime >= signal) ||
                        (startTime < x && (start == count - 1 || ChordTime(start + 1) >= signal));
        }
        jumpWindow_ = false;
        if (options_.jumping) {
            // The nearest chord lies outside the window: reach for it as a jump.
            if (startTime > hi) {
                hi = startTime;
                jumpWindow_ = true;
            } else if (startTime < lo && start + 1 < count) {
                ++start;
                hi = ChordTime(start);
                jumpWindow_ = true;
            }
        }
    }
    if (hi > waitLimit) {
        hi = waitLimit;
        lo = std::min(lo, waitLimit);
        while (start > 0 && ChordTime(start) > waitLimit)
            --start;
    }

    // Outward from the start chord; a later chord wins unless more than twice as far.
    int back = start;
    int forward = start + 1;
    for (;;) {
        const bool backDone = back < 0 || ChordTime(back) < lo;
        const bool forwardDone = forward >= count || ChordTime(forward) > hi;
        if (backDone && forwardDone) break;
        int chord = 0;
        if (backDone || (!forwardDone && std::int64_t{ChordTime(forward).Ms()} - x.Ms() <=
                                             2 * (std::int64_t{x.Ms()} - ChordTime(back).Ms()))) {
            chord = forward++;
        } else {
            chord = back--;
        }
        if (InIgnoredStretch(ChordTime(chord)) || !MatchChord(chord, word, now)) continue;
        if (jumpWindow_) {
            PerformJump(chord, now, static_cast<std::uint32_t>(anchor_.tempo));
        } else {
            missCount_ = std::max(0, missCount_ - 1);
        }
        candidates_.clear();
        return true;
    }

    const std::uint8_t key = KeyOf(word);
    const std::int16_t trigger = signalTrigger_.load(std::memory_order_relaxed);
    const bool isSignal = key == kSignalKey || (trigger >= 0 && trigger < 128 && key == trigger);
    if (isSignal && signalDue) {
        anchor_.position = signalMarkers_.Next();
        anchor_.time = now;
        ++signalMarkers_.cursor;
        ComputeWaitLimit();
        AppendAnchorRecord();
        ReportAnchor();
        return true;
    }
    if (!signalDue && !InIgnoredStretch(x)) {
        if (hi == waitLimit) {
            // The accompaniment waits here: a wrong note is no evidence of being lost.
            candidates_.clear();
            missCount_ = 0;
            return true;
        }
        ++missCount_;
        return false;
    }
    excused_ = true;
    return false;
}

int Follower::StartChordNear(ScorePosition x) const {
    const int count = ChordCount();
    int chord = std::min(chordCursor_, count - 1);
    if (x < ChordTime(chord)) {
        while (chord > 0 && ChordTime(chord) > x)
            --chord;
        if (chord + 1 < count && std::int64_t{ChordTime(chord + 1).Ms()} - x.Ms() <
                                     2 * (std::int64_t{x.Ms()} - ChordTime(chord).Ms())) {
            ++chord;
        }
    } else {
        while (chord < count - 1 && ChordTime(chord) < x)
            ++chord;
        if (chord > 0 && 2 * (std::int64_t{x.Ms()} - ChordTime(chord - 1).Ms()) <
                             std::int64_t{ChordTime(chord).Ms()} - x.Ms()) {
            --chord;
        }
    }
    return chord;
}

void Follower::AdvanceIgnoreCursor(ScorePosition expected) {
    const auto size = static_cast<int>(ignoreRanges_.size());
    while (ignoreCursor_ < size) {
        const ScorePosition end = ignoreRanges_[static_cast<std::size_t>(ignoreCursor_)].end;
        // The estimate held at a wait point at a range's end has left the range.
        const bool left =
            end <= expected || (end == anchor_.waitLimit && expected == anchor_.waitLimit - 1);
        if (!left) break;
        ++ignoreCursor_;
    }
}

bool Follower::InIgnoredStretch(ScorePosition position) const {
    // Waiting for the soloist to start, every chord may be played.
    if (startWait_ != kNoLimit) return false;
    if (ignoreCursor_ > 0 &&
        position < ignoreRanges_[static_cast<std::size_t>(ignoreCursor_ - 1)].end) {
        return true;
    }
    return ignoreCursor_ < static_cast<int>(ignoreRanges_.size()) &&
           position >= ignoreRanges_[static_cast<std::size_t>(ignoreCursor_)].start;
}

bool Follower::InIgnoreRange(ScorePosition position) const {
    const auto after = std::partition_point(
        ignoreRanges_.begin(), ignoreRanges_.end(),
        [position](const ScoreRange& range) { return range.start <= position; });
    return after != ignoreRanges_.begin() && position < (after - 1)->end;
}

bool Follower::MatchChord(int chordIndex, std::uint32_t word, platform::ClockMs now) {
    ScoreChord& chord = score_.chords[static_cast<std::size_t>(chordIndex)];
    if (chord.complete != 0) return false;
    if (signalMarkers_.Pending() && chord.time >= signalMarkers_.Next()) return false;
    const std::uint8_t key = KeyOf(word);
    ScoreNote* taken = nullptr;
    for (int n = 0; n < chord.noteCount && taken == nullptr; ++n) {
        ScoreNote& note = score_.notes[static_cast<std::size_t>(chord.firstNote + n)];
        // A flagged pitch has bit 7 set and the signal key is 0xFF: neither is taken.
        if (key < kMatchedFlag && note.pitch == key) taken = &note;
    }
    if (taken == nullptr) return false;

    taken->pitch |= kMatchedFlag;
    const int previousCursor = chordCursor_;
    chordCursor_ = chordIndex;
    ++chord.matchedCount;
    if (chord.matchedCount == chord.noteCount) {
        chord.complete = 1;
        chordCursor_ = chordIndex + 1;
    }
    const auto ratio = static_cast<Fixed16>(fixdiv16(VelocityOf(word), taken->velocity));
    dynamicsRatio_ = (3 * dynamicsRatio_ + ratio) >> 2;
    callback_->ReportDynamics(dynamicsRatio_);

    const bool measures =
        chord.role != 0 || chord.time == anchor_.waitLimit || !tempoAnchorTime_.has_value();
    if (chord.matchedCount == 1 && !jumpWindow_ && measures &&
        !UpdateAfterMatch(chordIndex, previousCursor, key, now)) {
        taken->pitch &= static_cast<std::uint8_t>(~kMatchedFlag);
        chordCursor_ = previousCursor;
        --chord.matchedCount;
        chord.complete = 0;
        return false;
    }
    lastMatchedChord_ = chordIndex;
    lastMatchTime_ = now;
    return true;
}

bool Follower::KeyUnmatchedBetween(int firstChord, int endChord, std::uint8_t key) const {
    for (int c = std::max(firstChord, 0); c < endChord; ++c) {
        const ScoreChord& chord = score_.chords[static_cast<std::size_t>(c)];
        for (int n = 0; n < chord.noteCount; ++n) {
            if (score_.notes[static_cast<std::size_t>(chord.firstNote + n)].pitch == key)
                return true;
        }
    }
    return false;
}

}  // namespace ostinel
