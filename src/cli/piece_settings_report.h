#pragma once

#include <string>

#include "settings/piece_settings_store.h"

namespace ostinel::cli {

// The piece's stored sets in words: slot 0 (what the piece was left with)
// and slots 1-4, each with its loop, master settings, following tracks,
// display name, markers and tracks.
std::string DescribePieceSettings(const PieceSettingsStore& stored);

// One line per slot 1-4: its number and name, or "(no settings saved)".
std::string ListPieceSettings(const PieceSettingsStore& stored);

}  // namespace ostinel::cli
