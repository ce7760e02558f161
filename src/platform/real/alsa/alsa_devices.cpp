#include "platform/real/alsa/alsa_devices.h"

#include <RtMidi.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/real/alsa/alsa_input.h"
#include "platform/real/alsa/alsa_output.h"
#include "platform/real/alsa/alsa_ports.h"

namespace ostinel::platform {
namespace {

// What other programs see of our virtual ports, under the client "Ostinel".
constexpr const char* kVirtualInputPortName = "Ostinel Input";
constexpr const char* kVirtualOutputPortName = "Ostinel Output";

constexpr const char* kOnlySynth = ", so only the built-in synth is available.";

// Checked before RtMidi is asked: without the device both ALSA's library and
// RtMidi would print their failures on the terminal.
bool SequencerDeviceUsable(const std::string& devicePath, std::string& problem) {
    if (access(devicePath.c_str(), R_OK | W_OK) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) {
        problem = "No MIDI sequencer was found (ALSA " + devicePath + " is missing)" + kOnlySynth;
    } else {
        problem = "The MIDI sequencer could not be opened (ALSA " + devicePath + ": " +
                  std::strerror(errno) + ")" + kOnlySynth;
    }
    return false;
}

}  // namespace

std::unique_ptr<AlsaSequencer> AlsaSequencer::Open(const std::string& devicePath,
                                                   std::string& problem) {
    if (!SequencerDeviceUsable(devicePath, problem)) return nullptr;
    // RtMidi's own reason names its internals; it has already gone to the
    // terminal, where a developer would look.
    std::unique_ptr<RtMidiIn> in = MakeAlsaIn();
    std::unique_ptr<RtMidiOut> out = in == nullptr ? nullptr : MakeAlsaOut();
    if (in == nullptr || out == nullptr) {
        problem = std::string("The MIDI sequencer could not be opened") + kOnlySynth;
        return nullptr;
    }
    std::unique_ptr<AlsaSequencer> sequencer(new AlsaSequencer());
    sequencer->sources_ = OtherProgramsPorts(*in);
    sequencer->destinations_ = OtherProgramsPorts(*out);
    return sequencer;
}

std::unique_ptr<MidiInputDevice> AlsaSequencer::OpenSource(std::size_t index, const Clock& clock,
                                                           MidiInputCallback callback,
                                                           void* context, int port) const {
    if (index >= sources_.size()) return nullptr;
    return AlsaInput::OpenPort(sources_[index], {&clock, callback, context, port});
}

std::unique_ptr<MidiOutputDevice> AlsaSequencer::OpenDestination(std::size_t index) const {
    if (index >= destinations_.size()) return nullptr;
    return AlsaOutput::OpenPort(destinations_[index]);
}

std::unique_ptr<MidiInputDevice> AlsaSequencer::OpenVirtualInput(const Clock& clock,
                                                                 MidiInputCallback callback,
                                                                 void* context, int port) const {
    return AlsaInput::OpenVirtual(kVirtualInputPortName, {&clock, callback, context, port});
}

std::unique_ptr<MidiOutputDevice> AlsaSequencer::OpenVirtualOutput() const {
    return AlsaOutput::OpenVirtual(kVirtualOutputPortName);
}

}  // namespace ostinel::platform
