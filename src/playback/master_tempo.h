#pragma once

#include <cstdint>
#include <optional>

#include "music/score_position.h"

// The master tempo and master volume as the user reads and enters them.

namespace ostinel {

// A master tempo entered as a percentage (1-200) of the piece's own tempo.
// any thread
SpeedFactor SpeedFromPercent(std::int32_t percent);

// The percentage shown for a speed, rounded to nearest.
// any thread
std::int32_t PercentFromSpeed(SpeedFactor speed);

// The Tempo dialog's beats per minute at the current location. The beat
// length is in score milliseconds × 4096 (BeatLengthFromMs for a whole
// number of milliseconds); a beat of no length has no tempo (0).
// any thread
constexpr std::int64_t BeatLengthFromMs(std::int32_t beatMs) {
    return std::int64_t{beatMs} * 4096;
}
std::int32_t BpmFromPercent(std::int32_t percent, std::int64_t beatLength);
std::int32_t PercentFromBpm(std::int32_t bpm, std::int64_t beatLength);

// The master volume (256 = 100 %) as the percentage shown.
// any thread
std::int32_t MasterVolumePercent(std::int16_t volume);

// The tempo the display shows at a beat: beats per minute of a beat lasting
// `beatMs` score milliseconds at `speed`, rounded to nearest (halves up).
// Nothing for a beat of no length.
// timer thread (the tick), any thread
std::optional<std::int32_t> DisplayedBeatTempo(SpeedFactor speed, std::int32_t beatMs);

}  // namespace ostinel
