#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "follower/engine/follower_callback.h"
#include "playback/score_position.h"
#include "sequence/piece.h"

namespace ostinel {

// 16.16 fixed point: 0x10000 = 1.0.
using Fixed16 = std::int32_t;
inline constexpr Fixed16 kFixedOne = 0x10000;

// A beat list entry: the score position, with this bit set on the first beat
// of a measure.
inline constexpr std::uint32_t kDownbeatFlag = 0x80000000u;

inline constexpr ScorePosition kNoLimit = 0x7FFFFFFF;

// How much a match may change position and tempo.
enum class TimingLevel : std::int16_t { None = 0, Low = 1, Medium = 2, High = 3, Highest = 4 };

struct FollowerOptions {
    TimingLevel timingLevel = TimingLevel::Highest;
    bool startAutomatically = true;
    bool jumping = true;
    bool severalBeatsOnly = false;
    bool waitForSolo = false;
};

// A (start, end) range of the score, end exclusive.
struct ScoreRange {
    ScorePosition start = 0;
    ScorePosition end = 0;
};

// One (score position, tempo) pair of a finished take.
struct TempoPoint {
    ScorePosition position = 0;
    Fixed16 tempo = kFixedOne;
};

// The score-following engine: the soloist's part reduced to chords (or the
// beat list when the soloist taps), the played notes and taps it is given,
// and where in the score the soloist is and how fast they go, reported
// through the FollowerCallback. One per engine.
//
// Threads: notes and taps arrive on the input and timer threads, every other
// operation on the main thread; a busy flag (an atomic exchange) and the
// input queue let only one thread work inside at a time. The playback tick
// calls Position and TimeUntil from the timer thread at any time.
class Follower {
  public:
    Follower() = default;
    ~Follower();
    Follower(const Follower&) = delete;
    Follower& operator=(const Follower&) = delete;

    // main thread. Allocates the input queue of `queueSize` entries and
    // derives the lengths from the time scale (1000: one second of score).
    // False when a value is not positive or memory ran out.
    bool Create(FollowerCallback& callback, int queueSize, std::int32_t scale);
    void Destroy();

    // main thread, while not running (false and no change otherwise). The
    // beats are score positions with kDownbeatFlag on downbeats.
    bool SetScore(std::span<const TrackEvent> first, std::span<const TrackEvent> second,
                  std::span<const std::uint32_t> beats);
    bool SetBeats(std::span<const std::uint32_t> beats);
    bool SetOptions(const FollowerOptions& options);
    // Any time: a note 0-127, a controller + 256, or -1 for none.
    void SetSignal(std::int16_t trigger);
    bool SetWaitMarkers(std::span<const ScorePosition> positions);
    bool SetSignalMarkers(std::span<const ScorePosition> positions);
    bool SetRestoreMarkers(std::span<const ScorePosition> positions);
    bool SetIgnoreRanges(std::span<const ScoreRange> ranges);

    // main thread (or the thread answering a jump, for Resume).
    bool Start(ScorePosition position, Fixed16 tempo);
    bool Resume(Fixed16 baseTempo);
    void Stop();

    // input or timer thread. False when the queue is full (the input is lost).
    bool NoteIn(std::uint32_t word, ScorePosition songPosition);
    bool TapIn(Fixed16 strength);

    // any thread
    ScorePosition Position() const;
    // Clock ms until `position` is due; 0 when due; -1 when not running or
    // held by the wait limit.
    std::int32_t TimeUntil(ScorePosition position);
    bool Running() const;
    bool JumpPending() const;

    // main thread, after a take.
    ScorePosition PerformedToScore(std::uint32_t time);
    std::vector<TempoPoint> TempoList() const;
    ScorePosition LastEventAtOrBefore(ScorePosition position) const;

  private:
    // The helper that implements this class owns the rest.
};

}  // namespace ostinel
