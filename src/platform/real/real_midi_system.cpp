#include "platform/real/real_midi_system.h"

#include <algorithm>

#include "platform/real/alsa/alsa_ports.h"
#include "platform/real/synth/synth_output.h"

namespace ostinel::platform {

RealMidiSystem::RealMidiSystem(const Clock& clock, const RealMidiOptions& options)
    : clock_(clock), synth_(LiveSynth::Create(options.synth)) {
    std::string problem;
    alsa_ = AlsaSequencer::Open(options.sequencerDevice, problem);
    if (alsa_ == nullptr) missing_.push_back(problem);
    for (const std::string& line : synth_->Problems()) {
        // Said once, however many times the synth met it.
        if (std::find(missing_.begin(), missing_.end(), line) == missing_.end())
            missing_.push_back(line);
    }
}

RealMidiSystem::~RealMidiSystem() = default;

int RealMidiSystem::AlsaSourceCount() const {
    return alsa_ == nullptr ? 0 : static_cast<int>(alsa_->Sources().size());
}

int RealMidiSystem::AlsaDestinationCount() const {
    return alsa_ == nullptr ? 0 : static_cast<int>(alsa_->Destinations().size());
}

int RealMidiSystem::InputDeviceCount() const {
    return alsa_ == nullptr ? 0 : AlsaSourceCount() + 1;
}

int RealMidiSystem::OutputDeviceCount() const {
    return alsa_ == nullptr ? 1 : 1 + AlsaDestinationCount() + 1;
}

std::string RealMidiSystem::InputDeviceName(int device) const {
    if (device < 0 || device >= InputDeviceCount()) return {};
    if (device == AlsaSourceCount()) return kVirtualInputDeviceName;
    return DisplayName(alsa_->Sources()[static_cast<std::size_t>(device)]);
}

std::string RealMidiSystem::OutputDeviceName(int device) const {
    if (device < 0 || device >= OutputDeviceCount()) return {};
    if (device == 0) return kSynthDeviceName;
    if (device == 1 + AlsaDestinationCount()) return kVirtualOutputDeviceName;
    return DisplayName(alsa_->Destinations()[static_cast<std::size_t>(device - 1)]);
}

std::unique_ptr<MidiOutputDevice> RealMidiSystem::OpenOutput(int device) {
    if (device < 0 || device >= OutputDeviceCount()) return nullptr;
    if (device == 0) {
        if (!synth_->TryClaim()) return nullptr;
        return std::make_unique<SynthOutput>(*synth_);
    }
    if (device == 1 + AlsaDestinationCount()) return alsa_->OpenVirtualOutput();
    return alsa_->OpenDestination(static_cast<std::size_t>(device - 1));
}

std::unique_ptr<MidiInputDevice> RealMidiSystem::OpenInput(int device, MidiInputCallback callback,
                                                           void* context, int port) {
    if (device < 0 || device >= InputDeviceCount() || callback == nullptr) return nullptr;
    if (device == AlsaSourceCount()) {
        return alsa_->OpenVirtualInput(clock_, callback, context, port);
    }
    return alsa_->OpenSource(static_cast<std::size_t>(device), clock_, callback, context, port);
}

}  // namespace ostinel::platform
