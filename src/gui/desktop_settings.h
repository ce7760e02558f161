#pragma once

#include <optional>
#include <string>

#include "app/engine.h"
#include "app/named_settings.h"
#include "app/settings_ui.h"
#include "gui/main_window.h"

namespace ostinel::gui {

// The settings side of the desktop program: the named sets behind the File
// menu's settings submenus, pieces opened with their stored settings, and
// the window's share of applying settings (the views, the menus, the name
// asked for a new set).
//
// Threads: main thread.
class DesktopSettings final : public NamedSettingsCommands, public SettingsUi {
  public:
    DesktopSettings(Engine& engine, MainWindow& window);
    DesktopSettings(const DesktopSettings&) = delete;
    DesktopSettings& operator=(const DesktopSettings&) = delete;

    // At start-up: the settings the program was left with. Returns the last
    // piece when `wantLastPiece` and the store names one.
    std::optional<std::string> StartUp(bool wantLastPiece);
    // At shutdown, before the engine goes: the piece's and the system's
    // settings, unless no piece ever finished opening.
    void StoreAtShutdown();

    // NamedSettingsCommands
    bool CarryOut(int commandId) override;
    LoadResult OpenPiece(const std::string& path) override;
    void ViewsLaidOut() override;

    // SettingsUi
    void LoopAndMetronomeButtonsChanged(bool loopOn, bool metronomeOn) override;
    void TracksChanged() override;
    void IncomingMidiChanged() override;
    void ViewsShownChanged(const std::array<std::uint8_t, kViewCount>& shown) override;
    void ViewOrderChanged(const std::array<std::uint16_t, kViewCount>& order) override;
    void MoveViewsHome() override;
    void PlaceViews(const std::array<ViewPlace, kViewCount>& places) override;
    void FillViewState(PieceSettings& record) override;
    void PieceSettingsChanged() override;
    void SettingsMenusChanged() override;
    void OpenPortsDialog() override;
    std::optional<std::string> AskSettingsName() override;
    std::optional<std::string> AskMidiFileForScore(const std::string& suggested) override;

  private:
    Engine& engine_;
    MainWindow& window_;
    NamedSettings named_;
};

}  // namespace ostinel::gui
