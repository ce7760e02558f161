#include "cli/stored_system_settings.h"

#include <algorithm>

namespace ostinel::cli {

namespace {

std::vector<std::uint8_t> EncodeNames(const std::array<std::string, kSettingsPortCount>& names) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& name : names) {
        const std::size_t length = std::min(name.size(), kMaxStoredNameLength);
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.insert(bytes.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return bytes;
}

}  // namespace

StoredSystemSettings ReadStoredSystemSettings(const platform::SettingsStore& store) {
    StoredSystemSettings stored;
    std::vector<std::string> names;
    for (std::string_view key : {kSystemVariablesKey, kRemoteCommandsKey, kInputDeviceNamesKey,
                                 kOutputDeviceNamesKey, kFilePathKey, kFollowingMethodKey}) {
        for (std::string& name : store.ValueNames(key)) {
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
        }
    }
    for (const std::string& name : names) {
        StoredSystemSet set{name, {}, {}, {}, {}, {}, {}};
        if (const auto bytes = store.Read(kSystemVariablesKey, name))
            set.settings = DecodeSystemSettings(*bytes);
        if (const auto bytes = store.Read(kRemoteCommandsKey, name))
            set.remote = DecodeRemoteTable(*bytes);
        if (const auto bytes = store.Read(kFollowingMethodKey, name);
            bytes && bytes->size() == 1 &&
            (*bytes)[0] <= static_cast<std::uint8_t>(FollowingMethod::Probability)) {
            set.method = static_cast<FollowingMethod>((*bytes)[0]);
        }
        if (const auto bytes = store.Read(kInputDeviceNamesKey, name))
            set.inputDeviceNames = DecodeDeviceNames(*bytes);
        if (const auto bytes = store.Read(kOutputDeviceNamesKey, name))
            set.outputDeviceNames = DecodeDeviceNames(*bytes);
        if (name == kRevertSettingsName) {
            if (const auto bytes = store.Read(kFilePathKey, name))
                set.filePath = DecodeFilePath(*bytes).value_or(std::string());
        }
        stored.sets.push_back(std::move(set));
    }
    stored.mainWindow = LoadMainWindow(store);
    return stored;
}

bool ReplaceStoredSystemSettings(platform::SettingsStore& store,
                                 const StoredSystemSettings& stored) {
    const std::array<std::uint8_t, 2> version{
        static_cast<std::uint8_t>(kSettingsFormatVersion),
        static_cast<std::uint8_t>(kSettingsFormatVersion >> 8)};
    if (!store.Write(kSettingsVersionKey, kRevertSettingsName, version)) return false;
    for (std::string_view key :
         {kSystemVariablesKey, kRemoteCommandsKey, kInputDeviceNamesKey, kOutputDeviceNamesKey,
          kFilePathKey, kMainWindowKey, kFollowingMethodKey}) {
        if (!store.RemoveKey(key)) return false;
    }
    for (const StoredSystemSet& set : stored.sets) {
        if (set.settings &&
            !store.Write(kSystemVariablesKey, set.name, EncodeSystemSettings(*set.settings)))
            return false;
        if (set.remote &&
            !store.Write(kRemoteCommandsKey, set.name, EncodeRemoteTable(*set.remote)))
            return false;
        if (set.method) {
            const std::array<std::uint8_t, 1> method{static_cast<std::uint8_t>(*set.method)};
            if (!store.Write(kFollowingMethodKey, set.name, method)) return false;
        }
        if (set.inputDeviceNames &&
            !store.Write(kInputDeviceNamesKey, set.name, EncodeNames(*set.inputDeviceNames)))
            return false;
        if (set.outputDeviceNames &&
            !store.Write(kOutputDeviceNamesKey, set.name, EncodeNames(*set.outputDeviceNames)))
            return false;
        if (set.filePath && !store.Write(kFilePathKey, set.name, EncodeFilePath(*set.filePath)))
            return false;
    }
    return !stored.mainWindow || StoreMainWindow(store, *stored.mainWindow);
}

}  // namespace ostinel::cli
