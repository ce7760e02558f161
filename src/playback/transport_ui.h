#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "midi/midi_ui.h"
#include "music/transport_request.h"

namespace ostinel {

// The view button that lights briefly when a request is carried out.
struct FlashButtonTarget {
    std::int16_t view;
    std::int16_t element;

    friend constexpr bool operator==(const FlashButtonTarget&, const FlashButtonTarget&) = default;
};

// Indexed by request code. The jumps and All Notes Off have no button of their own.
inline constexpr std::array<std::optional<FlashButtonTarget>, kTransportRequestCount>
    kFlashButtonAfterRequest = {{
        FlashButtonTarget{1, 5},   // Play and Follow
        FlashButtonTarget{1, 6},   // Play File
        FlashButtonTarget{1, 7},   // Play Performance
        FlashButtonTarget{1, 9},   // Fast Forward
        FlashButtonTarget{1, 3},   // Rewind
        FlashButtonTarget{1, 4},   // Stop
        FlashButtonTarget{1, 8},   // Preview
        std::nullopt,              // Jump Ahead
        std::nullopt,              // Jump Back
        std::nullopt,              // Jump Again
        FlashButtonTarget{3, 34},  // Metronome
        FlashButtonTarget{2, 13},  // Loop Mode
        std::nullopt,              // All Notes Off
    }};

constexpr std::optional<FlashButtonTarget> FlashButtonAfter(TransportRequest request) {
    return kFlashButtonAfterRequest[static_cast<std::size_t>(TransportRequestCode(request))];
}

// What the transport tells the front end besides message boxes: which parts
// of the window to draw again. Every call is on the main thread; a front end
// without views (the command line, tests) leaves them empty.
class TransportUi : public MidiUi {
  public:
    // The song position display and the beat and tempo shown with it.
    virtual void PositionChanged() {}
    // The menu and transport button states (TransportMenuState) changed.
    virtual void MenuStateChanged() {}
    // A track's row in the Tracks view (play flag, volume).
    virtual void TrackChanged(int /*track*/) {}
    // Light a view button briefly.
    virtual void FlashButton(FlashButtonTarget /*button*/) {}
};

}  // namespace ostinel
