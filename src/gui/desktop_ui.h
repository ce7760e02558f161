#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "playback/transport_ui.h"

class QWidget;

namespace ostinel::gui {

class MainWindow;

// Shows message boxes and confirmations. The desktop uses Qt's boxes; tests
// and screenshot runs record what would have been asked.
class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    // main thread. A box with one OK button.
    virtual void Show(QWidget* owner, const QString& caption, const QString& text) = 0;
    // main thread. An OK/Cancel box; true for OK.
    virtual bool Confirm(QWidget* owner, const QString& caption, const QString& text) = 0;
    // main thread. A box with one OK button that shows something went wrong.
    virtual void ShowError(QWidget* owner, const QString& caption, const QString& text) {
        Show(owner, caption, text);
    }
};

// Modal QMessageBox boxes.
class MessageBoxPresenter final : public MessagePresenter {
  public:
    void Show(QWidget* owner, const QString& caption, const QString& text) override;
    bool Confirm(QWidget* owner, const QString& caption, const QString& text) override;
    void ShowError(QWidget* owner, const QString& caption, const QString& text) override;
};

// What the engine tells the desktop: messages captioned with the program's
// title, and which parts of the window to draw again. Created before the
// engine (which reports to it) and the window (which it reports to).
//
// Threads: main thread.
class DesktopUi final : public TransportUi {
  public:
    explicit DesktopUi(MessagePresenter& presenter) : presenter_(presenter) {}

    void SetWindow(MainWindow* window) { window_ = window; }

    void ShowMessage(std::string_view text) override;
    bool ConfirmMessage(std::string_view text) override;
    void PositionChanged() override;
    void MenuStateChanged() override;
    void TrackChanged(int track) override;
    void FlashButton(FlashButtonTarget button) override;

    // A message from the string table, shown as an error.
    void ShowError(int stringId);
    // The same about a file, named above the message.
    void ShowFileError(int stringId, const std::string& path);

  private:
    MessagePresenter& presenter_;
    MainWindow* window_ = nullptr;
};

// The application title, the caption of every message box.
QString ApplicationTitle();

}  // namespace ostinel::gui
