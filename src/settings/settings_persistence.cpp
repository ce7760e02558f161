#include "settings/settings_persistence.h"

#include <algorithm>

#include "settings/byte_fields.h"
#include "settings/settings_ranges.h"

namespace ostinel {

namespace {

using namespace settings_bytes;

constexpr std::size_t kWindowRectBytes = 16;

bool StoreIsCurrent(platform::SettingsStore& store) {
    const auto version = store.Read(kSettingsVersionKey, kRevertSettingsName);
    if (version && version->size() == 2 && GetLe16(*version, 0) == kSettingsFormatVersion) {
        return true;
    }
    std::array<std::uint8_t, 2> stamp{};
    PutLe16(stamp, 0, kSettingsFormatVersion);
    // A failed stamp only means the next start finds the store stale again.
    store.Write(kSettingsVersionKey, kRevertSettingsName, stamp);
    return false;
}

void MapStoredDeviceNames(const platform::SettingsStore& store, std::string_view key,
                          std::string_view name, std::span<const std::string> devices,
                          std::array<std::uint16_t, kSettingsPortCount>& numbers) {
    const auto bytes = store.Read(key, name);
    if (!bytes) return;
    const auto names = DecodeDeviceNames(*bytes);
    if (names) MapDeviceNamesToNumbers(*names, devices, numbers);
}

}  // namespace

std::vector<std::uint8_t> EncodeFilePath(std::string_view path) {
    std::vector<std::uint8_t> bytes(path.begin(), path.end());
    bytes.push_back(0);
    if (bytes.size() < kFilePathBytes) bytes.resize(kFilePathBytes, 0);
    return bytes;
}

std::optional<std::string> DecodeFilePath(std::span<const std::uint8_t> bytes) {
    bytes = bytes.first(std::min(bytes.size(), kMaxFilePathBytes));
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    if (end == bytes.begin()) return std::nullopt;
    return std::string(bytes.begin(), end);
}

std::vector<std::uint8_t> EncodeDeviceNames(std::span<const std::uint16_t> numbers,
                                            std::span<const std::string> devices) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        std::string_view device;
        if (port < numbers.size() && numbers[port] < devices.size())
            device = devices[numbers[port]];
        device = device.substr(0, std::min(device.size(), kMaxStoredNameLength));
        bytes.push_back(static_cast<std::uint8_t>(device.size()));
        bytes.insert(bytes.end(), device.begin(), device.end());
    }
    return bytes;
}

std::optional<std::array<std::string, kSettingsPortCount>> DecodeDeviceNames(
    std::span<const std::uint8_t> bytes) {
    std::array<std::string, kSettingsPortCount> names;
    std::size_t at = 0;
    for (std::string& name : names) {
        if (at >= bytes.size() || bytes.size() - at - 1 < bytes[at]) return std::nullopt;
        const auto text = bytes.subspan(at + 1, bytes[at]);
        name.assign(text.begin(), text.end());
        at += 1 + text.size();
    }
    if (at != bytes.size()) return std::nullopt;
    return names;
}

void MapDeviceNamesToNumbers(const std::array<std::string, kSettingsPortCount>& names,
                             std::span<const std::string> devices,
                             std::array<std::uint16_t, kSettingsPortCount>& numbers) {
    const std::size_t count = std::min(devices.size(), kDeviceNumberCount);
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        const std::string& name = names[port];
        if (name.empty()) continue;
        if (numbers[port] < devices.size() && devices[numbers[port]] == name) continue;
        const auto found = std::find(devices.begin(), devices.begin() + count, name);
        if (found != devices.begin() + count) {
            numbers[port] = static_cast<std::uint16_t>(found - devices.begin());
        }
    }
}

