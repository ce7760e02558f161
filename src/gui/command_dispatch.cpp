// The menu and accelerator commands of the main window.

#include <QApplication>

#include "app/command_ids.h"
#include "dialogs/dialog_launcher.h"
#include "follower/intake/incoming_midi_menu.h"
#include "gui/help_window.h"
#include "gui/main_window.h"
#include "strings/string_ids.h"

namespace ostinel::gui {

namespace {

bool IsNamedSettingsCommand(int id) {
    return (id >= command::kSystemRevert && id <= command::kSystemRemoveFirst + 3) ||
           (id >= command::kPieceRevert && id <= command::kPieceRemoveFirst + 3);
}

}  // namespace

QString DialogTitle(int id) {
    switch (id) {
        case command::kSavePerformanceAs:
            return QStringLiteral("Save Performance As");
        case command::kGetFileInfo:
            return QStringLiteral("File Information");
        case command::kJumpTo:
            return QStringLiteral("Specify the Location");
        case command::kFollowing:
            return QStringLiteral("Following");
        case command::kPerformances:
            return QStringLiteral("Performance Settings");
        case command::kSpecialMarkers:
            return QStringLiteral("Special Markers");
        case command::kRemoteControl:
            return QStringLiteral("Remote Control");
        case command::kMidiMetronome:
            return QStringLiteral("MIDI Metronome");
        case command::kLoopMode:
            return QStringLiteral("Loop Mode");
        case command::kDisplayPreferences:
            return QStringLiteral("Display Preferences");
        case command::kTracks:
            return QStringLiteral("Tracks");
        case command::kBanksAndPrograms:
            return QStringLiteral("Banks & Programs");
        case command::kMasterTranspose:
            return QStringLiteral("Master Transpose");
        case command::kTempo:
            return QStringLiteral("Tempo");
        case command::kMidiAndSyncSetup:
            return QStringLiteral("MIDI & Sync Setup");
        case command::kMidiPortsAndDevices:
            return QStringLiteral("MIDI Ports & Devices");
        default:
            return {};
    }
}

bool MainWindow::DispatchCommand(int id) {
    if (id == command::kOpen) {
        if (!engine_.GetTransport().Mode().playing) OpenCommand();
    } else if (id == command::kExit) {
        StopForExit();
        close();
    } else if (IsNamedSettingsCommand(id)) {
        if (namedSettings_ == nullptr || !namedSettings_->CarryOut(id)) return false;
    } else if (id >= command::kFirstView && id < command::kFirstView + 8) {
        area_->ToggleView(id - command::kFirstView);
    } else if (id == command::kScoreView) {
        score_->Toggle();
    } else if (id == command::kShowAllViews) {
        area_->ShowAllViews();
        score_->Show(true);
    } else if (id == command::kHideAllViews) {
        area_->HideAllViews();
        score_->Show(false);
    } else if (id == command::kCenterAllViews) {
        area_->CenterAllViews();
        score_->Center();
    } else if ((id >= command::kPlayAndFollow && id <= command::kMidiReset &&
                id != command::kJumpTo)) {
        TransportCommand(id);
    } else if (id >= command::kChangeAllTracksFirst && id < command::kChangeAllTracksFirst + 8) {
        ChangeAllTracksToPort(id - command::kChangeAllTracksFirst);
    } else if (id >= command::kIncomingMidiFirst && id <= command::kIncomingMidiLast) {
        if (!CarryOutIncomingMidi(engine_.Ports(), id)) return false;
    } else if (id >= command::kHelpTopics && id <= command::kHowToUseHelp) {
        HelpCommand(id);
    } else if (id == command::kAbout) {
        area_->ShowTitlePicture(0);
    } else if (id == command::kRenderToAudioFile) {
        RenderToAudioFileCommand();
    } else if (id == command::kSavePerformanceAs) {
        if (!engine_.GetTransport().Mode().playing) SavePerformanceAsCommand();
    } else if (dialogs::IsDialogCommand(id)) {
        // The menu states keep the settings dialogs closed while playing.
        if (dialogOpener_) {
            dialogOpener_(id);
        } else {
            dialogs::RunDialogForCommand(id, *dialogs_);
        }
    } else {
        return false;
    }
    RefreshMenus();
    idle_->Kick();
    return true;
}

void MainWindow::TransportCommand(int id) {
    Transport& transport = engine_.GetTransport();
    const auto flash = [this](int element) {
        area_->FlashButton(views::kMainTransportView, element);
    };
    switch (id) {
        case command::kPlayAndFollow:
            transport.PlayAndFollow();
            flash(views::element::kPlayAndFollow);
            break;
        case command::kPlayFile:
            transport.PlayFile();
            flash(views::element::kPlayFile);
            break;
        case command::kPlayPerformance:
            // Performance playback runs through the request it answers to.
            engine_.Requests().PostRequest(TransportRequest::PlayPerformance);
            break;
        case command::kFastForward:
            transport.FastForward();
            flash(views::element::kFastForward);
            break;
        case command::kRewind:
            transport.Rewind();
            flash(views::element::kRewind);
            break;
        case command::kStop:
            transport.Stop();
            flash(views::element::kStop);
            break;
        case command::kPreview:
            flash(views::element::kPreview);
            transport.Preview();
            break;
        case command::kJumpAhead:
            transport.JumpAhead();
            break;
        case command::kJumpBack:
            transport.JumpBack();
            break;
        case command::kJumpAgain:
            transport.JumpAgain();
            break;
        case command::kResetVolume:
            transport.ResetVolumeOnAllTracks();
            break;
        case command::kAllNotesOff:
            transport.AllNotesOff();
            break;
        case command::kMidiReset:
            transport.MidiReset();
            break;
        default:
            break;
    }
    area_->PositionChanged();
}

void MainWindow::ChangeAllTracksToPort(int port) {
    Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return;
    for (std::size_t i = 0; i < piece->tracks.size(); ++i) {
        piece->tracks[i].port = std::int16_t(port);
        area_->TrackChanged(int(i));
    }
}

void MainWindow::ShowHelp(int topic) {
    if (help_ == nullptr) help_ = new HelpWindow(this);
    // Above the dialog that asked, which holds the main window meanwhile:
    // beneath it, the help would be out of reach until the dialog closed.
    QWidget* modal = QApplication::activeModalWidget();
    help_->StayAbove(modal != nullptr && modal != help_ ? *modal : static_cast<QWidget&>(*this));
    const bool shown = topic != 0 ? help_->ShowTopic(topic) : help_->ShowContents();
    if (!shown) ui_.ShowError(string_id::kHelpFileMissing);
}

void MainWindow::HelpCommand(int id) {
    if (help_ == nullptr) help_ = new HelpWindow(this);
    help_->StayAbove(*this);
    bool shown = false;
    if (id == command::kHelpTopics || id == command::kHelpContents) {
        shown = help_->ShowContents();
    } else if (id == command::kHowToUseHelp) {
        shown = help_->ShowHowToUseHelp();
    } else {
        shown = help_->ShowSearch();
    }
    if (!shown) ui_.ShowError(string_id::kHelpFileMissing);
}

}  // namespace ostinel::gui
