#include "platform/real/synth/synth_messages.h"
#include "music/midi_message.h"

#include <fluidsynth.h>

namespace ostinel::platform {
namespace {

// Channel messages carry this many data bytes, by status nibble 8-E.
constexpr int DataBytes(std::uint8_t status) {
    const int kind = status >> 4;
    return (kind == 0xC || kind == 0xD) ? 1 : 2;
}

void PlayChannelMessage(fluid_synth_t* synth, std::span<const std::uint8_t> message) {
    const std::uint8_t status = message[0];
    if (static_cast<int>(message.size()) < 1 + DataBytes(status)) return;
    const int channel = status & 0x0F;
    const int data1 = message[1] & 0x7F;
    const int data2 = message.size() > 2 ? message[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, data1);
            break;
        case 0x90:
            if (data2 == 0) {
                fluid_synth_noteoff(synth, channel, data1);
            } else {
                fluid_synth_noteon(synth, channel, data1, data2);
            }
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, data1, data2);
            break;
        case 0xB0:
            // Bank select (0 and 32) is kept by the synth and takes effect at
            // the next program change, in the style the last reset chose.
            fluid_synth_cc(synth, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
            break;
        default:
            break;
    }
}

void PlaySystemExclusive(fluid_synth_t* synth, std::span<const std::uint8_t> message) {
    if (message.size() < 3 || message.back() != kSysexEnd) return;
    // FluidSynth wants the bytes between F0 and F7.
    const auto* body = reinterpret_cast<const char*>(message.data() + 1);
    fluid_synth_sysex(synth, body, static_cast<int>(message.size() - 2), nullptr, nullptr, nullptr,
                      0);
}

}  // namespace

void PlayOnSynth(fluid_synth_t* synth, std::span<const std::uint8_t> message) {
    if (synth == nullptr || message.empty()) return;
    const std::uint8_t status = message[0];
    if (status < 0x80) return;
    if (status < kSysexStart) {
        PlayChannelMessage(synth, message);
    } else if (status == kSysexStart) {
        PlaySystemExclusive(synth, message);
    } else if (status == kSystemReset) {
        fluid_synth_system_reset(synth);
    }
}

}  // namespace ostinel::platform
