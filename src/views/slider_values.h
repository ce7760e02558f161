#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The values the sliders stand for, and where their thumbs stand for a value.
// Offsets and travels are design pixels; a span is the travel less the
// thumb's own size.
namespace ostinel::views {

inline constexpr std::int32_t kMaxTempoScale = 8192;   // 200 % in 4.12
inline constexpr std::int32_t kMinTempoScale = 40;     // the bottom of the slider
inline constexpr std::int32_t kMaxMasterVolume = 512;  // 200 %
inline constexpr std::int32_t kMaxTrackVolume = 384;   // 150 %

// The song position for a thumb `offset` pixels right of the travel's left.
inline std::int32_t SongPositionFromThumb(int offset, int span, std::int32_t pieceEnd) {
    if (span <= 0) return 0;
    return static_cast<std::int32_t>((std::int64_t{span} / 2 + std::int64_t{offset} * pieceEnd) /
                                     span);
}

// The tempo scale for a thumb `offset` pixels up from the travel's bottom.
// The very bottom would stop the music; it gives the slowest tempo instead.
inline std::int32_t TempoScaleFromThumb(int offset, int span) {
    if (span <= 0) return kMinTempoScale;
    const std::int32_t scale = (span / 2 + offset * kMaxTempoScale) / span;
    return scale == 0 ? kMinTempoScale : scale;
}

inline std::int32_t MasterVolumeFromThumb(int offset, int span) {
    if (span <= 0) return 0;
    return (span / 2 + offset * kMaxMasterVolume) / span;
}

inline std::int32_t TrackVolumeFromThumb(int offset, int span) {
    if (span <= 0) return 0;
    return (span / 2 + offset * kMaxTrackVolume) / span;
}

// How far right of its design place the song position thumb stands.
inline int PositionThumbOffset(std::int32_t position, std::int32_t msPerPixel, int travel) {
    if (msPerPixel <= 0) return 0;
    const std::int64_t pixels = (std::int64_t{std::max(position, 0)} + msPerPixel / 2) / msPerPixel;
    return static_cast<int>(std::min<std::int64_t>(pixels, travel));
}

// Milliseconds of the piece per pixel of the song position travel.
inline std::int32_t MsPerPositionPixel(std::int32_t pieceEnd, int travel) {
    if (travel <= 0) return 1;
    return std::max<std::int32_t>(1, (pieceEnd + travel / 2) / travel);
}

// How far above their lowest place the vertical thumbs stand.
inline int TempoThumbRise(int travel, std::int32_t scale) {
    scale = std::clamp(scale, 0, kMaxTempoScale);
    return (travel * scale + 4096) / 8192;
}
inline int MasterVolumeThumbRise(int travel, std::int32_t volume) {
    volume = std::clamp(volume, 0, kMaxMasterVolume);
    return (travel * volume + 256) / 512;
}
inline int TrackVolumeThumbRise(int travel, std::int32_t volume) {
    volume = std::clamp(volume, 0, kMaxTrackVolume);
    return (volume * travel * 2 + 384) / 768;
}

// The position a click at `x` on the song position bar jumps to, when the
// piece has no rehearsal points.
inline std::int32_t SongPositionFromBarClick(int x, int travelLeft, int thumbWidth, int span,
                                             std::int32_t pieceEnd) {
    if (span <= 0) return 0;
    const double value = double(x - travelLeft - thumbWidth / 2) * pieceEnd / double(span);
    return static_cast<std::int32_t>(std::lround(std::clamp(value, 0.0, double(pieceEnd))));
}

// The percentages the digits show.
inline int TempoPercent(std::int32_t scale) {
    return (scale * 100 + 2048) / 4096;
}
inline int VolumePercent(std::int32_t volume) {
    return (volume * 100 + 128) / 256;
}

}  // namespace ostinel::views
