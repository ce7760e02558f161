#include "gui/window_placement.h"

#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace ostinel::gui {

namespace {

std::int32_t ReadI32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    const std::uint32_t value = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                                std::uint32_t(bytes[at + 2]) << 16 |
                                std::uint32_t(bytes[at + 3]) << 24;
    return static_cast<std::int32_t>(value);
}

void WriteI32(std::array<std::uint8_t, 16>& bytes, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = std::uint8_t(v >> (8 * i));
}

}  // namespace

std::optional<WindowPlacement> ReadWindowPlacement(const platform::SettingsStore& store) {
    const auto bytes = store.Read(kMainWindowKey, kMainWindowValue);
    if (!bytes || bytes->size() != 16) return std::nullopt;
    return WindowPlacement{ReadI32(*bytes, 0), ReadI32(*bytes, 4), ReadI32(*bytes, 8),
                           ReadI32(*bytes, 12)};
}

bool WriteWindowPlacement(platform::SettingsStore& store, const WindowPlacement& placement) {
    std::array<std::uint8_t, 16> bytes{};
    WriteI32(bytes, 0, placement.left);
    WriteI32(bytes, 4, placement.top);
    WriteI32(bytes, 8, placement.right);
    WriteI32(bytes, 12, placement.bottom);
    return store.Write(kMainWindowKey, kMainWindowValue, bytes);
}

WindowShow ShowFor(const std::optional<WindowPlacement>& placement, const QRect& available) {
    const int maxW = available.width() - 6;
    const int maxH = available.height() - 6;
    WindowShow show;
    if (!placement) {
        show.geometry = QRect(available.left(), available.top(), maxW, maxH);
        return show;
    }
    WindowPlacement p = *placement;
    if (p.right < 0) {
        p.right = -p.right;
        show.minimised = true;
    } else if (p.bottom < 0) {
        p.bottom = -p.bottom;
        show.maximised = true;
    }
    p.left = std::max(p.left, 0);
    p.top = std::max(p.top, 0);
    p.right = std::min(p.right, maxW);
    p.bottom = std::min(p.bottom, maxH);
    show.geometry =
        QRect(p.left, p.top, std::max(p.right - p.left, 100), std::max(p.bottom - p.top, 100));
    return show;
}

WindowPlacement PlacementOf(const QWidget& window) {
    const QRect normal =
        window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    WindowPlacement p{normal.left(), normal.top(), normal.left() + normal.width(),
                      normal.top() + normal.height()};
    if (window.isMinimized())
        p.right = -p.right;
    else if (window.isMaximized())
        p.bottom = -p.bottom;
    return p;
}

void ShowAsPlaced(QWidget& window, const platform::SettingsStore& store, const QRect& available) {
    const WindowShow show = ShowFor(ReadWindowPlacement(store), available);
    window.setGeometry(show.geometry);
    if (show.minimised)
        window.showMinimized();
    else if (show.maximised)
        window.showMaximized();
    else
        window.show();
}

}  // namespace ostinel::gui
