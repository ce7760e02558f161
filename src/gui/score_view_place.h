#pragma once

#include <optional>

#include "platform/settings_store.h"
#include "views/score_view.h"

namespace ostinel::gui {

// The Score view's place, kept in a key of its own beside the settings
// records (whose bytes stay as they are): five little-endian i32, shown
// (0 or 1), left, top, width, height in design pixels.
inline constexpr const char* kScoreViewKey = "Software\\Quarnet\\Ostinel\\1.0\\Score View";
inline constexpr const char* kScoreViewValue = ".";

// main thread. None when the value is missing, not 20 bytes long or out of range.
std::optional<views::ScoreViewPlace> ReadScoreViewPlace(const platform::SettingsStore& store);
bool WriteScoreViewPlace(platform::SettingsStore& store, const views::ScoreViewPlace& place);

}  // namespace ostinel::gui
