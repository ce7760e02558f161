#include "dialogs/dialog_launcher.h"

#include "dialogs/display_preferences_dialog.h"
#include "dialogs/file_information_dialog.h"
#include "dialogs/location_dialog.h"
#include "dialogs/loop_mode_dialog.h"
#include "dialogs/master_transpose_dialog.h"
#include "dialogs/midi_ports_dialog.h"
#include "dialogs/midi_sync_setup_dialog.h"
#include "dialogs/tempo_dialog.h"
#include "dialogs/tracks_dialog.h"
#include "gui/command_ids.h"

namespace ostinel::dialogs {

namespace {

template <typename DialogType>
bool Run(DialogContext& context) {
    DialogType dialog(context);
    dialog.exec();
    return true;
}

}  // namespace

bool IsDialogCommand(int commandId) {
    namespace command = gui::command;
    switch (commandId) {
        case command::kGetFileInfo:
        case command::kDisplayPreferences:
        case command::kTracks:
        case command::kMasterTranspose:
        case command::kTempo:
        case command::kLoopMode:
        case command::kJumpTo:
        case command::kMidiAndSyncSetup:
        case command::kMidiPortsAndDevices:
            return true;
        default:
            return false;
    }
}

bool RunDialogForCommand(int commandId, DialogContext& context) {
    namespace command = gui::command;
    // These set up the program, not the piece.
    switch (commandId) {
        case command::kDisplayPreferences:
            return Run<DisplayPreferencesDialog>(context);
        case command::kMidiAndSyncSetup:
            return Run<MidiSyncSetupDialog>(context);
        case command::kMidiPortsAndDevices:
            return Run<MidiPortsDialog>(context);
        default:
            break;
    }
    Engine& engine = context.engine;
    if (!IsDialogCommand(commandId) || engine.CurrentPiece() == nullptr) {
        return false;
    }
    switch (commandId) {
        case command::kGetFileInfo:
            return Run<FileInformationDialog>(context);
        case command::kTracks:
            return Run<TracksDialog>(context);
        case command::kMasterTranspose:
            return Run<MasterTransposeDialog>(context);
        case command::kTempo:
            return Run<TempoDialog>(context);
        case command::kLoopMode:
            return Run<LoopModeDialog>(context);
        case command::kJumpTo: {
            Transport& transport = engine.GetTransport();
            const DisplayedBeat shown = transport.Display();
            if (const auto place = ShowLocationDialog(context, shown.measure, shown.beat)) {
                transport.JumpTo(place->position);
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace ostinel::dialogs
