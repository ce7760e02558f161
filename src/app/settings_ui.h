#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_records.h"

namespace ostinel {

// What loading and defaulting settings ask of the window besides message
// boxes (those go through the engine's TransportUi): the views, the menus
// and two dialogs. Every call is on the main thread. The command line and
// the tests have no window and keep the empty defaults.
class SettingsUi {
  public:
    virtual ~SettingsUi() = default;

    // The loop button (Song Position & Looping view) and the metronome
    // button (Current Tempo view) show these states.
    virtual void LoopAndMetronomeButtonsChanged(bool /*loopOn*/, bool /*metronomeOn*/) {}
    // Draw the whole Tracks view again.
    virtual void TracksChanged() {}
    // The Incoming MIDI channel items take their ticks from the port map again.
    virtual void IncomingMidiChanged() {}

    // Views menu ticks from `viewShown` (indexed by view number); "Show All
    // Views" available when one is hidden, "Hide All Views" when one is shown.
    virtual void ViewsShownChanged(const std::array<std::uint8_t, kViewCount>& /*shown*/) {}
    // The stacking order, front to back.
    virtual void ViewOrderChanged(const std::array<std::uint16_t, kViewCount>& /*order*/) {}
    // Every view back to its home position.
    virtual void MoveViewsHome() {}
    // Each view to its stored place against the client area's centre.
    virtual void PlaceViews(const std::array<ViewPlace, kViewCount>& /*places*/) {}
    // Writes where the views stand now, their order and which are shown into
    // `record`; a front end without views leaves the last applied values.
    virtual void FillViewState(PieceSettings& /*record*/) {}
    // After piece settings changed: views 0, 2, 3, 4, 6, 7 and the whole window.
    virtual void PieceSettingsChanged() {}

    // The System Settings or Piece Settings submenu lists were rebuilt.
    virtual void SettingsMenusChanged() {}

    // The MIDI devices the settings name could not all be opened: the
    // MIDI Ports & Devices dialog.
    virtual void OpenPortsDialog() {}
    // The Save Settings dialog: a name of 1 to 31 characters, none on Cancel.
    virtual std::optional<std::string> AskSettingsName() { return std::nullopt; }
    // The save dialog for the MIDI file that a score's settings go into,
    // offering `suggested`: the chosen path, none on Cancel.
    virtual std::optional<std::string> AskMidiFileForScore(const std::string& /*suggested*/) {
        return std::nullopt;
    }
};

}  // namespace ostinel
