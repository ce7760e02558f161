#pragma once

#include <cstdint>
#include <optional>

#include "music/score_position.h"

namespace ostinel {

inline constexpr std::uint8_t kNoMidiValue = 255;  // a channel, patch or note that is not set

// Loop mode as the Loop Mode dialog and the Song Position & Looping view set it.
struct LoopSettings {
    bool on = false;
    ScorePosition begin;  // the time of a beat
    ScorePosition end;    // the time of a later beat
    bool restartAutomatically = false;
    std::uint32_t restartDelaySec = 2;  // 0-10
    bool setPointsAutomatically = false;

    bool Contains(ScorePosition position) const { return position >= begin && position <= end; }
    friend bool operator==(const LoopSettings&, const LoopSettings&) = default;
};

// The metronome's voice, as the MIDI Metronome dialog sets it.
struct MetronomeSettings {
    bool on = false;
    std::int16_t port = 0;
    std::uint8_t channel = 9;  // 0-15, or kNoMidiValue
    std::uint8_t patch = kNoMidiValue;
    std::uint8_t downbeatNote = 76;
    std::uint8_t downbeatVelocity = 100;
    std::uint8_t otherNote = 77;
    std::uint8_t otherVelocity = 80;

    // Whether a program change can be sent for it.
    bool HasPatch() const { return channel != kNoMidiValue && patch != kNoMidiValue; }
    friend bool operator==(const MetronomeSettings&, const MetronomeSettings&) = default;
};

// The metronome as the tick reads it while playing, in one atomic word: on,
// port, channel and the two note and velocity pairs, a byte each (the port
// two). The patch is the chase's alone, so it is left out.
std::uint64_t PackMetronome(const MetronomeSettings& m);
MetronomeSettings UnpackMetronome(std::uint64_t word);

// How long a click sounds before its note-off.
inline constexpr std::uint32_t kClickLengthMs = 50;

// One click: the note and its velocity, or nothing when the channel, the
// note or the volume is not set. The volume is scaled by the master volume
// (256 = 100 %) and kept within 1-127.
struct Click {
    std::uint8_t status = 0;
    std::uint8_t note = 0;
    std::uint8_t velocity = 0;
};

// any thread
std::optional<Click> ClickFor(const MetronomeSettings& metronome, bool downbeat,
                              std::int16_t masterVolume);

}  // namespace ostinel
