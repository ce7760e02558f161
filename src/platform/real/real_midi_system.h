#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_devices.h"
#include "platform/real/alsa/alsa_devices.h"
#include "platform/real/synth/live_synth.h"

namespace ostinel::platform {

inline constexpr const char* kSynthDeviceName = "Ostinel Synth";
inline constexpr const char* kVirtualInputDeviceName = "Ostinel Virtual Input";
inline constexpr const char* kVirtualOutputDeviceName = "Ostinel Virtual Output";

struct RealMidiOptions {
    LiveSynthOptions synth;
    std::string sequencerDevice = kAlsaSequencerDevice;
};

// This machine's MIDI devices. Outputs: 0 the built-in synth (always there,
// even when it cannot be heard), then the ALSA ports of other programs, then
// our own virtual output port. Inputs: the ALSA ports of other programs, then
// our own virtual input port. Without an ALSA sequencer only the synth is
// listed. Open devices must be closed before this object goes.
class RealMidiSystem final : public MidiSystem {
  public:
    // main thread. `clock` stamps incoming messages and must outlive this.
    explicit RealMidiSystem(const Clock& clock, const RealMidiOptions& options = {});
    ~RealMidiSystem() override;
    RealMidiSystem(const RealMidiSystem&) = delete;
    RealMidiSystem& operator=(const RealMidiSystem&) = delete;

    int InputDeviceCount() const override;
    int OutputDeviceCount() const override;
    std::string InputDeviceName(int device) const override;
    std::string OutputDeviceName(int device) const override;

    // The synth opens once at a time; a second open while it is open is null.
    std::unique_ptr<MidiOutputDevice> OpenOutput(int device) override;
    std::unique_ptr<MidiInputDevice> OpenInput(int device, MidiInputCallback callback,
                                               void* context, int port) override;

    std::vector<std::string> MissingServices() const override { return missing_; }

    // The built-in synth, for showing which audio driver plays it.
    const LiveSynth& Synth() const { return *synth_; }

  private:
    int AlsaSourceCount() const;
    int AlsaDestinationCount() const;

    const Clock& clock_;
    std::unique_ptr<LiveSynth> synth_;
    std::unique_ptr<AlsaSequencer> alsa_;  // null without a sequencer
    std::vector<std::string> missing_;
};

}  // namespace ostinel::platform
