#include "platform/manual/memory_settings_store.h"

namespace ostinel::platform {

std::optional<std::vector<std::uint8_t>> MemorySettingsStore::Read(
    std::string_view key, std::string_view valueName) const {
    return values_.Read(key, valueName);
}

bool MemorySettingsStore::Write(std::string_view key, std::string_view valueName,
                                std::span<const std::uint8_t> bytes) {
    if (changesFail_) return false;
    values_.Write(key, valueName, bytes);
    ++writeCount_;
    return true;
}

bool MemorySettingsStore::Remove(std::string_view key, std::string_view valueName) {
    if (changesFail_) return false;
    values_.Remove(key, valueName);
    return true;
}

bool MemorySettingsStore::RemoveKey(std::string_view key) {
    if (changesFail_) return false;
    values_.RemoveKey(key);
    return true;
}

std::vector<std::string> MemorySettingsStore::Keys() const {
    return values_.Keys();
}

std::vector<std::string> MemorySettingsStore::ValueNames(std::string_view key) const {
    return values_.ValueNames(key);
}

}  // namespace ostinel::platform
