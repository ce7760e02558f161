#pragma once

#include <QMainWindow>
#include <QString>
#include <string>

#include <functional>
#include <memory>
#include <optional>

#include "app/engine.h"
#include "app/piece_rendering.h"
#include "dialogs/dialog_context.h"
#include "gui/desktop_ui.h"
#include "gui/idle_loop.h"
#include "gui/main_menu.h"
#include "views/score_view.h"
#include "views/view_area.h"

class QLabel;

namespace ostinel::gui {

class AudioRenderJob;
class HelpWindow;

// The name of the dialog a menu command opens; empty for a command without one.
QString DialogTitle(int commandId);

// Where the named-settings commands of the File menu go (load, save, save
// as, revert, default and remove, for system and piece settings), and how a
// piece opens with its stored settings. The settings engine plugs in here;
// without it the commands say they are not there yet and pieces open bare.
class NamedSettingsCommands {
  public:
    virtual ~NamedSettingsCommands() = default;
    // main thread: carries out command 22-53 or 62-93; true when handled.
    // It updates the menus through MainMenu::SetSavedSettingsNames.
    virtual bool CarryOut(int commandId) = 0;
    // main thread: opens a piece, keeping the old one's settings and
    // applying the new one's.
    virtual LoadResult OpenPiece(const std::string& path) = 0;
    // main thread: the views were laid out afresh for the opened piece; its
    // settings put them where, and as, it keeps them.
    virtual void ViewsLaidOut() = 0;
};

// The one main window: the views, the menus, the keys, the Open dialog and
// the commands.
//
// Threads: main thread.
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(Engine& engine, DesktopUi& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    views::ViewArea& Area() { return *area_; }
    views::ScoreView& Score() { return *score_; }
    MainMenu& Menu() { return *menu_; }
    IdleLoop& Idle() { return *idle_; }
    // What the dialogs opened over this window share.
    dialogs::DialogContext& Dialogs() { return *dialogs_; }
    // Who opens a command's dialog: the real dialogs, or a stand-in for
    // tests, where a modal dialog would wait for a user who is not there.
    void SetDialogOpener(std::function<void(int commandId)> opener) {
        dialogOpener_ = std::move(opener);
    }

    // Who answers the Open dialog: the real one, or a stand-in for tests
    // (an empty name is Cancel).
    void SetOpenFileChooser(std::function<QString()> chooser) {
        openFileChooser_ = std::move(chooser);
    }

    // Every menu and accelerator command; false for an id that is no command.
    bool DispatchCommand(int commandId);
    void SetNamedSettingsCommands(NamedSettingsCommands* commands) { namedSettings_ = commands; }

    // The menus and the transport keys follow the transport's state.
    void RefreshMenus();
    void ForceRepaint();

    // Opens a piece and lays the views out for it.
    LoadResult OpenFile(const std::string& path);
    // The Open dialog until a piece opens (true) or the user cancels (false);
    // a cancel after a file that failed shows message 2006 and closes the window.
    bool OpenCommand();
    // The save dialog for the last take, then the file written.
    void SavePerformanceAsCommand();
    // The save dialog for a WAV file, offering the piece's name in its folder,
    // then the piece rendered into it as `ostinel-cli render` does, off this
    // thread, behind a progress dialog that can cancel it.
    void RenderToAudioFileCommand();
    // The render in progress; nullptr when none runs.
    AudioRenderJob* AudioRender() const { return audioRender_.get(); }
    // Who answers the audio file's save dialog, given the name offered: the
    // real dialog, or a stand-in for tests (an empty name is Cancel).
    void SetAudioFileChooser(std::function<QString(const QString& offered)> chooser) {
        audioFileChooser_ = std::move(chooser);
    }
    // The save dialog for a MIDI file, offering `suggested`; none on Cancel.
    std::optional<std::string> AskMidiFileToSave(const std::string& suggested);
    // The help window at a dialog's topic (0: the contents); message 2001
    // when the pages cannot be found.
    void ShowHelp(int topic);
    // At start-up: the piece named on the command line, else `lastPiece`
    // (the one open when the program was last left), else the Open dialog.
    // False when the program should end.
    bool OpenFirstPiece(const QString& commandLine, const std::string& lastPiece = {});
    // A second copy's command line.
    void HandOverCommandLine(const QString& commandLine);

    // A warning in the status line that stays until the user dismisses it
    // (what the machine lacks to make sound).
    void ShowLastingWarning(const QString& text);
    // The warning shown now; empty when there is none.
    QString LastingWarning() const;
    void DismissLastingWarning();

    // Where the Open dialog starts.
    void SetOpenFolder(const QString& folder) { openFolder_ = folder; }

  signals:
    // The window closed: the stored placement may be written.
    void closing();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // A MIDI file or a score dropped onto the window opens as the Open
    // command would open it; not while playing.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void TransportCommand(int commandId);
    void HelpCommand(int commandId);
    void ChangeAllTracksToPort(int port);
    void StopForExit();
    bool SpaceBarTaps();
    void AudioRenderFinished(AudioFileRender::Result result, LoadResult load);

    Engine& engine_;
    DesktopUi& ui_;
    views::ViewArea* area_ = nullptr;
    views::ScoreView* score_ = nullptr;
    MainMenu* menu_ = nullptr;
    IdleLoop* idle_ = nullptr;
    NamedSettingsCommands* namedSettings_ = nullptr;
    HelpWindow* help_ = nullptr;  // made at the first request
    dialogs::SystemBeeper beeper_;
    std::unique_ptr<dialogs::DialogContext> dialogs_;
    std::function<void(int)> dialogOpener_;
    std::function<QString()> openFileChooser_;
    std::function<QString(const QString&)> audioFileChooser_;
    std::unique_ptr<AudioRenderJob> audioRender_;
    QString openFolder_;
    QWidget* warning_ = nullptr;  // in the status line while shown
    QLabel* warningText_ = nullptr;
};

}  // namespace ostinel::gui
