#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/score_roll.h"
#include "music/score_position.h"
#include "playback/played_event.h"

namespace ostinel {

// What became of a note of the following tracks.
enum class NoteOutcome : std::uint8_t {
    Ahead,   // not reached yet (or never reached, being skipped by a jump)
    Played,  // a played note matched it
    Missed,  // the soloist went past it without playing it
};

// A played note at the score place it was heard at.
struct PlayedMark {
    ScorePosition place;
    std::int32_t length = 0;  // the matched note's length, or a short stroke
    std::uint8_t key = 0;
    bool matched = false;  // false: the score had no such note there (wrong or extra)
    bool tap = false;
};

// The follower left `from` for `to`.
struct JumpMark {
    ScorePosition from;
    ScorePosition to;
};

enum class TempoTrend : std::uint8_t { Steady, Faster, Slower };

// The soloist's playing laid over a ScoreRoll: each played note, each
// score note's outcome, the jumps and the follower's tempo with its trend.
//
// Threads: main thread (it drains what the follower put in its ring).
class PlayedTrace {
  public:
    // A played note within this of a following note's start, on its key, is that note.
    static constexpr std::int32_t kSameNoteMs = 120;
    // A following note not played by the time a later place matched this far
    // past it is missed.
    static constexpr std::int32_t kMissedAfterMs = 150;
    static constexpr std::int32_t kStrokeMs = 150;
    // The tempo trend compares the tempo now with the one this long ago, and
    // calls a change of more than kTrendPercent a trend.
    static constexpr std::uint32_t kTrendSpanMs = 3000;
    static constexpr int kTrendPercent = 3;

    // Following starts at `start`: forgets the last take.
    void Begin(const ScoreRoll& roll, ScorePosition start);
    void Add(const ScoreRoll& roll, const PlayedEvent& event);
    bool Empty() const { return marks_.empty() && jumps_.empty(); }

    // Sorted by place.
    std::span<const PlayedMark> Marks() const { return marks_; }
    ScoreRoll::IndexRange MarksBetween(ScorePosition from, ScorePosition to) const;
    std::span<const JumpMark> Jumps() const { return jumps_; }
    // The outcome of note `index` of the roll.
    NoteOutcome Outcome(std::size_t index) const {
        return index < outcomes_.size() ? outcomes_[index] : NoteOutcome::Ahead;
    }
    bool HasTempo() const { return !tempos_.empty(); }
    SpeedFactor Speed() const { return tempos_.empty() ? kOwnTempoSpeed : tempos_.back().speed; }
    TempoTrend Trend() const;

  private:
    struct TempoSample {
        std::uint32_t time = 0;
        SpeedFactor speed = kOwnTempoSpeed;
    };
    void MarkMissedBefore(const ScoreRoll& roll, ScorePosition place);
    void AddTempo(std::uint32_t time, SpeedFactor speed);

    std::vector<NoteOutcome> outcomes_;
    std::vector<PlayedMark> marks_;
    std::vector<JumpMark> jumps_;
    std::vector<TempoSample> tempos_;
    std::size_t missCursor_ = 0;
    std::int32_t longestMark_ = kStrokeMs;
};

}  // namespace ostinel
