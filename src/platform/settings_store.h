#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostinel::platform {

// The user's stored settings: named keys, each holding named binary values.
// Keys exist while they hold a value. Listing keeps the store's own order
// (a value keeps its place when it is written again); nothing is sorted.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // main thread. None when the key or the value is missing.
    virtual std::optional<std::vector<std::uint8_t>> Read(std::string_view key,
                                                          std::string_view valueName) const = 0;
    // main thread. False, and the store unchanged, when it cannot be kept.
    virtual bool Write(std::string_view key, std::string_view valueName,
                       std::span<const std::uint8_t> bytes) = 0;
    // main thread. True when the value is gone afterwards (also when it never was).
    virtual bool Remove(std::string_view key, std::string_view valueName) = 0;
    // main thread. Removes the key with all its values; true when it is gone afterwards.
    virtual bool RemoveKey(std::string_view key) = 0;

    // main thread
    virtual std::vector<std::string> Keys() const = 0;
    // main thread. Empty for a missing key.
    virtual std::vector<std::string> ValueNames(std::string_view key) const = 0;
};

}  // namespace ostinel::platform
