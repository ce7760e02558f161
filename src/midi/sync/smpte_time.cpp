#include "midi/sync/smpte_time.h"

#include <cstdint>

namespace ostinel {

namespace {

constexpr SmpteRate kRates[] = {
    {24, 3, 125, 0},
    {25, 1, 40, 1},
    {30, 2997, 100000, 2},
    {30, 3, 100, 3},
};

constexpr std::int32_t kDropFrameBlockMs = 600000;     // ten minutes
constexpr std::int32_t kDropFrameBlockFrames = 18000;  // frame numbers in ten minutes
constexpr std::int32_t kDropFrameFirstMinute = 1800;   // frames of a minute that drops none
constexpr std::int32_t kDropFrameMinute = 1798;        // frames of a minute that drops two

// The frame number (as the time code counts) and quarter count since the
// start of the reading's frame count.
struct FrameCount {
    std::int32_t frames;
    std::int32_t quarter;
};

FrameCount CountFrames(std::int32_t ms, SmpteFrameRate rate) {
    const SmpteRate& r = RateOf(rate);
    if (rate != SmpteFrameRate::Fps30Drop) {
        const std::int32_t quarter = (ms % 1000) * 4 * r.numerator / r.denominator;
        return {(ms / 1000) * r.framesPerSecond + quarter / 4, quarter};
    }
    // Real frames within the ten-minute block: 600000 × 2997 < 2^31, so the
    // product fits in 32 bits.
    const std::int32_t quarter = (ms % kDropFrameBlockMs) * 2997 / 25000;
    std::int32_t f = quarter / 4;
    if (f >= kDropFrameFirstMinute) {
        // Skip the two numbers that every later minute of the block drops.
        f += ((f - kDropFrameFirstMinute) / kDropFrameMinute) * 2 + 2;
    }
    return {(ms / kDropFrameBlockMs) * kDropFrameBlockFrames + f, quarter};
}

}  // namespace

const SmpteRate& RateOf(SmpteFrameRate rate) {
    const auto index = static_cast<std::uint8_t>(rate);
    return kRates[index < 4 ? index : 3];
}

SmpteTime ToSmpteTime(ScorePosition position, SmpteFrameRate rate) {
    const std::int32_t ms = position < ScorePosition{} ? 0 : position.Ms();
    const std::int32_t fps = RateOf(rate).framesPerSecond;
    const FrameCount count = CountFrames(ms, rate);
    const std::int32_t totalSeconds = count.frames / fps;
    const std::int32_t totalMinutes = totalSeconds / 60;
    SmpteTime time;
    time.hours = totalMinutes / 60;
    time.minutes = static_cast<std::uint8_t>(totalMinutes % 60);
    time.seconds = static_cast<std::uint8_t>(totalSeconds % 60);
    time.frames = static_cast<std::uint8_t>(count.frames % fps);
    time.hundredths = static_cast<std::uint8_t>((count.quarter % 4) * 25);
    time.oddFrame = (count.frames % 2) != 0;
    return time;
}

ScorePosition ToScorePosition(const SmpteTime& time, SmpteFrameRate rate) {
    const SmpteRate& r = RateOf(rate);
    const std::int64_t hours = time.hours & 0x1F;
    std::int64_t frameCount = 0;
    if (rate == SmpteFrameRate::Fps30Drop) {
        // Real frames: 107892 an hour, 17982 per ten minutes, 1798 per minute
        // after the first of ten.
        frameCount = hours * 107892 + (time.minutes / 10) * 17982 + (time.minutes % 10) * 1798 +
                     time.seconds * 30 + time.frames;
    } else {
        frameCount =
            ((hours * 60 + time.minutes) * 60 + time.seconds) * r.framesPerSecond + time.frames;
    }
    const std::int32_t quarterMs =
        (r.framesPerSecond / 2 + time.hundredths * 10) / r.framesPerSecond;
    // denominator × frame count passes 2^31 after 6 hours of drop frame: 64
    // bits, where every operand is an exact integer, give the same value as
    // the truncated double-precision quotient.
    const std::int64_t frameMs = (r.numerator / 2 + r.denominator * frameCount) / r.numerator;
    return static_cast<ScorePosition>(quarterMs + frameMs);
}

SmpteTime NextWholeFrame(const SmpteTime& time, SmpteFrameRate rate) {
    SmpteTime next = time;
    next.hundredths = 0;
    next.oddFrame = !time.oddFrame;
    if (++next.frames < RateOf(rate).framesPerSecond) return next;
    next.frames = 0;
    if (++next.seconds < 60) return next;
    next.seconds = 0;
    if (++next.minutes == 60) {
        next.minutes = 0;
        ++next.hours;
    }
    if (rate == SmpteFrameRate::Fps30Drop && next.minutes % 10 != 0) next.frames = 2;
    return next;
}

void BuildFullFrame(const SmpteTime& time, SmpteFrameRate rate, FullFrameMessage& message) {
    // Universal real-time (7F), all devices (7F), time code (01), full
    // message (01); hr = 0rrhhhhh: rate code in bits 5-6, hours 0-31 below.
    const auto hr = static_cast<std::uint8_t>(RateOf(rate).rateBits * 32 + (time.hours & 0x1F));
    message = {0xF0, 0x7F, 0x7F, 0x01, 0x01, hr, time.minutes, time.seconds, time.frames, 0xF7};
}

}  // namespace ostinel
