#pragma once

// The system settings store as text a person can read, back up and edit:
//
//   # comments and blank lines are skipped
//   format = 1
//   [.]                          one section per set; "." is the current one
//   filePath = "/music/piece.mid"      "." only
//   mainWindow = 10 20 810 620         "." only: left top right bottom
//   autoStopDelayMs = 5000             one line per record field
//   inputDevice = 0 0 0 0 0 0 0 0      arrays as their values in order
//   channelEnabled.A = 1 1 ... 1       16 channels per input port
//   inputDeviceName.A = "Keyboard"     the device name kept beside each port
//   remote.playFile = note 60          none | note N | controller N | a raw number
//
// Set names and texts escape \\, \", \] and control characters (\n, \xNN).
// Every field a set stores is written; a field left out of a set on import
// takes its default.

#include <optional>
#include <string>
#include <string_view>

#include "cli/stored_system_settings.h"

namespace ostinel::cli {

std::string FormatSystemSettingsText(const StoredSystemSettings& stored);
// Just the fields of one set, for showing.
std::string FormatSystemSet(const StoredSystemSet& set);

struct SettingsTextResult {
    std::optional<StoredSystemSettings> stored;
    std::string error;  // "line N: ..." when stored is none
};
SettingsTextResult ParseSystemSettingsText(std::string_view text);

}  // namespace ostinel::cli
