#pragma once

#include <cstdint>
#include <span>

#include "platform/midi_devices.h"

namespace ostinel::platform {

class LiveSynth;

// "Ostinel Synth" opened as an output device. It owns the synth while open;
// the synth must outlive it.
class SynthOutput final : public MidiOutputDevice {
  public:
    // main thread; `synth` must already be claimed for this device.
    explicit SynthOutput(LiveSynth& synth) : synth_(synth) {}
    // main thread. Silences whatever still sounds, then gives the synth back.
    ~SynthOutput() override;
    SynthOutput(const SynthOutput&) = delete;
    SynthOutput& operator=(const SynthOutput&) = delete;

    MidiSendResult SendShort(std::span<const std::uint8_t> message) override;
    MidiSendResult SendLong(std::span<const std::uint8_t> message) override;

  private:
    LiveSynth& synth_;
};

}  // namespace ostinel::platform
