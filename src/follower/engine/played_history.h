#pragma once

#include <array>
#include <cstdint>

#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

struct PlayedNote {
    std::uint8_t pitch = 0;
    std::uint8_t velocity = 0;
};

struct PlayedChord {
    platform::ClockMs time;  // of its first note
    std::int32_t firstNote = 0;
    std::uint8_t noteCount = 0;
};

// What the soloist played recently, grouped into chords as they were played.
// Fixed arrays: adding a note never allocates.
class PlayedHistory {
  public:
    static constexpr int kMaxChords = 50;
    static constexpr int kMaxNotes = 200;
    static constexpr int kDroppedChords = 30;

    // Adds a played note at clock `now`; true when it started a new chord.
    bool Add(std::uint8_t pitch, std::uint8_t velocity, platform::ClockMs now,
             std::int32_t chordSpan);
    void Clear();

    int ChordCount() const { return chordCount_; }
    int Newest() const { return chordCount_ - 1; }
    const PlayedChord& Chord(int index) const { return chords_[static_cast<std::size_t>(index)]; }
    const PlayedNote& Note(const PlayedChord& chord, int n) const {
        return notes_[static_cast<std::size_t>(chord.firstNote + n)];
    }

  private:
    void DropOldest(int dropped);

    std::array<PlayedNote, kMaxNotes> notes_{};
    std::array<PlayedChord, kMaxChords> chords_{};
    int noteCount_ = 0;
    int chordCount_ = 0;
};

}  // namespace ostinel
