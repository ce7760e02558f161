#include "platform/real/synth/synth_output.h"

#include <array>

#include "platform/real/synth/live_synth.h"

namespace ostinel::platform {

SynthOutput::~SynthOutput() {
    // All Sound Off on every channel: a closed device must not leave notes
    // ringing, whatever the engine sent before closing it.
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const std::array<std::uint8_t, 3> allSoundOff{static_cast<std::uint8_t>(0xB0 | channel),
                                                      120, 0};
        synth_.PostShort(allSoundOff);
    }
    synth_.Release();
}

MidiSendResult SynthOutput::SendShort(std::span<const std::uint8_t> message) {
    return synth_.PostShort(message);
}

MidiSendResult SynthOutput::SendLong(std::span<const std::uint8_t> message) {
    return synth_.PostSysEx(message);
}

}  // namespace ostinel::platform
