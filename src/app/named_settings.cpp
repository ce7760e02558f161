#include "app/named_settings.h"

#include <algorithm>

#include "app/piece_settings_application.h"
#include "app/score_as_midi.h"
#include "app/system_settings_application.h"
#include "settings/piece_settings_file.h"
#include "settings/settings_persistence.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

namespace {

using namespace settings_command;

void NameItems(SettingsMenu& menu, int place, const std::string& name, bool loadable) {
    const auto at = static_cast<std::size_t>(place);
    menu.load[at] = {menu.load[at].id, name, loadable};
    menu.saveOver[at] = {menu.saveOver[at].id, name, true};
    menu.remove[at] = {menu.remove[at].id, name, true};
}

SettingsMenu EmptyMenu(int loadId, int saveOverId, int removeId) {
    SettingsMenu menu;
    for (int place = 0; place < kNamedSetCount; ++place) {
        const auto at = static_cast<std::size_t>(place);
        menu.load[at].id = loadId + place;
        menu.saveOver[at].id = saveOverId + place;
        menu.remove[at].id = removeId + place;
    }
    return menu;
}

bool InRange(int id, int first) {
    return id >= first && id < first + kNamedSetCount;
}

}  // namespace

SystemSettingsMenu BuildSystemSettingsMenu(const platform::SettingsStore* store, bool playing) {
    SystemSettingsMenu menu;
    menu.items = EmptyMenu(kLoadSystemSet, kSaveOverSystemSet, kRemoveSystemSet);
    if (store != nullptr) menu.names = NamedSystemSettings(*store);
    for (std::size_t place = 0; place < menu.names.size(); ++place)
        NameItems(menu.items, static_cast<int>(place), menu.names[place], !playing);
    menu.items.saveAsEnabled = menu.names.size() < kNamedSetCount;
    return menu;
}

PieceSettingsMenu BuildPieceSettingsMenu(const PieceSettingsStore& stored, bool playing) {
    PieceSettingsMenu menu;
    menu.items = EmptyMenu(kLoadPieceSlot, kSaveOverPieceSlot, kRemovePieceSlot);
    menu.built = true;
    for (int place = 0; place < kNamedSetCount; ++place) {
        const int slot = place + 1;
        menu.slotUsed[static_cast<std::size_t>(place)] = stored.SlotUsed(slot);
        if (stored.SlotUsed(slot)) NameItems(menu.items, place, stored.SlotName(slot), !playing);
    }
    menu.items.saveAsEnabled =
        !std::all_of(menu.slotUsed.begin(), menu.slotUsed.end(), [](bool used) { return used; });
    return menu;
}

std::optional<std::string> NamedSettings::StartUp(bool wantFileToOpen) {
    const SystemSettingsLoad load =
        LoadSystemSettings(engine_, kRevertSettingsName, false, wantFileToOpen);
    RebuildSystemSettingsMenu();
    return load.fileToOpen;
}

LoadResult NamedSettings::OpenPiece(const std::string& path) {
    const LoadResult result = OpenPieceWithSettings(engine_, path);
    if (result == LoadResult::Loaded) RebuildPieceSettingsMenu();
    return result;
}

void NamedSettings::RebuildSystemSettingsMenu() {
    system_ = BuildSystemSettingsMenu(engine_.SettingsStoreInUse(),
                                      engine_.GetTransport().Mode().playing);
    engine_.GetSettingsUi().SettingsMenusChanged();
}

void NamedSettings::RebuildPieceSettingsMenu() {
    const std::optional<PieceSettingsStore> stored = ReadPieceSettings(engine_);
    if (!stored) return;
    piece_ = BuildPieceSettingsMenu(*stored, engine_.GetTransport().Mode().playing);
    engine_.GetSettingsUi().SettingsMenusChanged();
}

bool NamedSettings::DispatchSettingsCommand(int id) {
    const bool changesLiveSettings = id == kRevertSystem || id == kDefaultSystem ||
                                     id == kRevertPiece || id == kDefaultPiece ||
                                     InRange(id, kLoadSystemSet) || InRange(id, kLoadPieceSlot);
    // The menu greys these while playing; a stray command must not swap
    // settings under the running tick.
    if (changesLiveSettings && engine_.GetTransport().Mode().playing) return true;
    if (id == kRevertSystem) {
        LoadSystemSettings(engine_, kRevertSettingsName, false);
    } else if (id == kDefaultSystem) {
        DefaultSystemSettings(engine_, true);
    } else if (InRange(id, kLoadSystemSet)) {
        LoadSystemSet(id - kLoadSystemSet);
    } else if (id == kSaveSystemAs) {
        SaveSystemAs();
    } else if (InRange(id, kSaveOverSystemSet)) {
        SaveOverSystemSet(id - kSaveOverSystemSet);
    } else if (InRange(id, kRemoveSystemSet)) {
        RemoveSystemSet(id - kRemoveSystemSet);
    } else if (id == kRevertPiece) {
        if (engine_.CurrentPiece() != nullptr && !ApplyPieceSettings(engine_, 0, false))
            ShowError(string_id::kCannotRevertSettings);
    } else if (id == kDefaultPiece) {
        DefaultPieceSettings(engine_, true);
    } else if (InRange(id, kLoadPieceSlot)) {
        LoadPieceSlot(id - kLoadPieceSlot + 1);
    } else if (id == kSavePieceAs) {
        SavePieceAs();
    } else if (InRange(id, kSaveOverPieceSlot)) {
        SaveOverPieceSlot(id - kSaveOverPieceSlot + 1);
    } else if (InRange(id, kRemovePieceSlot)) {
        RemovePieceSlot(id - kRemovePieceSlot + 1);
    } else {
        return false;
    }
    return true;
}

