#include "midi/sync/mtc_quarter_frames.h"

#include <cstdint>
#include <limits>

namespace ostinel {

std::uint8_t QuarterFrameByte(const SmpteTime& time, SmpteFrameRate rate) {
    const int step = (time.hundredths / 25) & 3;  // a data byte keeps bit 7 clear
    const int piece = (time.oddFrame ? 4 : 0) + step;
    const int hoursByte = RateOf(rate).rateBits * 32 + (time.hours & 0x1F);
    int value = 0;
    switch (piece) {
        case 0:
        case 1:
            value = time.frames;
            break;
        case 2:
        case 3:
            value = time.seconds;
            break;
        case 4:
        case 5:
            value = time.minutes;
            break;
        default:
            value = hoursByte;
            break;
    }
    // Even pieces carry the low nibble, odd pieces the high one.
    const int nibble = (piece % 2 == 0) ? (value & 0x0F) : ((value >> 4) & 0x0F);
    return static_cast<std::uint8_t>((piece << 4) | nibble);
}

MtcQuarterFrames::MtcQuarterFrames(const SmpteTime& announced, const SmpteTime& current,
                                   SmpteFrameRate rate)
    : announced_(announced), current_(current), rate_(rate), due_(ToScorePosition(current, rate)) {}

MtcQuarterFrames MtcQuarterFrames::StartAt(ScorePosition position, SmpteFrameRate rate) {
    // 2 ms past the position, so that a position converted back from a
    // reading (rounded to the millisecond) reads that same quarter frame.
    const ScorePosition probe = position > ScorePosition::Max() - 2 ? position : position + 2;
    const SmpteTime announced = ToSmpteTime(probe, rate);
    const SmpteTime first = announced.hundredths == 0 ? announced : NextWholeFrame(announced, rate);
    return MtcQuarterFrames(announced, first, rate);
}

std::uint8_t MtcQuarterFrames::TakeQuarterFrame() {
    const std::uint8_t data = QuarterFrameByte(current_, rate_);
    if (current_.hundredths < 75) {
        current_.hundredths = static_cast<std::uint8_t>(current_.hundredths + 25);
    } else {
        current_ = NextWholeFrame(current_, rate_);
    }
    due_ = ToScorePosition(current_, rate_);
    return data;
}

}  // namespace ostinel
