#pragma once

class QApplication;

namespace ostinel::gui {

// Menus, message boxes and file dialogs in the panel's dark colours, and
// the program's own icon and pictures.
void ApplyDesktopStyle(QApplication& app);

}  // namespace ostinel::gui
