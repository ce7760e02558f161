#include "playback/chase.h"

#include <array>

#include "playback/output_shaping.h"

namespace ostinel {
namespace {

constexpr std::uint8_t kLastChasedController = 119;
constexpr std::uint8_t kFirstPlainController = 64;
constexpr std::uint8_t kBankPairs = 32;  // 0-31 each followed by its fine partner 32-63

void SendController(const Track& track, MidiOutput& output, std::uint8_t number,
                    std::uint8_t value) {
    const std::array<std::uint8_t, 3> message{
        static_cast<std::uint8_t>(kControlChange | (track.channel & 0x0F)), number, value};
    output.SendMidi(message, track.port);
}

void ChaseProgram(const Track& track, MidiOutput& output, bool performanceTrack,
                  bool insidePunchSection) {
    const ChaseState& chase = track.chase;
    const PatchEntry& first = track.patches.entries[0];
    if (performanceTrack) {
        if (chase.programIndex != kNone) {
            const std::array<std::uint8_t, 2> message{
                static_cast<std::uint8_t>(kProgramChange | (track.channel & 0x0F)),
                chase.programIndex};
            output.SendMidi(message, track.port);
        } else if (insidePunchSection) {
            output.SendPatch(first, track.channel, track.port, track.substituteFlag != 0);
        }
        return;
    }
    // A track without program changes of its own sounds only a substitute.
    if (first.file.kind == PatchKind::None) {
        output.SendPatch(first, track.channel, track.port, track.substituteFlag != 0);
    } else if (chase.programIndex != kNone && chase.programIndex < kMaxPatchEntries) {
        output.SendPatch(track.patches.entries[chase.programIndex], track.channel, track.port,
                         track.substituteFlag != 0);
    }
}

}  // namespace

std::int32_t ChaseTrackSettings(const Track& track, MidiOutput& output, bool performanceTrack,
                                bool insidePunchSection) {
    const ChaseState& chase = track.chase;
    std::int32_t counted = 0;
    const auto chaseOne = [&](std::uint8_t number) {
        if (chase.controllerValues[number] == kNone) return;
        SendController(track, output, number, chase.controllerValues[number]);
        counted += 3;
    };
    for (std::uint8_t coarse = 0; coarse < kBankPairs; ++coarse) {
        chaseOne(coarse);
        chaseOne(static_cast<std::uint8_t>(coarse + kBankPairs));
    }
    for (std::uint8_t number = kFirstPlainController; number <= kLastChasedController; ++number)
        chaseOne(number);
    ChaseProgram(track, output, performanceTrack, insidePunchSection);
    if (chase.pitchBendLsb != kNone) {
        const std::array<std::uint8_t, 3> bend{
            static_cast<std::uint8_t>(kPitchWheel | (track.channel & 0x0F)), chase.pitchBendLsb,
            chase.pitchBendMsb};
        output.SendMidi(bend, track.port);
        counted += 3;
    }
    return counted;
}

void ChaseHeldNotes(Track& track, MidiOutput& output, const HeldNoteShaping& shaping) {
    auto& counters = track.chase.noteCounters;
    if (!shaping.soundHeldNotes) {
        counters.fill(0);
        return;
    }
    const auto status = static_cast<std::uint8_t>(kNoteOn | (track.channel & 0x0F));
    for (std::size_t key = 0; key < counters.size(); ++key) {
        if (counters[key] == 0) continue;
        const std::uint8_t velocity =
            ShapeChasedVelocity(track.volume, counters[key], shaping.masterVolume, shaping.quiet);
        if (const auto sounding = SoundingKey(static_cast<std::uint8_t>(key), track.transpose,
                                              shaping.masterTranspose)) {
            const std::array<std::uint8_t, 3> message{status, *sounding, velocity};
            output.SendMidi(message, track.port);
        }
        counters[key] = 1;
    }
}

}  // namespace ostinel
