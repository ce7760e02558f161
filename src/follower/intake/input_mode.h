#pragma once

#include <cstdint>

namespace ostinel {

// What incoming MIDI is for; one per engine, written by the main thread and
// by whichever thread answers a follower's jump, read by the intake.
enum class InputMode : std::uint16_t {
    InputIdle = 0,           // recorded nowhere, fed to nobody
    InputTapMidi = 1,        // following taps from a MIDI note or controller
    InputFollowPlaying = 2,  // following the soloist's playing
    InputLearn = 3,          // a dialog learns a note or controller
    InputAwaitStart = 4,     // listening for the soloist to start
    InputTapKey = 5,         // following taps from the space bar or right mouse button
};

}  // namespace ostinel
