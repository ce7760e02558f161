#include "gui/desktop_settings.h"

#include <algorithm>

#include "app/command_ids.h"
#include "app/piece_settings_application.h"
#include "dialogs/save_settings_dialog.h"

namespace ostinel::gui {
namespace {

SavedSettingsNames NamesOf(const SettingsMenu& menu) {
    SavedSettingsNames names;
    for (std::size_t slot = 0; slot < names.size(); ++slot) {
        // A load item without a set behind it keeps the "(no settings saved)" text.
        const SettingsMenuItem& item = menu.saveOver[slot];
        if (item.enabled) names[slot] = item.text;
    }
    return names;
}

}  // namespace

DesktopSettings::DesktopSettings(Engine& engine, MainWindow& window)
    : engine_(engine), window_(window), named_(engine) {
    engine_.UseSettingsUi(*this);
    window_.SetNamedSettingsCommands(this);
}

std::optional<std::string> DesktopSettings::StartUp(bool wantLastPiece) {
    return named_.StartUp(wantLastPiece);
}

void DesktopSettings::StoreAtShutdown() {
    StoreSettingsAtShutdown(engine_);
}

bool DesktopSettings::CarryOut(int commandId) {
    const bool handled = named_.DispatchSettingsCommand(commandId);
    window_.RefreshMenus();
    return handled;
}

LoadResult DesktopSettings::OpenPiece(const std::string& path) {
    return named_.OpenPiece(path);
}

void DesktopSettings::ViewsLaidOut() {
    const PieceSettings& record = engine_.PieceRecord();
    ViewOrderChanged(record.viewOrder);
    ViewsShownChanged(record.viewShown);
    // The defaults keep no places (all zero): the views stay at home then.
    const bool placed = std::any_of(record.viewPlace.begin(), record.viewPlace.end(),
                                    [](const ViewPlace& place) { return place != ViewPlace{}; });
    if (placed && engine_.SystemRecord().rememberViewLocations != 0) PlaceViews(record.viewPlace);
}

void DesktopSettings::LoopAndMetronomeButtonsChanged(bool /*loopOn*/, bool /*metronomeOn*/) {
    window_.Area().MenuStateChanged();
}

void DesktopSettings::TracksChanged() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr) return;
    for (int track = 0; track < static_cast<int>(piece->tracks.size()); ++track)
        window_.Area().TrackChanged(track);
}

void DesktopSettings::IncomingMidiChanged() {
    window_.RefreshMenus();
}

void DesktopSettings::ViewsShownChanged(const std::array<std::uint8_t, kViewCount>& shown) {
    std::array<bool, views::kViewCount> views{};
    for (std::size_t view = 0; view < views.size(); ++view)
        views[view] = shown[view] != 0;
    window_.Area().SetViewsShown(views);
    window_.RefreshMenus();
}

void DesktopSettings::ViewOrderChanged(const std::array<std::uint16_t, kViewCount>& order) {
    std::array<int, views::kViewCount> front{};
    for (std::size_t place = 0; place < front.size(); ++place)
        front[place] = order[place];
    window_.Area().SetViewOrder(front);
}

void DesktopSettings::MoveViewsHome() {
    window_.Area().LayoutViews();
}

void DesktopSettings::PlaceViews(const std::array<ViewPlace, kViewCount>& places) {
    window_.Area().PlaceViews(places);
}

void DesktopSettings::FillViewState(PieceSettings& record) {
    record.viewPlace = window_.Area().ViewPlaces();
    const views::ViewLayout& layout = window_.Area().Layout();
    for (std::size_t view = 0; view < record.viewShown.size(); ++view)
        record.viewShown[view] = layout.Shown(static_cast<int>(view)) ? 1 : 0;
    for (std::size_t place = 0; place < record.viewOrder.size(); ++place)
        record.viewOrder[place] = static_cast<std::uint16_t>(layout.Order()[place]);
}

void DesktopSettings::PieceSettingsChanged() {
    window_.RefreshMenus();
    window_.ForceRepaint();
}

void DesktopSettings::SettingsMenusChanged() {
    window_.Menu().SetSavedSettingsNames(true, NamesOf(named_.SystemMenu().items));
    window_.Menu().SetSavedSettingsNames(false, NamesOf(named_.PieceMenu().items));
}

void DesktopSettings::OpenPortsDialog() {
    window_.DispatchCommand(command::kMidiPortsAndDevices);
}

std::optional<std::string> DesktopSettings::AskSettingsName() {
    return dialogs::AskSettingsName(window_.Dialogs());
}

std::optional<std::string> DesktopSettings::AskMidiFileForScore(const std::string& suggested) {
    return window_.AskMidiFileToSave(suggested);
}

}  // namespace ostinel::gui
