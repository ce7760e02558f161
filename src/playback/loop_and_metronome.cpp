#include "playback/loop_and_metronome.h"

#include <algorithm>

namespace ostinel {

std::optional<Click> ClickFor(const MetronomeSettings& metronome, bool downbeat,
                              std::int16_t masterVolume) {
    if (metronome.channel > 15) return std::nullopt;
    const std::uint8_t note = downbeat ? metronome.downbeatNote : metronome.otherNote;
    const std::uint8_t volume = downbeat ? metronome.downbeatVelocity : metronome.otherVelocity;
    if (note > 127 || volume == 0) return std::nullopt;
    const int velocity = std::clamp((masterVolume * volume + 128) >> 8, 1, 127);
    return Click{static_cast<std::uint8_t>(0x90 | metronome.channel), note,
                 static_cast<std::uint8_t>(velocity)};
}

}  // namespace ostinel
