#include "gui/menu_table.h"

#include <array>

#include "app/command_ids.h"

namespace ostinel::gui {

namespace {

using K = MenuEntryKind;

constexpr MenuEntry Popup(std::string_view text) {
    return {K::BeginPopup, 0, text, 0};
}
constexpr MenuEntry End() {
    return {K::EndPopup, 0, {}, 0};
}
constexpr MenuEntry Separator() {
    return {K::Separator, 0, {}, 0};
}
constexpr MenuEntry Item(int command, std::string_view text, char accelerator = 0) {
    return {K::Item, command, text, accelerator};
}

constexpr auto kEntries = std::to_array<MenuEntry>({
    Popup("&File"),
    Item(command::kOpen, "&Open...\tCtrl + O", 'O'),
    Item(command::kSavePerformanceAs, "&Save Performance As...\tCtrl + S", 'S'),
    Item(command::kGetFileInfo, "&Get File Info...\tCtrl + I", 'I'),
    Item(command::kRenderToAudioFile, "&Render to Audio File..."),
    Separator(),
    {K::SystemSettings, 0, "S&ystem Settings", 0},
    {K::PieceSettings, 0, "&Piece Settings", 0},
    Separator(),
    Item(command::kExit, "E&xit\tAlt + F4"),
    End(),

    Popup("&Views"),
    Item(command::kFirstView + 0, "T&itle"),
    Item(command::kFirstView + 1, "&Main Transport"),
    Item(command::kFirstView + 2, "Song &Position && Looping"),
    Item(command::kFirstView + 3, "C&urrent Tempo"),
    Item(command::kFirstView + 4, "Master &Tempo"),
    Item(command::kFirstView + 5, "Measure:&Beat"),
    Item(command::kFirstView + 6, "Master &Volume"),
    Item(command::kFirstView + 7, "T&racks"),
    Item(command::kScoreView, "Sc&ore"),
    Separator(),
    Item(command::kShowAllViews, "&Show All Views"),
    Item(command::kHideAllViews, "&Hide All Views"),
    Item(command::kCenterAllViews, "&Center All Views"),
    End(),

    Popup("&Controls"),
    Item(command::kPlayAndFollow, "&Play and Follow\tCtrl + P", 'P'),
    Item(command::kPlayFile, "Pla&y File\tCtrl + Y", 'Y'),
    Item(command::kPlayPerformance, "Play Performa&nce\tCtrl + N", 'N'),
    Item(command::kFastForward, "&Fast Forward\tCtrl + F", 'F'),
    Item(command::kRewind, "&Rewind\tCtrl + R", 'R'),
    Item(command::kStop, "&Stop"),
    Item(command::kPreview, "Pr&eview\tCtrl + E", 'E'),
    Separator(),
    Item(command::kJumpTo, "&Jump to...\tCtrl + J", 'J'),
    Item(command::kJumpAhead, "Jump &Ahead\tCtrl + A", 'A'),
    Item(command::kJumpBack, "Jump &Back\tCtrl + B", 'B'),
    Item(command::kJumpAgain, "Jump A&gain\tCtrl + G", 'G'),
    Separator(),
    Item(command::kResetVolume, "Reset &Volume on All Tracks"),
    {K::OutputPorts, 0, "&Change All Tracks to Output on", 0},
    Item(command::kAllNotesOff, "All Notes &Off"),
    Item(command::kMidiReset, "&MIDI Reset"),
    End(),

    Popup("&Settings"),
    Item(command::kFollowing, "Fo&llowing...\tCtrl + L", 'L'),
    Item(command::kPerformances, "&Performances..."),
    Item(command::kSpecialMarkers, "&Special Markers..."),
    Item(command::kRemoteControl, "&Remote Control..."),
    Separator(),
    Item(command::kMidiMetronome, "MIDI M&etronome..."),
    Item(command::kLoopMode, "L&oop Mode..."),
    Item(command::kDisplayPreferences, "&Display Preferences..."),
    Separator(),
    Item(command::kTracks, "Trac&ks...\tCtrl + T", 'T'),
    Item(command::kBanksAndPrograms, "&Banks && Programs..."),
    Item(command::kMasterTranspose, "M&aster Transpose..."),
    Item(command::kTempo, "&Tempo..."),
    Separator(),
    Item(command::kMidiAndSyncSetup, "&MIDI && Sync Setup...\tCtrl + M", 'M'),
    Item(command::kMidiPortsAndDevices, "MIDI Ports and De&vices..."),
    {K::IncomingMidi, 0, "&Incoming MIDI", 0},
    End(),

    Popup("&Help"),
    Item(command::kHelpTopics, "&Help Topics...\tF1"),
    Separator(),
    Item(command::kAbout, "&About Ostinel..."),
    End(),
});

}  // namespace

std::span<const MenuEntry> MainMenuEntries() {
    return kEntries;
}

}  // namespace ostinel::gui
