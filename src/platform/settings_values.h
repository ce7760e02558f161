#pragma once

// The keys and values of a settings store held in memory, in the order they
// were first written; both store backends keep their contents in one.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostinel::platform {

class SettingsValues {
  public:
    struct Value {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    struct Key {
        std::string name;
        std::vector<Value> values;
    };

    std::optional<std::vector<std::uint8_t>> Read(std::string_view key,
                                                  std::string_view valueName) const {
        const Key* found = FindKey(key);
        if (found == nullptr) return std::nullopt;
        for (const Value& value : found->values) {
            if (value.name == valueName) return value.bytes;
        }
        return std::nullopt;
    }

    void Write(std::string_view key, std::string_view valueName,
               std::span<const std::uint8_t> bytes) {
        Key* found = FindKey(key);
        if (found == nullptr) found = &keys_.emplace_back(Key{std::string(key), {}});
        for (Value& value : found->values) {
            if (value.name == valueName) {
                value.bytes.assign(bytes.begin(), bytes.end());
                return;
            }
        }
        found->values.push_back({std::string(valueName), {bytes.begin(), bytes.end()}});
    }

    void Remove(std::string_view key, std::string_view valueName) {
        Key* found = FindKey(key);
        if (found == nullptr) return;
        std::erase_if(found->values, [&](const Value& value) { return value.name == valueName; });
        // A key lives only while it holds a value.
        if (found->values.empty()) RemoveKey(key);
    }

    void RemoveKey(std::string_view key) {
        std::erase_if(keys_, [&](const Key& one) { return one.name == key; });
    }

    std::vector<std::string> Keys() const {
        std::vector<std::string> names;
        for (const Key& key : keys_)
            names.push_back(key.name);
        return names;
    }

    std::vector<std::string> ValueNames(std::string_view key) const {
        std::vector<std::string> names;
        if (const Key* found = FindKey(key)) {
            for (const Value& value : found->values)
                names.push_back(value.name);
        }
        return names;
    }

    const std::vector<Key>& AllKeys() const { return keys_; }

  private:
    const Key* FindKey(std::string_view key) const { return FindIn(keys_, key); }
    Key* FindKey(std::string_view key) { return FindIn(keys_, key); }

    template <typename KeyList>
    static auto FindIn(KeyList& keys, std::string_view key) -> decltype(keys.data()) {
        const auto it =
            std::find_if(keys.begin(), keys.end(), [&](const Key& one) { return one.name == key; });
        return it == keys.end() ? nullptr : &*it;
    }

    std::vector<Key> keys_;
};

}  // namespace ostinel::platform
