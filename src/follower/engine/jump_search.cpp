// Finding the soloist elsewhere: the recent playing taken as a pattern and
// looked for in the score, near the estimate or anywhere.

#include <algorithm>
#include <limits>

#include "follower/engine/follower.h"

namespace ostinel {
namespace {

constexpr std::uint32_t kMaxJumpRatio = 0x40000;  // 4.0

// How far a ratio is from the reference, as a factor of at least 1.0.
std::uint32_t Deviation(std::uint32_t ratio, std::uint32_t reference) {
    if (ratio == 0 || reference == 0) return std::numeric_limits<std::uint32_t>::max();
    return ratio >= reference ? fixdiv16(ratio, reference) : fixdiv16(reference, ratio);
}

}  // namespace

bool Follower::ChordsAgree(int played, int chord, std::uint32_t ratio, bool measured,
                           bool backwards, bool allowSubset) const {
    const PlayedChord& playedChord = played_.Chord(played);
    const ScoreChord& scoreChord = score_.chords[static_cast<std::size_t>(chord)];
    if (playedChord.noteCount > scoreChord.noteCount) return false;
    if (playedChord.noteCount < scoreChord.noteCount && !allowSubset) return false;
    if (ratio != 0) {
        const int playedFrom = backwards ? played - 1 : played;
        const int scoreFrom = backwards ? chord - 1 : chord;
        if (playedFrom < 0 || scoreFrom < 0 || playedFrom + 1 > played_.Newest() ||
            scoreFrom + 1 >= ChordCount() || ratio > static_cast<std::uint32_t>(INT32_MAX)) {
            return false;
        }
        const std::int32_t playedInterval =
            ClockDifference(played_.Chord(playedFrom + 1).time, played_.Chord(playedFrom).time);
        const std::int64_t expected = fixmul16(playedInterval, static_cast<std::int32_t>(ratio));
        std::int64_t tolerance =
            measured ? std::min<std::int64_t>(expected >> 2, lengths_.intervalToleranceCeiling)
                     : 4 * expected;
        tolerance = std::max<std::int64_t>(tolerance, lengths_.intervalToleranceFloor);
        const std::int64_t scoreInterval = ChordTime(scoreFrom + 1) - ChordTime(scoreFrom);
        if (scoreInterval < expected - (4 * tolerance) / 5 ||
            scoreInterval > expected + tolerance) {
            return false;
        }
    }
    for (int n = 0; n < playedChord.noteCount; ++n) {
        const std::uint8_t pitch = played_.Note(playedChord, n).pitch;
        bool found = false;
        for (int m = 0; m < scoreChord.noteCount && !found; ++m) {
            const std::uint8_t written =
                score_.notes[static_cast<std::size_t>(scoreChord.firstNote + m)].pitch;
            found = (written & static_cast<std::uint8_t>(~kMatchedFlag)) == pitch;
        }
        if (!found) return false;
    }
    return true;
}

void Follower::SearchJump(ScorePosition expected, std::uint32_t word, platform::ClockMs now) {
    if (played_.ChordCount() == 0) return;
    const std::uint32_t reference = static_cast<std::uint32_t>(
        running_.load(std::memory_order_relaxed) ? lastGoodTempo_ : anchor_.tempo);
    if (!candidates_.empty()) FollowCandidates();
    if (candidates_.empty()) {
        matchLength_ = 0;
        SearchCandidatesAfresh(expected, static_cast<std::uint8_t>(word >> 8), reference);
    }
    if (!candidates_.empty() && matchLength_ >= 2) DecideJump(expected, now, reference);
}

void Follower::FollowCandidates() {
    const bool chordStart = lastNoteStartedChord_;
    const int newest = played_.Newest();
    std::size_t kept = 0;
    for (const JumpCandidate& candidate : candidates_) {
        int chord = candidate.chord;
        std::uint32_t ratio = candidate.ratio;
        if (chordStart) {
            // The chord the soloist just left must have been played whole.
            if (newest < 1 || played_.Chord(newest - 1).noteCount !=
                                  score_.chords[static_cast<std::size_t>(chord)].noteCount) {
                continue;
            }
            ++chord;
        }
        if (chord >= ChordCount() ||
            !ChordsAgree(newest, chord, chordStart ? ratio : 0, matchLength_ > 1, true, true)) {
            continue;
        }
        if (chordStart) {
            // The history may have dropped its oldest chords: measure over what is left.
            const int span = std::min({matchLength_, newest, chord});
            const std::int32_t clockSpan =
                ClockDifference(played_.Chord(newest).time, played_.Chord(newest - span).time);
            if (span > 0 && clockSpan > 0) {
                ratio =
                    fixdiv16(static_cast<std::uint32_t>(ChordTime(chord) - ChordTime(chord - span)),
                             static_cast<std::uint32_t>(clockSpan));
            }
        }
        candidates_[kept++] = JumpCandidate{chord, ratio};
    }
    candidates_.resize(kept);
    if (chordStart) ++matchLength_;
}

void Follower::SearchCandidatesAfresh(ScorePosition expected, std::uint8_t key,
                                      std::uint32_t reference) {
    int first = 0;
    int end = ChordCount();
    if (running_.load(std::memory_order_relaxed) && options_.severalBeatsOnly) {
        first = score_.FirstAtOrAfter(expected - lengths_.searchRadius);
        // Up to, not including, the last chord less than the radius after the estimate.
        end = score_.FirstAtOrAfter(expected + lengths_.searchRadius) - 1;
    }
    const std::span<const std::int32_t> run = score_.pitchIndex.ChordsWith(key);
    auto it = std::lower_bound(run.begin(), run.end(), first);
    std::int32_t previous = -1;
    for (; it != run.end() && *it < end && candidates_.size() < kMaxCandidates; ++it) {
        const std::int32_t chord = *it;
        // A chord holding the pitch twice is one place, not two.
        if (chord == previous) continue;
        previous = chord;
        std::uint32_t ratio = 0;
        const int length = AgreeingRun(chord, reference, ratio);
        if (length == 0 || length < matchLength_) continue;
        if (length > matchLength_) {
            candidates_.clear();
            matchLength_ = length;
        }
        candidates_.push_back(JumpCandidate{chord, ratio});
    }
}

int Follower::AgreeingRun(int chord, std::uint32_t reference, std::uint32_t& ratio) const {
    const int newest = played_.Newest();
    const int limit = std::min(played_.ChordCount(), chord + 1);
    int length = 0;
    ratio = 0;
    for (int j = 0; j < limit; ++j) {
        std::uint32_t tried = 0;
        if (j == 1) {
            tried = reference;
        } else if (j > 1) {
            const std::int32_t clockSpan =
                ClockDifference(played_.Chord(newest).time, played_.Chord(newest - j).time);
            if (clockSpan <= 0) break;
            tried = fixdiv16(static_cast<std::uint32_t>(ChordTime(chord) - ChordTime(chord - j)),
                             static_cast<std::uint32_t>(clockSpan));
        }
        if (!ChordsAgree(newest - j, chord - j, tried, length > 1, false, j == 0)) break;
        length = j + 1;
        ratio = tried;
    }
    return length;
}

void Follower::DecideJump(ScorePosition expected, platform::ClockMs now, std::uint32_t reference) {
    const bool running = running_.load(std::memory_order_relaxed);
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    int bestChord = candidates_.front().chord;
    for (const JumpCandidate& candidate : candidates_) {
        const std::uint32_t deviation = Deviation(candidate.ratio, reference);
        if (deviation < best) {
            best = deviation;
            bestChord = candidate.chord;
        }
    }
    const std::int32_t span =
        ChordTime(bestChord) - ChordTime(std::max(0, bestChord - (matchLength_ - 1)));

    int near = 0;
    std::size_t kept = 0;
    for (const JumpCandidate& candidate : candidates_) {
        const std::uint64_t deviation = Deviation(candidate.ratio, reference);
        if (candidate.ratio >= kMaxJumpRatio || 4 * deviation >= 5 * std::uint64_t{best}) continue;
        const std::int64_t distance = std::int64_t{ChordTime(candidate.chord).Ms()} - expected.Ms();
        if (distance > -lengths_.nearJump && distance < lengths_.nearJump) ++near;
        candidates_[kept++] = candidate;
    }
    candidates_.resize(kept);
    if (candidates_.empty() || span < lengths_.minimumJumpSpan) return;

    const std::int64_t unit = std::max(lengths_.jumpScoreUnit, 1);
    const std::int64_t excess = std::int64_t{best} - 0x10000;
    if (running) {
        const std::int64_t evidence =
            span / unit + matchLength_ + missCount_ - (excess >> 12) + (near == 1 ? 6 : 0);
        if (evidence < 12) return;
    } else {
        const std::int64_t evidence = span / unit + matchLength_ - (excess >> 14);
        if (evidence < 4) return;
    }

    std::size_t chosen = 0;
    if (candidates_.size() > 1) {
        if (matchLength_ < 4) return;
        chosen = candidates_.size() - 1;
        while (chosen > 0 && ChordTime(candidates_[chosen].chord) > expected)
            --chosen;
        if (chosen + 1 < candidates_.size() &&
            std::int64_t{ChordTime(candidates_[chosen + 1].chord).Ms()} - expected.Ms() <
                std::int64_t{expected.Ms()} - ChordTime(candidates_[chosen].chord).Ms()) {
            ++chosen;
        }
        // Overlapping places are one repeated pattern: the earlier wins.
        while (chosen > 0 &&
               candidates_[chosen - 1].chord > candidates_[chosen].chord - matchLength_) {
            --chosen;
        }
    }
    const JumpCandidate jump = candidates_[chosen];
    PerformJump(jump.chord, now, jump.ratio);
}

}  // namespace ostinel
