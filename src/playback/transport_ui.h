#pragma once

#include "app/transport_request.h"
#include "midi/midi_ui.h"

namespace ostinel {

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
