#pragma once

#include <string_view>

namespace ostinel {

// What the port table and MIDI Reset need from the front end: a message box
// and a confirmation, both captioned with the program's title. The desktop
// and the command line implement it; tests record what would be shown.
class MidiUi {
  public:
    virtual ~MidiUi() = default;

    // main thread. A message box with one OK button, owned by the main window.
    virtual void ShowMessage(std::string_view text) = 0;
    // main thread. An OK/Cancel box; true for OK.
    virtual bool ConfirmMessage(std::string_view text) = 0;
};

}  // namespace ostinel
