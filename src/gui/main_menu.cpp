#include "gui/main_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "app/command_ids.h"
#include "follower/intake/incoming_midi_menu.h"
#include "gui/menu_table.h"

namespace ostinel::gui {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

const QString kNoSettingsSaved = QStringLiteral("(no settings saved)");

}  // namespace

MainMenu::MainMenu(QMainWindow& window, Engine& engine, std::function<void(int)> dispatch)
    : QObject(&window), engine_(engine), dispatch_(std::move(dispatch)) {
    QMenuBar* bar = window.menuBar();
    QMenu* menu = nullptr;
    for (const MenuEntry& entry : MainMenuEntries()) {
        const QString text = FromView(entry.text);
        switch (entry.kind) {
            case MenuEntryKind::BeginPopup:
                menu = bar->addMenu(text);
                break;
            case MenuEntryKind::EndPopup:
                menu = nullptr;
                break;
            case MenuEntryKind::Separator:
                menu->addSeparator();
                break;
            case MenuEntryKind::Item:
                AddItem(*menu, entry.command, text, entry.accelerator);
                break;
            case MenuEntryKind::SystemSettings:
                AddNamedSettingsMenu(*menu, text, true);
                break;
            case MenuEntryKind::PieceSettings:
                AddNamedSettingsMenu(*menu, text, false);
                break;
            case MenuEntryKind::OutputPorts:
                AddOutputPortsMenu(*menu, text);
                break;
            case MenuEntryKind::IncomingMidi:
                AddIncomingMidiMenu(*menu, text);
                break;
        }
    }
    if (QAction* help = Action(command::kHelpTopics)) {
        help->setShortcut(QKeySequence(Qt::Key_F1));
        help->setShortcutContext(Qt::ApplicationShortcut);
    }
    for (int view = 0; view < 8; ++view)
        Action(command::kFirstView + view)->setCheckable(true);
    Action(command::kScoreView)->setCheckable(true);
}

QAction* MainMenu::AddItem(QMenu& menu, int command, const QString& text, char accelerator) {
    QAction* action = menu.addAction(text);
    if (accelerator != 0) {
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (accelerator - 'A'))));
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(action, &QAction::triggered, this, [this, command] { dispatch_(command); });
    actions_[command] = action;
    return action;
}

QAction* MainMenu::Action(int command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void MainMenu::AddNamedSettingsMenu(QMenu& parent, const QString& title, bool system) {
    QMenu* menu = parent.addMenu(title);
    const int load = system ? command::kSystemLoadFirst : command::kPieceLoadFirst;
    const int saveAs = system ? command::kSystemSaveAs : command::kPieceSaveAs;
    const int save = system ? command::kSystemSaveFirst : command::kPieceSaveFirst;
    const int remove = system ? command::kSystemRemoveFirst : command::kPieceRemoveFirst;
    QMenu* loadMenu = menu->addMenu(QStringLiteral("&Load Settings"));
    for (int slot = 0; slot < command::kSettingsSlots; ++slot)
        AddItem(*loadMenu, load + slot, kNoSettingsSaved, 0);
    QMenu* saveMenu = menu->addMenu(QStringLiteral("&Save Settings"));
    AddItem(*saveMenu, saveAs, QStringLiteral("&Save As..."), 0);
    saveMenu->addSeparator();
    for (int slot = 0; slot < command::kSettingsSlots; ++slot)
        AddItem(*saveMenu, save + slot, kNoSettingsSaved, 0);
    AddItem(*menu, system ? command::kSystemRevert : command::kPieceRevert,
            QStringLiteral("Re&vert Settings"), 0);
    AddItem(*menu, system ? command::kSystemDefault : command::kPieceDefault,
            QStringLiteral("&Default Settings"), 0);
    QMenu* removeMenu = menu->addMenu(QStringLiteral("Re&move Saved Settings"));
    for (int slot = 0; slot < command::kSettingsSlots; ++slot)
        AddItem(*removeMenu, remove + slot, kNoSettingsSaved, 0);
}

void MainMenu::SetSavedSettingsNames(bool system, const SavedSettingsNames& names) {
    (system ? systemNames_ : pieceNames_) = names;
    const int firsts[] = {system ? command::kSystemLoadFirst : command::kPieceLoadFirst,
                          system ? command::kSystemSaveFirst : command::kPieceSaveFirst,
                          system ? command::kSystemRemoveFirst : command::kPieceRemoveFirst};
    for (const int first : firsts) {
        for (int slot = 0; slot < command::kSettingsSlots; ++slot) {
            const auto& name = names[std::size_t(slot)];
            Action(first + slot)->setText(name ? QString::fromStdString(*name) : kNoSettingsSaved);
        }
    }
}

void MainMenu::AddOutputPortsMenu(QMenu& parent, const QString& title) {
    QMenu* menu = parent.addMenu(title);
    for (int port = 0; port < kPortCount; ++port)
        AddItem(*menu, command::kChangeAllTracksFirst + port,
                QString::fromStdString(engine_.Ports().OutputPortName(port)), 0);
    // Device names change with the MIDI Ports & Devices dialog.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        for (int port = 0; port < kPortCount; ++port)
            Action(command::kChangeAllTracksFirst + port)
                ->setText(QString::fromStdString(engine_.Ports().OutputPortName(port)));
    });
}

