#include "follower/engine/played_history.h"

#include <algorithm>

#include "follower/engine/anchor_state.h"

namespace ostinel {

bool PlayedHistory::Add(std::uint8_t pitch, std::uint8_t velocity, platform::ClockMs now,
                        std::int32_t chordSpan) {
    const bool joins =
        chordCount_ > 0 &&
        ClockDifference(now, chords_[static_cast<std::size_t>(Newest())].time) < chordSpan;
    if (noteCount_ == kMaxNotes) {
        // Only a single chord of 200 notes is left here: it cannot grow further.
        if (joins) return false;
        Clear();
    }
    if (!joins) {
        chords_[static_cast<std::size_t>(chordCount_++)] = PlayedChord{now, noteCount_, 0};
    }
    PlayedChord& newest = chords_[static_cast<std::size_t>(Newest())];
    ++newest.noteCount;
    notes_[static_cast<std::size_t>(noteCount_++)] = PlayedNote{pitch, velocity};
    if (chordCount_ >= kMaxChords || noteCount_ >= kMaxNotes) {
        DropOldest(std::min(kDroppedChords, chordCount_ - 1));
    }
    return !joins;
}

void PlayedHistory::Clear() {
    noteCount_ = 0;
    chordCount_ = 0;
}

void PlayedHistory::DropOldest(int dropped) {
    if (dropped <= 0) return;
    const std::int32_t firstKept = chords_[static_cast<std::size_t>(dropped)].firstNote;
    std::copy(notes_.begin() + firstKept, notes_.begin() + noteCount_, notes_.begin());
    noteCount_ -= firstKept;
    std::copy(chords_.begin() + dropped, chords_.begin() + chordCount_, chords_.begin());
    chordCount_ -= dropped;
    for (int c = 0; c < chordCount_; ++c)
        chords_[static_cast<std::size_t>(c)].firstNote -= firstKept;
}

}  // namespace ostinel
