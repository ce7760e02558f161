#pragma once

#include <memory>
#include <string>
#include <vector>

class RtMidi;
class RtMidiIn;
class RtMidiOut;

namespace ostinel::platform {

// Every ALSA client we make is called this; other programs list our virtual
// ports under it.
inline constexpr const char* kAlsaClientName = "Ostinel";

// main thread. A new RtMidi client on the ALSA sequencer, or null when RtMidi
// cannot make one. The ALSA API is named outright: RtMidi's own search would
// throw rather than move on.
std::unique_ptr<RtMidiIn> MakeAlsaIn();
std::unique_ptr<RtMidiOut> MakeAlsaOut();

// main thread. RtMidi's names ("client:port 128:0") of the ports `midi` can
// connect to, leaving out the ports of our own clients.
std::vector<std::string> OtherProgramsPorts(RtMidi& midi);

// main thread. The current RtMidi index of the port named `rtMidiName`, or -1
// when it is gone.
int FindPort(RtMidi& midi, const std::string& rtMidiName);

// The name a musician sees: RtMidi's without the trailing client:port numbers.
std::string DisplayName(const std::string& rtMidiName);

}  // namespace ostinel::platform
