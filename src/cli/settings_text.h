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

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "settings/settings_persistence.h"

namespace ostinel::cli {

// One named set as the store keeps it; parts the store lacks are none.
struct StoredSystemSet {
    std::string name;
    std::optional<SystemSettings> settings;
    std::optional<RemoteTable> remote;
    std::optional<std::array<std::string, kSettingsPortCount>> inputDeviceNames;
    std::optional<std::array<std::string, kSettingsPortCount>> outputDeviceNames;
    std::optional<std::string> filePath;  // "." only
};

struct StoredSystemSettings {
    std::vector<StoredSystemSet> sets;  // in the store's order, "." where the store has it
    std::optional<StoredWindowRect> mainWindow;
};

// main thread: every set of the store, also those past the fourth.
StoredSystemSettings ReadStoredSystemSettings(const platform::SettingsStore& store);

// main thread: makes the store hold exactly `stored` (stamped with the
// current format version). False when a value could not be written; what
// was written by then stays.
bool ReplaceStoredSystemSettings(platform::SettingsStore& store,
                                 const StoredSystemSettings& stored);

std::string FormatSystemSettingsText(const StoredSystemSettings& stored);
// Just the fields of one set, for showing.
std::string FormatSystemSet(const StoredSystemSet& set);

struct SettingsTextResult {
    std::optional<StoredSystemSettings> stored;
    std::string error;  // "line N: ..." when stored is none
};
SettingsTextResult ParseSystemSettingsText(std::string_view text);

}  // namespace ostinel::cli
