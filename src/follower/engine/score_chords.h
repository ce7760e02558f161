#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "music/score_position.h"
#include "sequence/piece.h"

namespace ostinel {

// Bit 7 of a ScoreNote's pitch: the note was matched in this take. A played
// key (0-127) never equals a flagged pitch, so a note is matched once a take.
inline constexpr std::uint8_t kMatchedFlag = 0x80;

struct ScoreNote {
    std::uint8_t pitch = 0;
    std::uint8_t velocity = 0;
};

// ChordRole bits.
inline constexpr std::uint8_t kRoleTempoPoint = 0x10;   // a match measures the tempo
inline constexpr std::uint8_t kRoleTempoAnchor = 0x08;  // a match is the next measurement's start
inline constexpr std::uint8_t kRoleReplace = 0x04;      // a match sets the position to the chord
inline constexpr std::uint8_t kRoleWeightMask = 0x03;   // weight − 1 of the measurement
// The roles that occur.
inline constexpr std::uint8_t kRoleStartOfPhrase = 0x0C;  // first chord, or after a silent measure
inline constexpr std::uint8_t kRoleDownbeat = 0x1F;
inline constexpr std::uint8_t kRoleSecondBeat = 0x14;  // + 1 for the third beat, + 2 later on
inline constexpr std::uint8_t kRoleHalfBeat = 0x14;

struct ScoreChord {
    ScorePosition time;  // of its first note
    std::int32_t firstNote = 0;
    std::uint8_t noteCount = 0;
    std::uint8_t matchedCount = 0;
    std::uint8_t role = 0;
    std::uint8_t complete = 0;  // every note matched, or the chord taken as a whole
};

// For each pitch, the chords holding it: one entry per note, so a chord with
// the pitch twice is listed twice, each run in ascending chord order.
struct PitchIndex {
    std::array<std::int32_t, 128> counts{};
    std::array<std::int32_t, 128> starts{};
    std::vector<std::int32_t> chords;

    std::span<const std::int32_t> ChordsWith(std::uint8_t pitch) const {
        if (pitch >= 128 || chords.empty()) return {};
        return std::span<const std::int32_t>(chords).subspan(
            static_cast<std::size_t>(starts[pitch]), static_cast<std::size_t>(counts[pitch]));
    }
};

// The soloist's part reduced to chords.
struct ScoreChords {
    std::vector<ScoreNote> notes;
    std::vector<ScoreChord> chords;
    PitchIndex pitchIndex;
    int roleChordCount = 0;  // chords with a non-zero role

    int Count() const { return static_cast<int>(chords.size()); }
    ScorePosition Time(int chord) const { return chords[static_cast<std::size_t>(chord)].time; }
    // Index of the first chord at or after `position`; Count() when none.
    int FirstAtOrAfter(ScorePosition position) const;
};

// Merges the note-ons of two following tracks by time (the first track's
// first on equal times) into chords of notes less than `chordSpan` + 1 ms
// from the chord's first note, and indexes them by pitch. Throws
// std::bad_alloc when memory runs out.
ScoreChords BuildScoreChords(std::span<const TrackEvent> first, std::span<const TrackEvent> second,
                             std::int32_t chordSpan);

// Gives each chord its ChordRole from the beat list (score positions, the
// downbeat flag on the first beat of each measure).
void AssignChordRoles(ScoreChords& score, std::span<const std::uint32_t> beats,
                      std::int32_t halfBeatTolerance, std::int32_t longBeat);

}  // namespace ostinel
