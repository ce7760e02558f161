#pragma once

// Every set of the system settings store with named parts, for showing,
// exporting and importing them.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "settings/settings_persistence.h"

namespace ostinel::cli {

// One named set as the store keeps it; parts the store lacks are none.
struct StoredSystemSet {
    std::string name;
    std::optional<SystemSettings> settings;
    std::optional<RemoteTable> remote;
    std::optional<FollowingMethod> method;  // kept beside the record
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

}  // namespace ostinel::cli
