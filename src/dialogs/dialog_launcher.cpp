#include "dialogs/dialog_launcher.h"

#include "app/command_ids.h"
#include "dialogs/banks_and_programs_dialog.h"
#include "dialogs/display_preferences_dialog.h"
#include "dialogs/file_information_dialog.h"
#include "dialogs/following_dialog.h"
#include "dialogs/location_dialog.h"
#include "dialogs/loop_mode_dialog.h"
#include "dialogs/master_transpose_dialog.h"
#include "dialogs/metronome_dialog.h"
#include "dialogs/midi_ports_dialog.h"
#include "dialogs/midi_sync_setup_dialog.h"
#include "dialogs/performance_settings_dialog.h"
#include "dialogs/remote_control_dialog.h"
#include "dialogs/special_markers_dialog.h"
#include "dialogs/tempo_dialog.h"
#include "dialogs/tracks_dialog.h"

namespace ostinel::dialogs {

namespace {

// Dialogs that edit the system settings and so open without a piece.
bool NeedsNoPiece(int commandId) {
    return commandId == command::kDisplayPreferences || commandId == command::kRemoteControl ||
           commandId == command::kMidiMetronome || commandId == command::kMidiAndSyncSetup ||
           commandId == command::kMidiPortsAndDevices;
}

// Jump to offers the current measure (that of the beat at or before the
// position) from its first beat, and hands the typed place to the transport.
bool JumpToTypedLocation(DialogContext& context) {
    Transport& transport = context.engine.GetTransport();
    const DisplayedBeat shown = transport.Display();
    if (const auto place = ShowLocationDialog(context, shown.measure, 1)) {
        transport.JumpTo(place->position);
    }
    return true;
}

}  // namespace

bool IsDialogCommand(int commandId) {
    switch (commandId) {
        case command::kGetFileInfo:
        case command::kDisplayPreferences:
        case command::kTracks:
        case command::kMasterTranspose:
        case command::kTempo:
        case command::kLoopMode:
        case command::kJumpTo:
        case command::kBanksAndPrograms:
        case command::kPerformances:
        case command::kSpecialMarkers:
        case command::kFollowing:
        case command::kRemoteControl:
        case command::kMidiMetronome:
        case command::kMidiAndSyncSetup:
        case command::kMidiPortsAndDevices:
            return true;
        default:
            return false;
    }
}

std::unique_ptr<SettingsDialog> MakeDialogForCommand(int commandId, DialogContext& context) {
    if (!IsDialogCommand(commandId)) return nullptr;
    if (!NeedsNoPiece(commandId) && context.engine.CurrentPiece() == nullptr) return nullptr;
    switch (commandId) {
        case command::kDisplayPreferences:
            return std::make_unique<DisplayPreferencesDialog>(context);
        case command::kGetFileInfo:
            return std::make_unique<FileInformationDialog>(context);
        case command::kTracks:
            return std::make_unique<TracksDialog>(context);
        case command::kMasterTranspose:
            return std::make_unique<MasterTransposeDialog>(context);
        case command::kTempo:
            return std::make_unique<TempoDialog>(context);
        case command::kLoopMode:
            return std::make_unique<LoopModeDialog>(context);
        case command::kBanksAndPrograms:
            return std::make_unique<BanksAndProgramsDialog>(context);
        case command::kPerformances:
            return std::make_unique<PerformanceSettingsDialog>(context);
        case command::kSpecialMarkers:
            return std::make_unique<SpecialMarkersDialog>(context);
        case command::kFollowing:
            return std::make_unique<FollowingDialog>(context);
        case command::kRemoteControl:
            return std::make_unique<RemoteControlDialog>(context);
        case command::kMidiMetronome:
            return std::make_unique<MetronomeDialog>(context);
        case command::kMidiAndSyncSetup:
            return std::make_unique<MidiSyncSetupDialog>(context);
        case command::kMidiPortsAndDevices:
            return std::make_unique<MidiPortsDialog>(context);
        case command::kJumpTo: {
            const DisplayedBeat shown = context.engine.GetTransport().Display();
            return std::make_unique<LocationDialog>(context, shown.measure, 1);
        }
        default:
            return nullptr;
    }
}

bool RunDialogForCommand(int commandId, DialogContext& context) {
    if (!IsDialogCommand(commandId)) return false;
    if (commandId == command::kJumpTo) {
        return context.engine.CurrentPiece() != nullptr && JumpToTypedLocation(context);
    }
    const std::unique_ptr<SettingsDialog> dialog = MakeDialogForCommand(commandId, context);
    if (dialog == nullptr) return false;
    dialog->exec();
    return true;
}

}  // namespace ostinel::dialogs
