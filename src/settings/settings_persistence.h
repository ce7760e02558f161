#pragma once

// The system settings in the settings store: one value per settings name
// under each key, "." holding the current settings that Revert brings back.
// The operations here touch only the store and the records handed to them;
// re-opening devices and applying the records is the caller's next step.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "music/following_method.h"
#include "platform/settings_store.h"
#include "settings/settings_records.h"

namespace ostinel {

inline constexpr std::string_view kSettingsVersionKey = "Settings Version";
inline constexpr std::string_view kSystemVariablesKey = "System Variables";
inline constexpr std::string_view kRemoteCommandsKey = "Remote Commands";
inline constexpr std::string_view kFilePathKey = "File Path";
inline constexpr std::string_view kMainWindowKey = "Main Window";
// Device numbers change when devices come and go; their names let a load find
// the device each port had.
inline constexpr std::string_view kInputDeviceNamesKey = "Input Device Names";
inline constexpr std::string_view kOutputDeviceNamesKey = "Output Device Names";
// The following method, one byte, beside the system record rather than in it.
inline constexpr std::string_view kFollowingMethodKey = "Following Method";

inline constexpr std::string_view kRevertSettingsName = ".";
inline constexpr std::uint16_t kSettingsFormatVersion = 0;
// The stored path is at least this long: text, a zero, zero padding.
inline constexpr std::size_t kFilePathBytes = 260;
inline constexpr std::size_t kMaxFilePathBytes = 4096;
inline constexpr std::size_t kMaxNamedSystemSettings = 4;
// Device numbers a port can hold (the port table's device slots).
inline constexpr std::size_t kDeviceNumberCount = 16;

// The platform's MIDI devices by device number, as the port table numbers them.
struct MidiDeviceNames {
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
};

// The live state that the system settings store keeps.
struct SystemSettingsState {
    SystemSettings settings;
    RemoteTable remote = DefaultRemoteTable();
    FollowingMethod method = kDefaultFollowingMethod;
    std::string filePath;  // the open file's path, kept with "." only
};

struct SystemSettingsLoad {
    bool revertPointKept = true;  // false: the current settings could not be kept for Revert
    bool storeWasCurrent = false;
    bool settingsFromStore = false;  // false: the defaults were filled in
    bool remoteFromStore = false;    // false: no remote command is bound
    std::optional<std::string> fileToOpen;
};

// The main window's rectangle; right negated when minimized, bottom when maximized.
struct StoredWindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const StoredWindowRect&, const StoredWindowRect&) = default;
};

// main thread. Loads settings `name` into `live`; never fails: what cannot be
// read becomes the defaults. With `keepRevertPoint` the live settings are
// first stored as ".". A store of another format version is wiped and
// stamped current. With `wantFileToOpen` (no piece open, none named on the
// command line) a current store's last file path is returned.
SystemSettingsLoad LoadSystemSettings(platform::SettingsStore& store, std::string_view name,
                                      bool keepRevertPoint, bool wantFileToOpen,
                                      const MidiDeviceNames& devices, SystemSettingsState& live);

// main thread. Stores `live` as settings `name`, with each port's device name
// beside the device numbers and, for ".", the file path. False at the first
// value that cannot be written; later ones are then not written.
bool StoreSystemSettings(platform::SettingsStore& store, std::string_view name,
                         const SystemSettingsState& live, const MidiDeviceNames& devices);

// main thread. Removes settings `name` from every key but the file path's.
bool RemoveSystemSettings(platform::SettingsStore& store, std::string_view name);

// main thread. The names of the saved sets in store order, "." left out, at most four.
std::vector<std::string> NamedSystemSettings(const platform::SettingsStore& store);

// main thread
bool StoreMainWindow(platform::SettingsStore& store, const StoredWindowRect& rect);
// main thread. None unless exactly 16 bytes are stored.
std::optional<StoredWindowRect> LoadMainWindow(const platform::SettingsStore& store);

// The stored path: the text, a zero, zero padding to at least 260 bytes.
std::vector<std::uint8_t> EncodeFilePath(std::string_view path);
// The text up to the first zero; none when it is empty.
std::optional<std::string> DecodeFilePath(std::span<const std::uint8_t> bytes);

// Each port's device name (empty when its number names no device): eight
// names of a length byte and up to 255 characters each.
std::vector<std::uint8_t> EncodeDeviceNames(std::span<const std::uint16_t> numbers,
                                            std::span<const std::string> devices);
// None when the bytes do not hold exactly eight names.
std::optional<std::array<std::string, kSettingsPortCount>> DecodeDeviceNames(
    std::span<const std::uint8_t> bytes);

// Moves each port to the device that now carries its stored name. A port
// keeps its number when its device still has that name, when the name is
// empty or no longer found, or when the device found lies past the port
// table's sixteen device numbers.
void MapDeviceNamesToNumbers(const std::array<std::string, kSettingsPortCount>& names,
                             std::span<const std::string> devices,
                             std::array<std::uint16_t, kSettingsPortCount>& numbers);

}  // namespace ostinel
