#pragma once

#include <cstdint>
#include <span>

typedef struct _fluid_synth_t fluid_synth_t;  // as FluidSynth declares it

namespace ostinel::platform {

// The thread that owns `synth`. Plays one whole MIDI message: a channel
// message (running status is not accepted), a system reset, or a
// system-exclusive message F0 ... F7 (General MIDI, GS and XG resets, GS part
// settings, tuning). Real-time and other system messages have no meaning for
// a synth and are ignored, as are malformed ones.
void PlayOnSynth(fluid_synth_t* synth, std::span<const std::uint8_t> message);

}  // namespace ostinel::platform
