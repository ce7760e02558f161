#pragma once

#include <QRect>
#include <cstdint>
#include <optional>

#include "platform/settings_store.h"

class QWidget;

namespace ostinel::gui {

// The main window's place as the settings store keeps it: left, top, right,
// bottom in screen pixels; a negative right means minimised, a negative
// bottom maximised, the magnitude being the real edge.
struct WindowPlacement {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

inline constexpr const char* kMainWindowKey = "Software\\Quarnet\\Ostinel\\1.0\\Main Window";
inline constexpr const char* kMainWindowValue = ".";

// main thread. None when the value is missing or not 16 bytes long.
std::optional<WindowPlacement> ReadWindowPlacement(const platform::SettingsStore& store);
bool WriteWindowPlacement(platform::SettingsStore& store, const WindowPlacement& placement);

// How a stored placement shows the window within a screen whose maximised
// window is `available`.
struct WindowShow {
    QRect geometry;
    bool minimised = false;
    bool maximised = false;
};
WindowShow ShowFor(const std::optional<WindowPlacement>& placement, const QRect& available);

// main thread: shows `window` as the store says it was left (in place,
// minimised or maximised) within a screen whose maximised window is
// `available`. A stored size smaller than the window's content needs grows
// to it, as the window's minimum size does.
void ShowAsPlaced(QWidget& window, const platform::SettingsStore& store, const QRect& available);

// The placement to store for a window: its normal rectangle, with the
// minimised or maximised mark.
WindowPlacement PlacementOf(const QWidget& window);

}  // namespace ostinel::gui
