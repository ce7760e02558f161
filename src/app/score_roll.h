#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "follower/special_markers.h"
#include "music/score_position.h"
#include "sequence/piece.h"

namespace ostinel {

// One note of the piece as a bar in score time.
struct RollNote {
    ScorePosition start;
    std::int32_t length = 0;  // ms, at least 1
    std::uint8_t key = 0;
    bool following = false;  // of a following track; otherwise accompaniment
    ScorePosition End() const { return start + length; }
};

// A beat line; the first beat of a measure carries its number.
struct RollBeat {
    ScorePosition time;
    std::int32_t measure = 1;
    bool downbeat = false;
};

// The piece as the Score view shows it: every note of every file track as a
// bar, the beats and the special markers. Notes are sorted by start, and the
// longest one bounds how far back a note still sounding at a place can have
// begun, so finding the notes of a stretch costs a binary search and the
// stretch, never a pass over the piece.
//
// Threads: main thread; built while the transport is stopped.
class ScoreRoll {
  public:
    // `followTrack2` -1 for one following track.
    void Build(const Piece& piece, int followTrack1, int followTrack2,
               const SpecialMarkers& markers);

    std::span<const RollNote> Notes() const { return notes_; }
    std::span<const RollBeat> Beats() const { return beats_; }
    const SpecialMarkers& Markers() const { return markers_; }
    std::int32_t LongestNote() const { return longest_; }
    ScorePosition End() const { return end_; }
    // The lowest and highest key any note uses; 60..72 for an empty piece.
    int LowestKey() const { return lowestKey_; }
    int HighestKey() const { return highestKey_; }

    // The index range of the notes that start before `to` and may still sound
    // at `from`: every note sounding in [from, to) lies inside it.
    struct IndexRange {
        std::size_t first = 0;
        std::size_t last = 0;
    };
    IndexRange Candidates(ScorePosition from, ScorePosition to) const;
    // The beats in [from, to).
    IndexRange BeatsBetween(ScorePosition from, ScorePosition to) const;
    // The first following note at or after `position` - `tolerance` with this
    // key and a start within `tolerance` of `position`; -1 for none.
    std::ptrdiff_t FollowingNoteNear(std::uint8_t key, ScorePosition position,
                                     std::int32_t tolerance) const;
    // The index of the first note starting at or after `position`.
    std::size_t FirstStartingAt(ScorePosition position) const;

  private:
    std::vector<RollNote> notes_;
    std::vector<RollBeat> beats_;
    SpecialMarkers markers_;
    std::int32_t longest_ = 1;
    ScorePosition end_;
    int lowestKey_ = 60;
    int highestKey_ = 72;
};

}  // namespace ostinel
