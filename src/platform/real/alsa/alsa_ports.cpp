#include "platform/real/alsa/alsa_ports.h"

#include <RtMidi.h>

#include <cctype>

#include "platform/real/alsa/quiet_alsa_library.h"

namespace ostinel::platform {
namespace {

// RtMidi prints warnings on the terminal unless someone takes them; these
// clients only list ports, where a warning means a port vanished meanwhile.
void IgnoreError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*data*/) {}

template <typename Midi>
std::unique_ptr<Midi> MakeAlsa() {
    QuietAlsaLibrary quiet;
    try {
        auto midi = std::make_unique<Midi>(RtMidi::LINUX_ALSA, kAlsaClientName);
        midi->setErrorCallback(&IgnoreError, nullptr);
        return midi;
    } catch (const std::exception&) {
        // RtMidiError when there is no sequencer; allocation failures too.
    }
    return nullptr;
}

bool IsOurs(const std::string& rtMidiName) {
    return rtMidiName.rfind(std::string(kAlsaClientName) + ":", 0) == 0;
}

}  // namespace

std::unique_ptr<RtMidiIn> MakeAlsaIn() {
    return MakeAlsa<RtMidiIn>();
}

std::unique_ptr<RtMidiOut> MakeAlsaOut() {
    return MakeAlsa<RtMidiOut>();
}

std::vector<std::string> OtherProgramsPorts(RtMidi& midi) {
    std::vector<std::string> names;
    try {
        const unsigned int count = midi.getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            std::string name = midi.getPortName(i);
            if (!name.empty() && !IsOurs(name)) names.push_back(std::move(name));
        }
    } catch (const RtMidiError&) {
        // A sequencer that fails mid-listing offers what was listed so far.
    }
    return names;
}

int FindPort(RtMidi& midi, const std::string& rtMidiName) {
    try {
        const unsigned int count = midi.getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            if (midi.getPortName(i) == rtMidiName) return static_cast<int>(i);
        }
    } catch (const RtMidiError&) {
    }
    return -1;
}

std::string DisplayName(const std::string& rtMidiName) {
    const std::size_t space = rtMidiName.rfind(' ');
    if (space == std::string::npos) return rtMidiName;
    const std::string numbers = rtMidiName.substr(space + 1);
    const std::size_t colon = numbers.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == numbers.size()) {
        return rtMidiName;
    }
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i != colon && !std::isdigit(static_cast<unsigned char>(numbers[i]))) return rtMidiName;
    }
    return rtMidiName.substr(0, space);
}

}  // namespace ostinel::platform
