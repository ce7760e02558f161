#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/score_position.h"
#include "playback/play_order.h"
#include "sequence/piece.h"

namespace ostinel {

// Source tags that are not track indices.
inline constexpr std::int32_t kSysExSourceTag = -1;
inline constexpr std::int32_t kBeatSourceTag = -2;

// One active source of the piece: a track, the system-exclusive list or the
// beat map, with the event it will serve next.
struct PlaySource {
    ScorePosition due;
    // Track: status | data1 << 8 | data2 << 16. System exclusive: 0xF0 | buffer
    // index << 16. Beat: measure in the low half, beat in the high half.
    std::uint32_t word = 0;
    std::int32_t tag = 0;  // track index, kSysExSourceTag or kBeatSourceTag
};

// any thread
std::uint32_t TrackEventWord(const TrackEvent& event);
std::uint32_t SysExWord(const SysExRecord& record);
std::uint32_t BeatWord(const BeatRecord& beat);
PlayOrderKey OrderKeyOf(const PlaySource& source);

// Which tracks a playing span leaves out. The default plays every file track.
struct PlayListOptions {
    bool includePerformanceTrack = false;  // performance playback only
    std::int32_t leftOutTrack = -1;        // the following track, when it is not played
    std::int32_t secondLeftOutTrack = -1;  // the second following track
};

// The piece's sources merged by due time, head first, ordered by GoesFirst.
class PlayList {
  public:
    // main thread, while nothing plays: allocates room for every track, the
    // performance track, the system-exclusive list and the beat map, and
    // enters each source that has something left from its cursor. Returns
    // whether anything is left to play.
    bool Build(const Piece& piece, const PlayListOptions& options, std::int32_t sysExIndex,
               std::int32_t beatIndex);

    // timer thread (the tick), or the main thread while no tick runs.
    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }
    std::size_t Capacity() const { return entries_.size(); }
    const PlaySource& Head() const { return entries_[0]; }
    const PlaySource& At(std::size_t index) const { return entries_[index]; }

    // timer thread: the head takes its next event and moves back past every
    // entry that goes first of it.
    void AdvanceHead(ScorePosition due, std::uint32_t word);
    // timer thread: the head's source is exhausted.
    void RemoveHead();

  private:
    void Insert(const PlaySource& source);

    std::vector<PlaySource> entries_;
    std::size_t count_ = 0;
};

}  // namespace ostinel
