#pragma once

// The one door from the main window's commands to the dialogs.

#include <memory>

#include "dialogs/dialog_context.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// Whether a menu command (gui/command_ids.h) opens one of these dialogs.
bool IsDialogCommand(int commandId);

// main thread. The command's dialog, built and filled but not shown; none
// when the command opens no dialog here or needs a piece and none is open.
std::unique_ptr<SettingsDialog> MakeDialogForCommand(int commandId, DialogContext& context);

// main thread. Opens the command's dialog modally over context.mainWindow;
// OK stores into context.engine, Cancel stores nothing. False when the
// command opens no dialog here (or needs a piece and none is open), so that
// the caller can handle it otherwise.
bool RunDialogForCommand(int commandId, DialogContext& context);

}  // namespace ostinel::dialogs
