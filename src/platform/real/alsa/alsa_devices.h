#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

inline constexpr const char* kAlsaSequencerDevice = "/dev/snd/seq";

// The ALSA sequencer through RtMidi: the ports of other programs, as they
// were when it was opened, and our own virtual ports that other programs
// connect to. Devices it opens must be closed before it goes.
class AlsaSequencer {
  public:
    // main thread. Null with `problem` in plain words for musicians when
    // there is no sequencer to use; the rest of the program carries on.
    static std::unique_ptr<AlsaSequencer> Open(const std::string& devicePath, std::string& problem);

    // Ports we can read from and write to, as RtMidi names them.
    const std::vector<std::string>& Sources() const { return sources_; }
    const std::vector<std::string>& Destinations() const { return destinations_; }

    // main thread. Null when the port is gone or cannot be opened.
    std::unique_ptr<MidiInputDevice> OpenSource(std::size_t index, const Clock& clock,
                                                MidiInputCallback callback, void* context,
                                                int port) const;
    std::unique_ptr<MidiOutputDevice> OpenDestination(std::size_t index) const;
    std::unique_ptr<MidiInputDevice> OpenVirtualInput(const Clock& clock,
                                                      MidiInputCallback callback, void* context,
                                                      int port) const;
    std::unique_ptr<MidiOutputDevice> OpenVirtualOutput() const;

  private:
    AlsaSequencer() = default;

    std::vector<std::string> sources_;
    std::vector<std::string> destinations_;
};

}  // namespace ostinel::platform
