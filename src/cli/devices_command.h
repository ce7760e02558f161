#pragma once

#include <string>

#include "platform/midi_devices.h"

namespace ostinel::cli {

// `devices`: the numbered MIDI input and output devices that ports can use,
// and what this machine lacks.
int RunDevicesCommand(const platform::MidiSystem& midi, std::string& out);

}  // namespace ostinel::cli