SystemSettingsLoad LoadSystemSettings(platform::SettingsStore& store, std::string_view name,
                                      bool keepRevertPoint, bool wantFileToOpen,
                                      const MidiDeviceNames& devices, SystemSettingsState& live) {
    SystemSettingsLoad result;
    if (keepRevertPoint) {
        result.revertPointKept = StoreSystemSettings(store, kRevertSettingsName, live, devices);
    }
    result.storeWasCurrent = StoreIsCurrent(store);
    if (!result.storeWasCurrent) {
        store.RemoveKey(kSystemVariablesKey);
        store.RemoveKey(kRemoteCommandsKey);
        store.RemoveKey(kInputDeviceNamesKey);
        store.RemoveKey(kOutputDeviceNamesKey);
        store.RemoveKey(kFilePathKey);
        store.RemoveKey(kFollowingMethodKey);
        FillSystemSettingsDefaults(live.settings);
        live.remote = DefaultRemoteTable();
        live.method = kDefaultFollowingMethod;
        return result;
    }

    const auto settingsBytes = store.Read(kSystemVariablesKey, name);
    const auto settings =
        settingsBytes ? DecodeSystemSettings(*settingsBytes) : std::optional<SystemSettings>();
    result.settingsFromStore = settings.has_value();
    if (settings) {
        live.settings = *settings;
        KeepSystemSettingsInRange(live.settings);
        MapStoredDeviceNames(store, kInputDeviceNamesKey, name, devices.inputs,
                             live.settings.inputDevice);
        MapStoredDeviceNames(store, kOutputDeviceNamesKey, name, devices.outputs,
                             live.settings.outputDevice);
    } else {
        FillSystemSettingsDefaults(live.settings);
    }

    const auto remoteBytes = store.Read(kRemoteCommandsKey, name);
    const auto remote =
        remoteBytes ? DecodeRemoteTable(*remoteBytes) : std::optional<RemoteTable>();
    result.remoteFromStore = remote.has_value();
    live.remote = remote.value_or(DefaultRemoteTable());
    KeepRemoteTableInRange(live.remote);

    // Settings stored before the method could be chosen follow by matching.
    const auto methodBytes = store.Read(kFollowingMethodKey, name);
    live.method =
        methodBytes && methodBytes->size() == 1 &&
                (*methodBytes)[0] == static_cast<std::uint8_t>(FollowingMethod::Probability)
            ? FollowingMethod::Probability
            : FollowingMethod::Matching;

    if (wantFileToOpen) {
        if (const auto path = store.Read(kFilePathKey, name))
            result.fileToOpen = DecodeFilePath(*path);
    }
    return result;
}

bool StoreSystemSettings(platform::SettingsStore& store, std::string_view name,
                         const SystemSettingsState& live, const MidiDeviceNames& devices) {
    if (!store.Write(kSystemVariablesKey, name, EncodeSystemSettings(live.settings))) return false;
    if (!store.Write(kRemoteCommandsKey, name, EncodeRemoteTable(live.remote))) return false;
    const std::vector<std::uint8_t> method{static_cast<std::uint8_t>(live.method)};
    if (!store.Write(kFollowingMethodKey, name, method)) return false;
    if (name == kRevertSettingsName &&
        !store.Write(kFilePathKey, name, EncodeFilePath(live.filePath))) {
        return false;
    }
    if (!store.Write(kInputDeviceNamesKey, name,
                     EncodeDeviceNames(live.settings.inputDevice, devices.inputs))) {
        return false;
    }
    return store.Write(kOutputDeviceNamesKey, name,
                       EncodeDeviceNames(live.settings.outputDevice, devices.outputs));
}

bool RemoveSystemSettings(platform::SettingsStore& store, std::string_view name) {
    bool removed = true;
    for (std::string_view key : {kSystemVariablesKey, kRemoteCommandsKey, kInputDeviceNamesKey,
                                 kOutputDeviceNamesKey, kFollowingMethodKey}) {
        removed = store.Remove(key, name) && removed;
    }
    return removed;
}

std::vector<std::string> NamedSystemSettings(const platform::SettingsStore& store) {
    std::vector<std::string> names;
    for (std::string& name : store.ValueNames(kSystemVariablesKey)) {
        if (names.size() == kMaxNamedSystemSettings) break;
        if (name != kRevertSettingsName) names.push_back(std::move(name));
    }
    return names;
}

bool StoreMainWindow(platform::SettingsStore& store, const StoredWindowRect& rect) {
    std::array<std::uint8_t, kWindowRectBytes> bytes{};
    PutLe32(bytes, 0, static_cast<std::uint32_t>(rect.left));
    PutLe32(bytes, 4, static_cast<std::uint32_t>(rect.top));
    PutLe32(bytes, 8, static_cast<std::uint32_t>(rect.right));
    PutLe32(bytes, 12, static_cast<std::uint32_t>(rect.bottom));
    return store.Write(kMainWindowKey, kRevertSettingsName, bytes);
}

std::optional<StoredWindowRect> LoadMainWindow(const platform::SettingsStore& store) {
    const auto bytes = store.Read(kMainWindowKey, kRevertSettingsName);
    if (!bytes || bytes->size() != kWindowRectBytes) return std::nullopt;
    return StoredWindowRect{static_cast<std::int32_t>(GetLe32(*bytes, 0)),
                            static_cast<std::int32_t>(GetLe32(*bytes, 4)),
                            static_cast<std::int32_t>(GetLe32(*bytes, 8)),
                            static_cast<std::int32_t>(GetLe32(*bytes, 12))};
}

}  // namespace ostinel
