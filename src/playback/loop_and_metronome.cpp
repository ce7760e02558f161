#include "playback/loop_and_metronome.h"

#include <algorithm>

#include "music/midi_message.h"

namespace ostinel {

std::optional<Click> ClickFor(const MetronomeSettings& metronome, bool downbeat,
                              std::int16_t masterVolume) {
    if (metronome.channel > 15) return std::nullopt;
    const std::uint8_t note = downbeat ? metronome.downbeatNote : metronome.otherNote;
    const std::uint8_t volume = downbeat ? metronome.downbeatVelocity : metronome.otherVelocity;
    if (note > 127 || volume == 0) return std::nullopt;
    const int velocity = std::clamp((masterVolume * volume + 128) >> 8, 1, 127);
    return Click{static_cast<std::uint8_t>(kNoteOn | metronome.channel), note,
                 static_cast<std::uint8_t>(velocity)};
}

std::uint64_t PackMetronome(const MetronomeSettings& m) {
    return std::uint64_t{m.on ? 1u : 0u} | std::uint64_t{static_cast<std::uint16_t>(m.port)} << 8 |
           std::uint64_t{m.channel} << 24 | std::uint64_t{m.downbeatNote} << 32 |
           std::uint64_t{m.downbeatVelocity} << 40 | std::uint64_t{m.otherNote} << 48 |
           std::uint64_t{m.otherVelocity} << 56;
}

MetronomeSettings UnpackMetronome(std::uint64_t word) {
    const auto byte = [word](int shift) { return static_cast<std::uint8_t>(word >> shift); };
    MetronomeSettings m;
    m.on = byte(0) != 0;
    m.port = static_cast<std::int16_t>(static_cast<std::uint16_t>(word >> 8));
    m.channel = byte(24);
    m.downbeatNote = byte(32);
    m.downbeatVelocity = byte(40);
    m.otherNote = byte(48);
    m.otherVelocity = byte(56);
    return m;
}

}  // namespace ostinel
