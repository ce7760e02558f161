#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "music/score_position.h"
#include "sequence/piece.h"

// MIDI clock sync: 24 timing clocks per quarter note, spread over each beat of
// the beat map, and the song position pointer that tells a receiver where a
// span starts.

namespace ostinel {

inline constexpr std::uint8_t kMidiTimingClock = 0xF8;
inline constexpr std::uint8_t kMidiStart = 0xFA;
inline constexpr std::uint8_t kMidiContinue = 0xFB;
inline constexpr std::uint8_t kMidiStop = 0xFC;
inline constexpr std::uint8_t kMidiSongPosition = 0xF2;

// The sync due time when no clock is timed: the next beat sets it again.
inline constexpr ScorePosition kNoSyncDue = ScorePosition::Max();

// Clocks timed within one beat; the rest are sent together at the next beat,
// so that rounding of the interval never lets a beat's clocks run past it.
inline constexpr std::int32_t kMaxTimedClocksPerBeat = 23;

// The clocks of one beat: 6 per sixteenth note up to the next beat, and the
// whole milliseconds between two of them, measured from `from` (the beat's
// time when it is served) to the next beat, rounded to nearest.
struct BeatClocks {
    std::int32_t count = 0;
    std::int32_t intervalMs = 0;
};

// any thread
BeatClocks ClocksOfBeat(const BeatRecord& beat, const BeatRecord& next, ScorePosition from);

// The clock side of the sync output, driven by the playback tick.
class MidiClockSync {
  public:
    // any thread: the tick's next sync due time S.
    ScorePosition NextDue() const { return due_; }
    std::int32_t ClockCount() const { return beat_.count; }
    std::int32_t ClocksSent() const { return sent_; }
    std::int32_t IntervalMs() const { return beat_.intervalMs; }

    // main thread (locate), timer thread (a follower restart). `beat` is the
    // beat at or before `position`, `next` the one after it (nullptr for the
    // last beat). Returns the song position: the beat's sixteenths plus the
    // whole sixteenths elapsed since it. The clocks of the beat before the
    // position count as sent; exactly on the beat, all but the one that the
    // beat itself will send. The next clock is one interval after the position.
    std::int32_t Locate(ScorePosition position, const BeatRecord& beat, const BeatRecord* next);

    // timer thread: the head reached a beat at `headTime`. Returns how many
    // clocks are still owed for the previous beat (send that many F8 now), then
    // times this beat's clocks from `headTime`. The last beat (`next` nullptr)
    // times none.
    std::int32_t BeginBeat(const BeatRecord& beat, const BeatRecord* next, ScorePosition headTime);

    // timer thread: one F8 went out at NextDue(). Moves S one interval on, or
    // to kNoSyncDue once the beat's timed clocks are all sent.
    void ClockSent();

  private:
    void TimeNextClock(ScorePosition from);

    BeatClocks beat_;
    std::int32_t sent_ = 0;
    ScorePosition due_ = kNoSyncDue;
};

// F2 lsb msb: a 14-bit count of sixteenth notes, 7 bits per data byte. Values
// beyond 16383 wrap, as the 14 bits do.
using SongPositionMessage = std::array<std::uint8_t, 3>;

// any thread
void BuildSongPosition(std::int32_t sixteenths, SongPositionMessage& message);

// Start (FA) from the very beginning of the piece, Continue (FB) from anywhere
// else; sent after the song position pointer. Stop is kMidiStop.
// any thread
constexpr std::uint8_t StartOrContinue(ScorePosition position) {
    return position == ScorePosition{} ? kMidiStart : kMidiContinue;
}

}  // namespace ostinel
