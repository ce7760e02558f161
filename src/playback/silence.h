#pragma once

#include <cstdint>

#include "midi/midi_output.h"
#include "sequence/piece.h"

// Turning the accompaniment off at stop: every sounding note released, bends
// centred and the controllers a track used returned to rest.

namespace ostinel {

// main thread. Sends controllers 120 and 123 (all sound off, all notes off),
// value 0, on the track's channel and port.
void SendSoundOff(const Track& track, MidiOutput& output);

// main thread, or the tick when Punch-In hands over. Releases one track: with thru on, its own
// sound-off first (the devices cannot be cleared wholesale while the player sounds through them); a
// note-off at velocity 64 for every note its counters hold, on the key the transposition in force
// makes of it; a centred bend if it bent; and the rest value of each controller of the reset list
// it used.
void SilenceTrack(const Track& track, MidiOutput& output, std::int16_t masterTranspose,
                  bool thruOn);

}  // namespace ostinel
