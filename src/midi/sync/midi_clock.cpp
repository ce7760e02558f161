#include "midi/sync/midi_clock.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace ostinel {

namespace {

// A damaged meter can give a beat an absurd number of sixteenths; keep the
// count (and sums with it) inside 32 bits.
constexpr std::int64_t kMostClocksPerBeat = std::numeric_limits<std::int32_t>::max() / 2;

}  // namespace

BeatClocks ClocksOfBeat(const BeatRecord& beat, const BeatRecord& next, ScorePosition from) {
    const std::int64_t sixteenths = std::int64_t{next.sixteenths} - beat.sixteenths;
    const std::int64_t count = std::clamp<std::int64_t>(sixteenths * 6, 0, kMostClocksPerBeat);
    if (count == 0) return BeatClocks{};
    // (count / 2 + next beat time − from) / count: the span rounded to
    // nearest over the clocks, in 64 bits so a distant `from` cannot wrap.
    const std::int64_t span = std::int64_t{next.time} - from.Ms();
    const std::int64_t interval = (count / 2 + span) / count;
    return BeatClocks{static_cast<std::int32_t>(count), static_cast<std::int32_t>(interval)};
}

std::int32_t MidiClockSync::Locate(ScorePosition position, const BeatRecord& beat,
                                   const BeatRecord* next) {
    const auto beatTime = static_cast<ScorePosition>(beat.time);
    beat_ = next != nullptr ? ClocksOfBeat(beat, *next, beatTime) : BeatClocks{};
    // Whole sixteenths since the beat: 6 clocks each.
    const std::int64_t sixteenthMs = std::int64_t{beat_.intervalMs} * 6;
    const std::int64_t elapsed =
        sixteenthMs > 0
            ? std::max<std::int64_t>(std::int64_t{position.Ms()} - beatTime.Ms(), 0) / sixteenthMs
            : 0;
    sent_ = position == beatTime ? beat_.count - 1 : static_cast<std::int32_t>(elapsed * 6);
    TimeNextClock(position);
    return static_cast<std::int32_t>(std::int64_t{beat.sixteenths} + elapsed);
}

std::int32_t MidiClockSync::BeginBeat(const BeatRecord& beat, const BeatRecord* next,
                                      ScorePosition headTime) {
    const std::int32_t owed = std::max(beat_.count - sent_, 0);
    sent_ = 0;
    beat_ = next != nullptr ? ClocksOfBeat(beat, *next, headTime) : BeatClocks{};
    TimeNextClock(headTime);
    return owed;
}

void MidiClockSync::ClockSent() {
    ++sent_;
    if (sent_ >= std::min(beat_.count, kMaxTimedClocksPerBeat)) {
        due_ = kNoSyncDue;
    } else {
        due_ += beat_.intervalMs;
    }
}

void MidiClockSync::TimeNextClock(ScorePosition from) {
    due_ = beat_.count == 0 ? kNoSyncDue : from + beat_.intervalMs;
}

void BuildSongPosition(std::int32_t sixteenths, SongPositionMessage& message) {
    // F2 0lllllll 0hhhhhhh: low 7 bits first.
    const auto value = static_cast<std::uint32_t>(sixteenths);
    message = {kMidiSongPosition, static_cast<std::uint8_t>(value & 0x7F),
               static_cast<std::uint8_t>((value >> 7) & 0x7F)};
}

}  // namespace ostinel
