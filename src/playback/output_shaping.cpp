#include "playback/output_shaping.h"

#include <algorithm>
#include <cstdint>

namespace ostinel {

namespace {

std::uint8_t ClampVelocity(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 1, 127));
}

// (track volume × velocity × master volume + 32768) >> 16, in 64 bits: with
// stored volumes up to 32767 the product reaches 1.4 × 10^11, far past 32
// bits (it fits there only while track × master volume stays below about
// 16.9 million, e.g. both at most 4100). Results below that are unchanged.
std::int64_t ScaledByVolumes(std::int16_t trackVolume, std::int64_t velocity,
                             std::int16_t masterVolume) {
    return (std::int64_t{trackVolume} * velocity * masterVolume + 32768) >> 16;
}

}  // namespace

std::optional<std::uint8_t> ShapeNoteOnVelocity(std::int16_t trackVolume, std::uint8_t velocity,
                                                std::int16_t masterVolume,
                                                std::int16_t followVolume, bool fastForward) {
    if (trackVolume == 0 || masterVolume == 0) return std::nullopt;
    std::int64_t v =
        (ScaledByVolumes(trackVolume, velocity, masterVolume) * followVolume + 128) >> 8;
    if (fastForward) v = (v + 1) >> 1;
    return ClampVelocity(v);
}

std::uint8_t ShapeChasedVelocity(std::int16_t trackVolume, std::int16_t storedVelocity,
                                 std::int16_t masterVolume, bool quiet) {
    std::int64_t v = ScaledByVolumes(trackVolume, storedVelocity, masterVolume);
    if (quiet) v = (v + 2) >> 2;
    return ClampVelocity(v);
}

std::optional<std::uint8_t> SoundingKey(std::uint8_t key, std::int16_t trackTranspose,
                                        std::int16_t masterTranspose) {
    const int sounding = int{key} + trackTranspose + masterTranspose;
    if (sounding < 0 || sounding > 127) return std::nullopt;
    return static_cast<std::uint8_t>(sounding);
}

std::int16_t FollowVolumeAfterReport(std::int16_t current, std::int32_t loudness, int level) {
    if (level < 1 || level > 3) return current;
    // Arithmetic shifts: a soloist quieter than expected gives a negative
    // difference that must stay negative (rounding toward minus infinity).
    const std::int32_t change = ((loudness >> 7) - 512) >> (3 - level);
    return static_cast<std::int16_t>(std::clamp(256 + change, 0, 512));
}

}  // namespace ostinel
