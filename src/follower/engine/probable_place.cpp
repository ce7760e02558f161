// The probability method: each played note updates how likely every chord
// is to be the soloist's place; the likeliest chord moves the anchor, the
// tempo filter sets the speed, and the estimate holds where the soloist must
// come in next.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "follower/engine/follower.h"
#include "music/midi_message.h"

namespace ostinel {
namespace {

Fixed16 ToFixed(double tempo) {
    return static_cast<Fixed16>(std::lround(tempo * 65536.0));
}

double FromFixed(Fixed16 tempo) {
    return static_cast<double>(tempo) / 65536.0;
}

constexpr std::int32_t kListenAgainMs = 5000;  // a pause this long: the soloist starts afresh
constexpr int kNotesToStart = 3;
constexpr double kSureOfFarPlace = 0.95;
constexpr double kStartConfidence = 0.8;
constexpr std::uint32_t kMaxStartRatio = 0x40000;  // 4.0
// A written key of the present chord this long after the anchor: the chord is
// rolled, and the soloist is still at its beginning.
constexpr std::int32_t kRolledChordMs = 80;

std::int64_t Distance(ScorePosition a, ScorePosition b) {
    return std::llabs(std::int64_t{a.Ms()} - std::int64_t{b.Ms()});
}

// Marks `key` heard; false when it was already.
bool FirstHearing(std::array<std::uint64_t, 2>& heard, std::uint8_t key) {
    if (key >= 128) return false;
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    std::uint64_t& word = heard[static_cast<std::size_t>(key >> 6)];
    const bool first = (word & bit) == 0;
    word |= bit;
    return first;
}

}  // namespace

void Follower::RequestJump(ScorePosition target, platform::ClockMs now, Fixed16 tempo) {
    tempoFilter_.Break();
    farChord_ = -1;
    keysHeardInChord_ = {};
    listening_ = false;
    jumpPending_.store(true, std::memory_order_release);
    jumpRatio_ = static_cast<std::uint32_t>(tempo);
    jumpTime_ = now;
    jumpTarget_ = target;
    callback_->ReportJump(target, now, tempo);
}

void Follower::ListenForStart(std::uint32_t word, platform::ClockMs now) {
    const ScorePosition resting = restingPosition_.load(std::memory_order_relaxed);
    if (!listening_ || !lastNoteTime_ || ClockDifference(now, *lastNoteTime_) > kListenAgainMs) {
        PlaceProbability(resting);
        probability_.Listen(probability_.Likeliest());
        listening_ = true;
        notesHeard_ = 0;
    }
    const std::int32_t gap = lastNoteTime_ ? ClockDifference(now, *lastNoteTime_) : -1;
    lastNoteTime_ = now;
    probability_.Update(KeyOf(word), gap, FromFixed(anchor_.tempo), {0, ChordCount()});
    ++notesHeard_;
    const int chord = probability_.Likeliest();
    // Convinced: the soloist began here; playing starts where they are now.
    if (notesHeard_ >= kNotesToStart && probability_.Around(chord) >= kStartConfidence) {
        probableChord_ = chord;
        // At the pace of the chords that led here, as the matching method
        // starts: the notes before the start are kept in the take at it.
        std::uint32_t ratio = 0;
        const bool paced =
            AgreeingRun(chord, static_cast<std::uint32_t>(anchor_.tempo), ratio) >= kNotesToStart &&
            ratio > 0 && ratio < kMaxStartRatio;
        RequestJump(ChordTime(chord), now, paced ? static_cast<Fixed16>(ratio) : anchor_.tempo);
    }
}

void Follower::PlaceProbability(ScorePosition position) {
    if (ChordCount() == 0) return;
    int chord = score_.FirstAtOrAfter(position);
    if (chord >= ChordCount() ||
        (chord > 0 && position - ChordTime(chord - 1) < ChordTime(chord) - position)) {
        --chord;
    }
    probability_.Place(chord);
    lastNoteTime_.reset();
    probableChord_ = -1;
    keysHeardInChord_ = {};
}

ChordProbability::Reach Follower::JumpReach(ScorePosition expected) const {
    if (!options_.jumping) return {};
    if (!options_.severalBeatsOnly) return {0, ChordCount()};
    return {score_.FirstAtOrAfter(expected - lengths_.searchRadius),
            score_.FirstAtOrAfter(expected + lengths_.searchRadius)};
}

bool Follower::ReleaseWaitsThrough(ScorePosition position) {
    bool released = false;
    while (waitMarkers_.Pending() && std::int64_t{waitMarkers_.Next().Ms()} <
                                         std::int64_t{position.Ms()} + lengths_.markerSnap) {
        ++waitMarkers_.cursor;
        released = true;
    }
    if (startWait_ != kNoLimit && startWait_ <= position) {
        startWait_ = kNoLimit;
        DropSingleAnchorRecord();
        released = true;
    }
    return released;
}

void Follower::HoldAtEntry(int chord) {
    ComputeWaitLimit();
    // The accompaniment keeps time through a rest or a long note but does not
    // pass the soloist's next entry before it is played. Inside an Ignore
    // Soloist range nobody is followed: the next entry is the first after it.
    int entry = chord + 1;
    for (const ScoreRange& range : ignoreRanges_) {
        if (entry >= ChordCount()) return;
        if (ChordTime(entry) >= range.start && ChordTime(entry) < range.end)
            entry = score_.FirstAtOrAfter(range.end);
    }
    if (entry < ChordCount()) anchor_.waitLimit = std::min(anchor_.waitLimit, ChordTime(entry));
}

void Follower::HandleProbableNote(std::uint32_t word, platform::ClockMs now) {
    const std::uint8_t key = KeyOf(word);
    const ScorePosition expected = EstimateAt(anchor_, now);
    if (Level() == 0 || ChordCount() == 0) {
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        return;
    }
    const std::int16_t trigger = signalTrigger_.load(std::memory_order_relaxed);
    const bool isSignal = key == kSignalKey || (trigger >= 0 && trigger < 128 && key == trigger);
    if (isSignal && signalMarkers_.Pending() && anchor_.waitLimit == signalMarkers_.Next()) {
        anchor_.position = signalMarkers_.Next();
        anchor_.time = now;
        ++signalMarkers_.cursor;
        ComputeWaitLimit();
        AppendAnchorRecord();
        ReportAnchor();
        callback_->ReportEvent(now, anchor_.position, word);
        PlaceProbability(anchor_.position);
        return;
    }
    if (key == kSignalKey) {
        // A signal before its marker is due is an unmatched note.
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        return;
    }
    AdvanceIgnoreCursor(expected);
    // Held at their entry just after a range, the soloist is due there: followed again.
    const bool heldAtEntry = std::int64_t{expected.Ms()} + 1 == anchor_.waitLimit.Ms();
    if (!heldAtEntry && InIgnoredStretch(expected)) {
        // Notes the score does not follow here: pick the place up again after.
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        PlaceProbability(expected);
        return;
    }

    const std::int32_t gap = lastNoteTime_ ? ClockDifference(now, *lastNoteTime_) : -1;
    lastNoteTime_ = now;
    probability_.Update(key, gap, FromFixed(anchor_.tempo), JumpReach(expected));
    int chord = probability_.Likeliest();
    const ScorePosition target = ChordTime(chord);
    const bool holds = probability_.Holds(chord, key);
    // Past a special signal still owed, the soloist cannot be.
    if (signalMarkers_.Pending() && target >= signalMarkers_.Next()) {
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        return;
    }
    if (holds) {
        const ScoreChord& found = score_.chords[static_cast<std::size_t>(chord)];
        for (int n = 0; n < found.noteCount; ++n) {
            const ScoreNote& note = score_.notes[static_cast<std::size_t>(found.firstNote + n)];
            if ((note.pitch & ~kMatchedFlag) != key || note.velocity == 0) continue;
            const auto ratio = static_cast<Fixed16>(fixdiv16(VelocityOf(word), note.velocity));
            dynamicsRatio_ = (3 * dynamicsRatio_ + ratio) >> 2;
            callback_->ReportDynamics(dynamicsRatio_);
            break;
        }
    }
    if (chord == probableChord_) {
        // The chord was reached on a note it does not hold (a slip or an extra
        // note): its first written note places it again.
        const bool newKey = holds && FirstHearing(keysHeardInChord_, key);
        const bool rolled = newKey && placedByWrittenKey_ && anchor_.position == target &&
                            ClockDifference(now, anchor_.time) > kRolledChordMs;
        if (((holds && !placedByWrittenKey_) || rolled) && Level() >= 2) {
            anchor_.position = target;
            anchor_.time = now;
            placedByWrittenKey_ = true;
            AppendAnchorRecord();
            HoldAtEntry(chord);
            ReportAnchor();
        }
        callback_->ReportEvent(now, holds ? target : ScorePosition{-1}, word);
        return;
    }

    const bool far = Distance(target, expected) >= lengths_.nearJump;
    // The local steps reach a dozen chords ahead: further than several beats.
    const bool outOfReach =
        options_.severalBeatsOnly && Distance(target, expected) >= lengths_.searchRadius;
    if ((far && !options_.jumping) || outOfReach) {
        // Not allowed to jump there: the accompaniment goes on where it is.
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        return;
    }
    if (far) {
        // Far from where the accompaniment is: it restarts there once a
        // second note agrees, so that a twin passage's one lucky note does
        // not move it.
        const bool agrees = (farChord_ >= 0 && chord >= farChord_ - 1 && chord <= farChord_ + 8) ||
                            probability_.Around(chord) >= kSureOfFarPlace;
        callback_->ReportEvent(now, ScorePosition{-1}, word);
        if (!agrees) {
            farChord_ = chord;
            return;
        }
        probableChord_ = chord;
        RequestJump(target, now, anchor_.tempo);
        return;
    }
    farChord_ = -1;

    const int level = Level();
    const bool released = ReleaseWaitsThrough(target);
    bool restored = false;
    while (restoreMarkers_.Pending() && std::int64_t{restoreMarkers_.Next().Ms()} <=
                                            std::int64_t{target.Ms()} - lengths_.markerSnap) {
        ++restoreMarkers_.cursor;
    }
    if (restoreMarkers_.Pending() &&
        Distance(restoreMarkers_.Next(), target) < lengths_.markerSnap) {
        ++restoreMarkers_.cursor;
        anchor_.tempo = baseTempo_;
        tempoFilter_.Reset(FromFixed(baseTempo_));
        restored = true;
    }
    if (chord < probableChord_) {
        tempoFilter_.Break();
    } else if (level >= 3 && !restored && !released) {
        tempoFilter_.Observe(target, now, level == 4 ? 1.0 : 0.5);
        anchor_.tempo = ToFixed(tempoFilter_.Tempo());
    } else if (level >= 3) {
        tempoFilter_.Break();
        tempoFilter_.Observe(target, now, 1.0);
    }
    if (level >= 2 || released) {
        anchor_.position = target;
        anchor_.time = now;
        AppendAnchorRecord();
    }
    probableChord_ = chord;
    placedByWrittenKey_ = holds;
    keysHeardInChord_ = {};
    if (holds) FirstHearing(keysHeardInChord_, key);
    lastMatchedChord_ = chord;
    lastMatchTime_ = now;
    chordCursor_ = chord + 1;
    // Below Medium only the waits move the accompaniment, so nothing holds at
    // the soloist's entries.
    if (level >= 2) {
        HoldAtEntry(chord);
    } else {
        ComputeWaitLimit();
    }
    ReportAnchor();
    callback_->ReportEvent(now, holds ? target : ScorePosition{-1}, word);
}

}  // namespace ostinel
