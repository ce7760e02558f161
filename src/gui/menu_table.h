#pragma once

#include <span>
#include <string_view>

// The fixed items of the main window's menu, in order, with their texts and
// the control-key accelerators. Items filled at run time (named settings,
// ports, Incoming MIDI) are marked as places in the table.
namespace ostinel::gui {

enum class MenuEntryKind {
    Item,  // a command
    Separator,
    BeginPopup,  // a submenu starts: its text
    EndPopup,
    SystemSettings,  // the named-settings submenus, filled at run time
    PieceSettings,
    OutputPorts,   // "Change All Tracks to Output on": one item per output port
    IncomingMidi,  // one popup per input port
};

struct MenuEntry {
    MenuEntryKind kind = MenuEntryKind::Item;
    int command = 0;
    std::string_view text;  // with & mnemonics and a TAB before the accelerator's name
    char accelerator = 0;   // Ctrl + this letter, or 0
};

// The five top-level popups, each a BeginPopup ... EndPopup run.
std::span<const MenuEntry> MainMenuEntries();

}  // namespace ostinel::gui
