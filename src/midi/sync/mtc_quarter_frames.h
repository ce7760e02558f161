#pragma once

#include <cstdint>

#include "midi/sync/smpte_time.h"
#include "music/score_position.h"

namespace ostinel {

// The MIDI time code quarter frames (F1 nn) of a playing span, one reading
// after another. The tick sends one each time the playback head reaches
// NextDue().
class MtcQuarterFrames {
  public:
    // main thread (start and locate) or timer thread (a follower restart).
    // Starts at `position`: the frame that contains position + 2 ms (the
    // reading the full-frame message announces, FullFrameTime()); when that
    // instant lies inside a frame, the quarter frames begin at the next whole
    // frame.
    static MtcQuarterFrames StartAt(ScorePosition position, SmpteFrameRate rate);

    // any thread
    const SmpteTime& FullFrameTime() const { return announced_; }
    // The position of the next quarter frame: the tick's next sync due time.
    ScorePosition NextDue() const { return due_; }
    // The reading the next quarter frame carries a piece of.
    const SmpteTime& Current() const { return current_; }

    // timer thread: the data byte of the quarter frame due now; advances to
    // the next one and its due position.
    std::uint8_t TakeQuarterFrame();

  private:
    MtcQuarterFrames(const SmpteTime& announced, const SmpteTime& current, SmpteFrameRate rate);

    SmpteTime announced_;
    SmpteTime current_;
    SmpteFrameRate rate_;
    ScorePosition due_;
};

// The data byte of one quarter frame of `time`: 0ppp nnnn, piece p and nibble
// n. Even frames carry pieces 0-3 at quarter steps 0-3 (frame low, frame
// high, seconds low, seconds high); odd frames pieces 4-7 (minutes low,
// minutes high, hours low, then the high nibble of 0rrhhhhh: rate code and
// hours bit 4).
// any thread
std::uint8_t QuarterFrameByte(const SmpteTime& time, SmpteFrameRate rate);

}  // namespace ostinel
