#include "playback/silence.h"

#include <array>
#include <utility>

#include "playback/output_shaping.h"

namespace ostinel {
namespace {

constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kAllNotesOffController = 123;
constexpr std::uint8_t kReleaseVelocity = 64;
constexpr std::uint8_t kCentredBendMsb = 0x40;

// The controllers a stop returns to rest, with their rest values: pedals,
// banks, modulation, portamento, volume, pan, expression and the effect depths.
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 24> kControllerRest{{
    {64, 0}, {65, 0}, {66, 0}, {67, 0},  {69, 0}, {0, 0},   {32, 0}, {1, 0},
    {33, 0}, {5, 0},  {37, 0}, {7, 100}, {39, 0}, {10, 64}, {42, 0}, {11, 100},
    {43, 0}, {91, 0}, {92, 0}, {93, 0},  {94, 0}, {95, 0},  {96, 0}, {97, 0},
}};

std::uint8_t ChannelStatus(std::uint8_t kind, const Track& track) {
    return static_cast<std::uint8_t>(kind | (track.channel & 0x0F));
}

}  // namespace

void SendSoundOff(const Track& track, MidiOutput& output) {
    const std::uint8_t status = ChannelStatus(kControlChange, track);
    output.SendMidi(std::array<std::uint8_t, 3>{status, kAllSoundOff, 0}, track.port);
    output.SendMidi(std::array<std::uint8_t, 3>{status, kAllNotesOffController, 0}, track.port);
}

void SilenceTrack(const Track& track, MidiOutput& output, std::int16_t masterTranspose,
                  bool thruOn) {
    if (thruOn) SendSoundOff(track, output);
    const ChaseState& chase = track.chase;
    const std::uint8_t noteOff = ChannelStatus(kNoteOff, track);
    for (std::size_t key = 0; key < chase.noteCounters.size(); ++key) {
        const auto sounding =
            SoundingKey(static_cast<std::uint8_t>(key), track.transpose, masterTranspose);
        if (!sounding) continue;
        for (std::int16_t n = 0; n < chase.noteCounters[key]; ++n)
            output.SendMidi(std::array<std::uint8_t, 3>{noteOff, *sounding, kReleaseVelocity},
                            track.port);
    }
    if (chase.pitchBendLsb != kNone) {
        output.SendMidi(
            std::array<std::uint8_t, 3>{ChannelStatus(kPitchWheel, track), 0, kCentredBendMsb},
            track.port);
    }
    for (const auto& [number, rest] : kControllerRest) {
        if (chase.controllerValues[number] == kNone) continue;
        output.SendMidi(
            std::array<std::uint8_t, 3>{ChannelStatus(kControlChange, track), number, rest},
            track.port);
    }
}

}  // namespace ostinel
