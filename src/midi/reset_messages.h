#pragma once

#include "midi/midi_output.h"
#include "midi/midi_ui.h"

namespace ostinel {

// main thread. Sends, to every output device once and in this order: system
// reset, General MIDI system on, GS reset, GS reverb macro 0, GS chorus
// macro 0.
void SendResetMessages(MidiOutput& output);

// main thread: the MIDI Reset command. Asks "Are you sure you want to reset
// your MIDI system?" and sends the reset messages on OK; true when it sent.
bool MidiReset(MidiUi& ui, MidiOutput& output);

}  // namespace ostinel
