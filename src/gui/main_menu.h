#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/engine.h"

class QAction;
class QMainWindow;
class QMenu;

namespace ostinel::gui {

// The names of the four saved settings of one kind; none for an empty slot.
using SavedSettingsNames = std::array<std::optional<std::string>, 4>;

// The main window's menu bar built from the menu table, its accelerators,
// and the items' enabled and checked states.
//
// Threads: main thread.
class MainMenu : public QObject {
    Q_OBJECT

  public:
    MainMenu(QMainWindow& window, Engine& engine, std::function<void(int)> dispatch);

    // The action of a command id, or nullptr.
    QAction* Action(int command) const;
    const std::map<int, QAction*>& Actions() const { return actions_; }

    // Enables and checks the items for the transport's state and the views shown.
    void Refresh(const std::array<bool, 8>& viewsShown, bool scoreShown);

    // Named settings: the slot items of the System Settings (system = true)
    // or Piece Settings submenus read these names; "(no settings saved)" and
    // unavailable for an empty slot.
    void SetSavedSettingsNames(bool system, const SavedSettingsNames& names);
    // While a piece is rendered to an audio file, Render to Audio File waits.
    void SetRenderingAudio(bool rendering) { renderingAudio_ = rendering; }

  private:
    QAction* AddItem(QMenu& menu, int command, const QString& text, char accelerator);
    void AddNamedSettingsMenu(QMenu& parent, const QString& title, bool system);
    void AddOutputPortsMenu(QMenu& parent, const QString& title);
    void AddIncomingMidiMenu(QMenu& parent, const QString& title);
    void FillIncomingMidiPort(QMenu& popup, int port);

    Engine& engine_;
    std::function<void(int)> dispatch_;
    std::map<int, QAction*> actions_;
    SavedSettingsNames systemNames_;
    SavedSettingsNames pieceNames_;
    bool renderingAudio_ = false;
};

}  // namespace ostinel::gui
