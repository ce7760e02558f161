#include "playback/master_tempo.h"

#include <cstdint>

namespace ostinel {

namespace {

// 60000 ms a minute × 4096 ÷ 100 %: bpm × beat length (× 4096) = percent × this.
constexpr std::int64_t kBpmPercentScale = 2457600;

}  // namespace

SpeedFactor SpeedFromPercent(std::int32_t percent) {
    return static_cast<SpeedFactor>((percent * 4096 + 50) / 100);
}

std::int32_t PercentFromSpeed(SpeedFactor speed) {
    return (std::int32_t{speed.Raw()} * 100 + 2048) >> 12;
}

// Both directions in 64 bits: bpm × L passes 2^31 for a 2 s beat at 263 bpm,
// and L itself for beats over 524 s. Where 32 bits sufficed, nothing changes.
std::int32_t BpmFromPercent(std::int32_t percent, std::int64_t beatLength) {
    if (beatLength <= 0) return 0;
    return static_cast<std::int32_t>((percent * kBpmPercentScale + beatLength / 2) / beatLength);
}

std::int32_t PercentFromBpm(std::int32_t bpm, std::int64_t beatLength) {
    return static_cast<std::int32_t>((bpm * beatLength + kBpmPercentScale / 2) / kBpmPercentScale);
}

std::int32_t MasterVolumePercent(std::int16_t volume) {
    return (std::int32_t{volume} * 100 + 128) >> 8;
}

std::optional<std::int32_t> DisplayedBeatTempo(SpeedFactor speed, std::int32_t beatMs) {
    if (beatMs <= 0) return std::nullopt;
    // (speed × 60000 + Δ × 2048) ÷ (Δ × 4096): the Δ × 2048 is the half that
    // rounds the quotient, so an integer division gives the nearest integer
    // exactly (no floating point on the timer thread). 64 bits: speed × 60000
    // alone passes 2^31 above 8.7 times the piece's own tempo.
    const std::int64_t delta = beatMs;
    return static_cast<std::int32_t>((std::int64_t{speed.Raw()} * 60000 + delta * 2048) /
                                     (delta * 4096));
}

}  // namespace ostinel
