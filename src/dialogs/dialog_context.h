#pragma once

// What every dialog needs from the program around it: the engine it edits,
// the window it opens over, the beep, and the help.

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/engine.h"

namespace ostinel::dialogs {

// The warning beep of a field turning invalid; tests count it.
class Beeper {
  public:
    virtual ~Beeper() = default;
    virtual void Beep() = 0;
};

// The platform's default alert sound.
class SystemBeeper final : public Beeper {
  public:
    void Beep() override;
};

struct DialogContext {
    Engine& engine;
    Beeper& beeper;
    // The main window the dialogs centre on and own; none in tests.
    QPointer<QWidget> mainWindow;
    // Opens the help window at a topic; the dialog stays open.
    std::function<void(int topic)> showHelp;
    // Set by a view's mouse action (global coordinates): the dialog zooms out
    // of this point. Each dialog takes it and clears it.
    std::optional<QPoint> zoomFrom;
    // Whether the zoom plays at all (off for tests and screenshots).
    bool zoomAnimation = true;

    // The open dialog's help topic, 0 while none is open; F1 reads it.
    int helpTopic = 0;
    // The track the Tracks dialog showed last.
    int lastTrack = 0;
};

}  // namespace ostinel::dialogs
