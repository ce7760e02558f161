#pragma once

#include <array>
#include <cstdint>

#include "music/score_position.h"

// MIDI time code: the frame rates, time code readings of score positions and
// back, and the full-frame message that announces a reading.

namespace ostinel {

// The "MIDI & Sync Setup" frame-rate setting.
enum class SmpteFrameRate : std::uint8_t {
    Fps24 = 0,
    Fps25 = 1,
    Fps30Drop = 2,  // 29.97 frames a second, counted in 30-frame numbers
    Fps30 = 3,
};

struct SmpteRate {
    std::int32_t framesPerSecond;  // the count the frame numbers run to
    // Frames per millisecond as numerator ÷ denominator (× 4: quarter frames).
    std::int32_t numerator;
    std::int32_t denominator;
    std::uint8_t rateBits;  // the rate code of the hours byte
};

// The row of the frame-rate table; a value outside the four settings reads as
// 30 fps without drop frame.
// any thread
const SmpteRate& RateOf(SmpteFrameRate rate);

// A time code reading: a frame, and which quarter of it.
struct SmpteTime {
    std::int32_t hours = 0;  // whole hours; the wire carries them modulo 32
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;
    std::uint8_t hundredths = 0;  // of a frame: the quarter step × 25 (0, 25, 50, 75)
    // The count of frames since 00:00:00:00 is odd; decides which half of the
    // eight quarter-frame pieces the frame carries.
    bool oddFrame = false;

    friend bool operator==(const SmpteTime&, const SmpteTime&) = default;
};

// The reading at `position`, by the rate's frame count (drop frame skips the
// numbers 0 and 1 of every minute not divisible by 10). The piece starts at
// 0: earlier positions read 00:00:00:00.
// any thread
SmpteTime ToSmpteTime(ScorePosition position, SmpteFrameRate rate);

// The score position of a reading, rounded to the nearest millisecond (the
// hours modulo 32). For the reading of a position p it is never after p and at
// most 11 ms before it at 24 fps, 9 at 25, 9 at 30 drop frame, 8 at 30.
// Read again, that position may give the quarter frame before (when rounding
// put it just below the quarter frame's exact start); 2 ms later always gives
// the same quarter frame (any lead of 1-9 ms would at 24 fps, 0-9 at 25, 1-7 at 30 with
// or without drop frame), which is why the sync output reads position + 2 ms.
// any thread
ScorePosition ToScorePosition(const SmpteTime& time, SmpteFrameRate rate);

// The next frame at quarter step 0: carries into seconds at the frame rate,
// minutes and hours at 60; with drop frame a minute not divisible by 10
// starts at frame 2. The odd flag alternates.
// any thread
SmpteTime NextWholeFrame(const SmpteTime& time, SmpteFrameRate rate);

// F0 7F 7F 01 01 hr mn sc fr F7, hr = rate bits × 32 + hours.
using FullFrameMessage = std::array<std::uint8_t, 10>;

// any thread
void BuildFullFrame(const SmpteTime& time, SmpteFrameRate rate, FullFrameMessage& message);

}  // namespace ostinel
