#pragma once

class QApplication;

namespace ostinel::gui {

// Menus, message boxes and file dialogs in the panel's dark colours, and
// the program's own icon and pictures.
void ApplyDesktopStyle(QApplication& app);
// The icon, pictures and help pages compiled into the program; any thread,
// any number of times.
void LoadDesktopResources();

}  // namespace ostinel::gui
