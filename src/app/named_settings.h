#pragma once

// The named sets of the File menu's "System Settings" and "Piece Settings"
// submenus: up to four named system sets in the settings store, up to four
// piece sets in slots 1-4 of the open file, their menu lists, and the
// Load, Save As, Save over, Revert, Default and Remove commands.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "settings/piece_settings_store.h"

namespace ostinel {

inline constexpr int kNamedSetCount = 4;

// Command ids of the two submenus; a set's item is the first id + its
// place (0-3).
namespace settings_command {
inline constexpr int kRevertSystem = 22;
inline constexpr int kDefaultSystem = 23;
inline constexpr int kLoadSystemSet = 30;
inline constexpr int kSaveSystemAs = 40;
inline constexpr int kSaveOverSystemSet = 41;
inline constexpr int kRemoveSystemSet = 50;
inline constexpr int kRevertPiece = 62;
inline constexpr int kDefaultPiece = 63;
inline constexpr int kLoadPieceSlot = 70;
inline constexpr int kSavePieceAs = 80;
inline constexpr int kSaveOverPieceSlot = 81;
inline constexpr int kRemovePieceSlot = 90;
}  // namespace settings_command

// The text of an item that has no set behind it.
inline constexpr std::string_view kNoSettingsSaved = "(no settings saved)";

struct SettingsMenuItem {
    int id = 0;
    std::string text{kNoSettingsSaved};
    bool enabled = false;

    friend bool operator==(const SettingsMenuItem&, const SettingsMenuItem&) = default;
};

// One submenu's run-time items: the Load, Save over and Remove lists and
// whether "Save As..." is available.
struct SettingsMenu {
    std::array<SettingsMenuItem, kNamedSetCount> load;
    std::array<SettingsMenuItem, kNamedSetCount> saveOver;
    std::array<SettingsMenuItem, kNamedSetCount> remove;
    bool saveAsEnabled = true;
};

struct SystemSettingsMenu {
    SettingsMenu items;
    std::vector<std::string> names;  // the listed sets, in the store's order
};

struct PieceSettingsMenu {
    SettingsMenu items;
    bool built = false;                           // false until a file's settings have been read
    std::array<bool, kNamedSetCount> slotUsed{};  // slots 1-4
};

// main thread. The System Settings lists from the store's named sets ("."
// and any after the fourth left out). Load items are unavailable while `playing`.
SystemSettingsMenu BuildSystemSettingsMenu(const platform::SettingsStore* store, bool playing);

// main thread. The Piece Settings lists from slots 1-4 of `stored`.
PieceSettingsMenu BuildPieceSettingsMenu(const PieceSettingsStore& stored, bool playing);

// The two submenus of one engine and their commands. Messages and
// confirmations go through the engine's Ui, the name through its SettingsUi.
class NamedSettings {
  public:
    explicit NamedSettings(Engine& engine) : engine_(engine) {}

    // main thread, at start-up: the current settings (".") without a revert
    // point, then the System Settings lists. Returns the last open file when
    // `wantFileToOpen` and the store names one.
    std::optional<std::string> StartUp(bool wantFileToOpen);
    // main thread: opens a piece with its settings (OpenPieceWithSettings)
    // and rebuilds the Piece Settings lists.
    LoadResult OpenPiece(const std::string& path);

    // main thread
    void RebuildSystemSettingsMenu();
    // Leaves the lists as they were when the open file's settings cannot be read.
    void RebuildPieceSettingsMenu();
    const SystemSettingsMenu& SystemMenu() const { return system_; }
    const PieceSettingsMenu& PieceMenu() const { return piece_; }

    // main thread: ids 22, 23, 30-33, 40-44, 50-53, 62, 63, 70-73, 80-84
    // and 90-93; false for any other id.
    bool DispatchSettingsCommand(int id);

  private:
    void LoadSystemSet(int place);
    void SaveSystemAs();
    void SaveOverSystemSet(int place);
    void RemoveSystemSet(int place);
    void LoadPieceSlot(int slot);
    void SavePieceAs();
    void SaveOverPieceSlot(int slot);
    void RemovePieceSlot(int slot);
    void ShowError(int id);
    bool Confirm(int prefixId, const std::string& name);
    std::optional<std::string> AskName();

    Engine& engine_;
    SystemSettingsMenu system_;
    PieceSettingsMenu piece_;
};

}  // namespace ostinel
