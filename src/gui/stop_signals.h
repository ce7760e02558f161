#pragma once

class QWidget;

namespace ostinel::gui {

// Ctrl-C, a termination request or the session's end close `window` the
// ordinary way, so that the transport stops and the window's place is kept.
void CloseOnStopSignals(QWidget* window);

}  // namespace ostinel::gui
