#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "follower/engine/follower.h"
#include "music/score_position.h"

// The soloist's tempos kept when following stops, and how playing the
// performance again takes them up. Pure computations: any thread.

namespace ostinel {

// The score span that was followed, and whether performance playback is
// inside it now.
struct PunchSection {
    ScorePosition start;  // where following started
    ScorePosition end;    // where it stopped
    bool inside = false;

    bool Contains(ScorePosition position) const { return start <= position && position < end; }
};

// 4.28 fixed point: the file's own tempo.
inline constexpr std::uint32_t kOwnTempoFactor = 0x10000000;

struct PerformanceTempoEntry {
    std::uint32_t time = 0;  // performed ms from the first entry
    ScorePosition position;
};

struct PerformanceTempoList {
    std::vector<PerformanceTempoEntry> entries;  // ascending
    // Score time over performed time from the first entry to the last, 4.28.
    std::uint32_t averageFactor = kOwnTempoFactor;
    SpeedFactor averageTempo = kOwnTempoSpeed;  // averageFactor rounded to 4.12
    SpeedFactor lastTempo = kOwnTempoSpeed;     // the speed when following stopped

    std::int32_t Count() const { return static_cast<std::int32_t>(entries.size()); }
};

// The Performance Settings' Playback Tempos, as the settings store them.
enum class TempoBeforePerformed : std::uint16_t { FileTempo = 0, AverageTempo = 1 };
enum class TempoDuringPerformed : std::uint16_t { FileTempo = 0, PerformedTempos = 1 };
enum class TempoAfterPerformed : std::uint16_t { FileTempo = 0, AverageTempo = 1, LastTempo = 2 };

struct PerformanceTempoChoices {
    TempoBeforePerformed before = TempoBeforePerformed::FileTempo;
    TempoDuringPerformed during = TempoDuringPerformed::PerformedTempos;
    TempoAfterPerformed after = TempoAfterPerformed::AverageTempo;
};

// Builds the list from the follower's (position, 16.16 ratio of score time to
// real time) pairs; pairs before `punchStart` do not count. With 2 or fewer
// pairs left, or when memory runs out, the list has no entries.
PerformanceTempoList BuildPerformanceTempoList(std::span<const TempoPoint> tempoPoints,
                                               ScorePosition punchStart, SpeedFactor lastSpeed);

// Whether there is a performance to play or save.
bool PerformanceExists(const PerformanceTempoList& list);

// The first entry at or after `position`: 0 before the performed section,
// Count() after it.
std::int32_t PerformanceTempoIndex(const PerformanceTempoList& list, ScorePosition position);

// The tempo ratio (4.12, 4096 = the file's tempo) that performance playback
// starts with at `position`.
std::uint32_t StartingTempoRatio(const PerformanceTempoList& list, ScorePosition position,
                                 const PerformanceTempoChoices& choices);

// The speed that plays `ratio` under the master tempo now in force, relative
// to the master tempo the performance was recorded at. Kept within 1..65535.
SpeedFactor SpeedForRatio(std::uint32_t ratio, SpeedFactor masterTempo,
                          SpeedFactor masterTempoAtRecording);

// The tick's tempo step: moves `index` past the entries at or before the head
// time `head`, and gives the ratio to switch to when the move calls for one.
std::optional<std::uint32_t> SteerPerformanceTempo(const PerformanceTempoList& list,
                                                   std::int32_t& index, ScorePosition head,
                                                   const PerformanceTempoChoices& choices);

}  // namespace ostinel