void NamedSettings::LoadSystemSet(int place) {
    if (static_cast<std::size_t>(place) >= system_.names.size()) return;
    LoadSystemSettings(engine_, system_.names[static_cast<std::size_t>(place)], true);
}

void NamedSettings::SaveSystemAs() {
    const std::optional<std::string> name = AskName();
    if (!name) return;
    // A name already saved is overwritten without a question.
    if (!StoreSystemSettings(engine_, *name)) ShowError(string_id::kCannotSaveSettings);
    RebuildSystemSettingsMenu();
}

void NamedSettings::SaveOverSystemSet(int place) {
    if (static_cast<std::size_t>(place) >= system_.names.size()) return;
    const std::string name = system_.names[static_cast<std::size_t>(place)];
    if (!Confirm(string_id::kConfirmReplaceSettings, name)) return;
    if (!StoreSystemSettings(engine_, name)) ShowError(string_id::kCannotSaveSettings);
}

void NamedSettings::RemoveSystemSet(int place) {
    if (static_cast<std::size_t>(place) >= system_.names.size()) return;
    const std::string name = system_.names[static_cast<std::size_t>(place)];
    if (!Confirm(string_id::kConfirmRemoveSettings, name)) return;
    if (platform::SettingsStore* store = engine_.SettingsStoreInUse())
        RemoveSystemSettings(*store, name);
    RebuildSystemSettingsMenu();
}

void NamedSettings::LoadPieceSlot(int slot) {
    if (engine_.CurrentPiece() == nullptr) return;
    if (!ApplyPieceSettings(engine_, slot, true)) ShowError(string_id::kCannotLoadSettings);
}

void NamedSettings::SavePieceAs() {
    if (engine_.CurrentPiece() == nullptr) return;
    if (!PieceFileHoldsSettings(engine_) && !SaveScoreAsMidiFile(engine_)) return;
    const std::optional<std::string> name = AskName();
    if (!name) return;
    int slot = 0;
    for (int place = 0; place < kNamedSetCount && slot == 0; ++place) {
        if (!piece_.slotUsed[static_cast<std::size_t>(place)]) slot = place + 1;
    }
    if (slot == 0 || !StorePieceSettings(engine_, slot, *name)) {
        ShowError(string_id::kCannotSaveSettings);
        return;
    }
    RebuildPieceSettingsMenu();
}

void NamedSettings::SaveOverPieceSlot(int slot) {
    if (engine_.CurrentPiece() == nullptr) return;
    const std::optional<PieceSettingsStore> stored = ReadPieceSettings(engine_);
    if (!stored) {
        ShowError(string_id::kCannotSaveSettings);
        return;
    }
    if (!stored->SlotUsed(slot)) return;
    if (!Confirm(string_id::kConfirmReplaceSettings, stored->SlotName(slot))) return;
    if (!StorePieceSettings(engine_, slot, std::nullopt)) ShowError(string_id::kCannotSaveSettings);
}

void NamedSettings::RemovePieceSlot(int slot) {
    std::optional<PieceSettingsStore> stored = ReadPieceSettings(engine_);
    if (!stored || !stored->SlotUsed(slot)) return;
    if (!Confirm(string_id::kConfirmRemoveSettings, stored->SlotName(slot))) return;
    stored->RemoveSlot(slot);
    // A failed write leaves the file as it was; the lists show what it holds.
    WritePieceSettingsStore(engine_.CurrentPiece()->path, *stored);
    RebuildPieceSettingsMenu();
}

void NamedSettings::ShowError(int id) {
    engine_.Ui().ShowMessage(StringTable().Get(id));
}

bool NamedSettings::Confirm(int prefixId, const std::string& name) {
    const StringTable strings;
    std::string text(strings.Get(prefixId));
    text += name;
    text += strings.Get(string_id::kConfirmSettingsSuffix);
    return engine_.Ui().ConfirmMessage(text);
}

std::optional<std::string> NamedSettings::AskName() {
    std::optional<std::string> name = engine_.GetSettingsUi().AskSettingsName();
    if (name && (name->empty() || name->size() > kMaxSlotNameLength)) return std::nullopt;
    return name;
}

}  // namespace ostinel
