#pragma once

#include <cstdint>

#include "midi/midi_output.h"
#include "sequence/piece.h"

// Sounding the state of the piece at the start position, before the tick
// plays on from there: controllers, program and bend first, held notes after
// the devices have had time to take them.

namespace ostinel {

// main thread, or the tick when Punch-In hands over. Sends the track's recorded controllers (0, 32,
// 1, 33 ... 31, 63, then 64-119; the channel mode controllers never), its program and its pitch
// bend on its channel and port. `performanceTrack` sends a recorded program as it is, and entry 0
// only `insidePunchSection`. Returns the bytes counted for the pause after the controllers: three
// per controller and bend.
std::int32_t ChaseTrackSettings(const Track& track, MidiOutput& output, bool performanceTrack,
                                bool insidePunchSection);

// The pause, in milliseconds, that lets the devices take `countedBytes` of
// controllers before the notes: whole fifties of bytes at three bytes a
// millisecond. any thread
constexpr std::uint32_t ChasePauseMs(std::int32_t countedBytes) {
    if (countedBytes <= 0) return 0;
    return static_cast<std::uint32_t>((countedBytes + 49) / 50 * 50 / 3);
}

// How held notes are sounded at a start.
struct HeldNoteShaping {
    bool soundHeldNotes = true;  // off: held notes stay silent until their next note-on
    std::int16_t masterVolume = 256;
    std::int16_t masterTranspose = 0;
    bool quiet = false;  // fast forward and preview: a quarter of the velocity
};

// main thread. Each key the locate left sounding gets a note-on with its
// shaped velocity on its sounding key, and its counter becomes 1 (one note
// for the tick to release). With held notes off every counter becomes 0.
void ChaseHeldNotes(Track& track, MidiOutput& output, const HeldNoteShaping& shaping);

}  // namespace ostinel