void MainMenu::AddIncomingMidiMenu(QMenu& parent, const QString& title) {
    QMenu* menu = parent.addMenu(title);
    for (int port = 0; port < kPortCount; ++port) {
        QMenu* popup = menu->addMenu(QString::fromStdString(engine_.Ports().InputPortName(port)));
        FillIncomingMidiPort(*popup, port);
        connect(popup, &QMenu::aboutToShow, this,
                [this, popup, port] { FillIncomingMidiPort(*popup, port); });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const auto popups = menu->actions();
        for (int port = 0; port < kPortCount && port < popups.size(); ++port)
            popups[port]->setText(QString::fromStdString(engine_.Ports().InputPortName(port)));
    });
}

void MainMenu::FillIncomingMidiPort(QMenu& popup, int port) {
    for (QAction* old : popup.actions()) {
        for (auto it = actions_.begin(); it != actions_.end(); ++it) {
            if (it->second == old) {
                actions_.erase(it);
                break;
            }
        }
    }
    popup.clear();
    for (const IncomingMidiMenuItem& item : IncomingMidiItems(engine_.Ports(), port)) {
        if (item.separator) {
            popup.addSeparator();
            continue;
        }
        QAction* action = AddItem(popup, item.commandId, QString::fromStdString(item.text), 0);
        const bool channel =
            IncomingMidiCommandOf(item.commandId)->action == IncomingMidiAction::Channel;
        action->setCheckable(channel);
        action->setChecked(item.checked);
    }
}

void MainMenu::Refresh(const std::array<bool, 8>& viewsShown, bool scoreShown) {
    const TransportMenuState state = engine_.GetTransport().MenuState();
    const bool editable = state.settingsEditable;
    const auto enable = [this](int command, bool on) {
        if (QAction* action = Action(command)) action->setEnabled(on);
    };
    enable(command::kOpen, editable);
    enable(command::kSavePerformanceAs, state.savePerformance);
    enable(command::kRenderToAudioFile, engine_.CurrentPiece() != nullptr && !renderingAudio_);
    for (const int command : {command::kSystemRevert, command::kSystemDefault,
                              command::kPieceRevert, command::kPieceDefault})
        enable(command, editable);
    for (int slot = 0; slot < command::kSettingsSlots; ++slot) {
        const bool system = systemNames_[std::size_t(slot)].has_value();
        const bool piece = pieceNames_[std::size_t(slot)].has_value();
        enable(command::kSystemLoadFirst + slot, editable && system);
        enable(command::kSystemSaveFirst + slot, system);
        enable(command::kSystemRemoveFirst + slot, system);
        enable(command::kPieceLoadFirst + slot, editable && piece);
        enable(command::kPieceSaveFirst + slot, piece);
        enable(command::kPieceRemoveFirst + slot, piece);
    }
    enable(command::kPlayAndFollow, state.playAndFollow);
    enable(command::kPlayFile, state.playFile);
    enable(command::kPlayPerformance, state.playPerformance);
    enable(command::kFastForward, state.fastForward);
    enable(command::kRewind, state.rewind);
    enable(command::kStop, state.stop);
    enable(command::kPreview, state.preview);
    enable(command::kJumpTo, state.jumpTo);
    enable(command::kJumpAhead, state.jumpAhead);
    enable(command::kJumpBack, state.jumpBack);
    enable(command::kJumpAgain, state.jumpAgain);
    enable(command::kResetVolume, state.resetVolume);
    enable(command::kAllNotesOff, state.allNotesOff);
    enable(command::kMidiReset, state.midiReset);
    for (int port = 0; port < kPortCount; ++port)
        enable(command::kChangeAllTracksFirst + port, editable);
    for (int command = command::kFollowing; command <= command::kMidiPortsAndDevices; ++command)
        enable(command, editable || command == command::kDisplayPreferences);

    bool anyShown = false;
    bool anyHidden = false;
    for (int view = 0; view < 8; ++view) {
        Action(command::kFirstView + view)->setChecked(viewsShown[std::size_t(view)]);
        (viewsShown[std::size_t(view)] ? anyShown : anyHidden) = true;
    }
    Action(command::kScoreView)->setChecked(scoreShown);
    (scoreShown ? anyShown : anyHidden) = true;
    enable(command::kShowAllViews, anyHidden);
    enable(command::kHideAllViews, anyShown);
}

}  // namespace ostinel::gui
