#pragma once

#include <cstdint>

#include "playback/transport_availability.h"
#include "playback/transport_mode.h"

namespace ostinel {

// The Main Transport view button that shows the running mode.
enum class LitButton : std::uint8_t {
    None,
    PlayAndFollow,
    PlayFile,
    PlayPerformance,
    FastForward,
    Rewind,
    Preview,
};

// What decides the menu state besides the mode.
struct MenuStateFacts {
    TransportMode mode;
    bool beforeEnd = true;    // the position lies before the end of the piece
    bool afterStart = false;  // the position lies after 0
    bool loopMode = false;
    bool performanceExists = false;   // a recorded performance can be played or saved
    bool loopRestartPending = false;  // Stop then cancels the restart
    bool volumesChanged = false;      // some track's volume is not 100 %
};

// Which transport commands are enabled, and which button is lit. The front
// end grays its menu items and buttons from it; the request availability
// follows from it as well.
struct TransportMenuState {
    bool playAndFollow = false;    // 120
    bool playFile = false;         // 121
    bool playPerformance = false;  // 122
    bool fastForward = false;      // 123
    bool rewind = false;           // 124
    bool stop = false;             // 125
    bool preview = false;          // 126
    bool jumpTo = false;           // 127
    bool jumpAhead = false;        // 128
    bool jumpBack = false;         // 129
    bool jumpAgain = false;        // 130
    bool resetVolume = false;      // 131
    bool allNotesOff = false;      // 132
    bool midiReset = false;        // 133
    // File Open, loading, reverting and defaulting settings, the port
    // commands and every settings dialog but Display Preferences.
    bool settingsEditable = false;
    bool savePerformance = false;
    LitButton lit = LitButton::None;

    friend bool operator==(const TransportMenuState&, const TransportMenuState&) = default;
};

// any thread
TransportMenuState MenuStateFor(const MenuStateFacts& facts);

// main thread: the request codes the idle pass carries out in this state.
void SetRequestAvailability(const TransportMenuState& state, TransportAvailability& available);

}  // namespace ostinel
