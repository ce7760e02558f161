// Feeds arbitrary values to the system settings' loader, as a damaged or
// hand-edited settings file would hold them. Besides crashes, hangs and
// leaks, it stops on loaded settings that a reader could index or compute
// with out of range.

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"
#include "settings/settings_persistence.h"
#include "settings/settings_ranges.h"
#include "stored_settings_framing.h"

namespace {

using namespace ostinel;

void Require(bool condition) {
    if (!condition) std::abort();
}

class FuzzedStore final : public platform::SettingsStore {
  public:
    std::optional<std::vector<std::uint8_t>> Read(std::string_view key,
                                                  std::string_view name) const override {
        const auto found = values_.find({std::string(key), std::string(name)});
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    bool Write(std::string_view key, std::string_view name,
               std::span<const std::uint8_t> bytes) override {
        values_[{std::string(key), std::string(name)}].assign(bytes.begin(), bytes.end());
        return true;
    }
    bool Remove(std::string_view key, std::string_view name) override {
        values_.erase({std::string(key), std::string(name)});
        return true;
    }
    bool RemoveKey(std::string_view key) override {
        std::erase_if(values_, [key](const auto& value) { return value.first.first == key; });
        return true;
    }
    std::vector<std::string> Keys() const override {
        std::vector<std::string> keys;
        for (const auto& [where, bytes] : values_)
            if (keys.empty() || keys.back() != where.first) keys.push_back(where.first);
        return keys;
    }
    std::vector<std::string> ValueNames(std::string_view key) const override {
        std::vector<std::string> names;
        for (const auto& [where, bytes] : values_)
            if (where.first == key) names.push_back(where.second);
        return names;
    }

  private:
    std::map<std::pair<std::string, std::string>, std::vector<std::uint8_t>> values_;
};

void CheckLoaded(const SystemSettingsState& live) {
    SystemSettings settings = live.settings;
    KeepSystemSettingsInRange(settings);
    Require(settings == live.settings);
    RemoteTable remote = live.remote;
    KeepRemoteTableInRange(remote);
    Require(remote == live.remote);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedStore store;
    std::size_t at = 0;
    while (at + 4 <= size) {
        const auto key = fuzzing::kStoreKeys[data[at] % fuzzing::kStoreKeys.size()];
        const auto name = fuzzing::kStoreNames[data[at + 1] % fuzzing::kStoreNames.size()];
        const std::size_t length = data[at + 2] | (std::size_t{data[at + 3]} << 8);
        at += 4;
        const std::size_t taken = std::min(length, size - at);
        store.Write(key, name, std::span<const std::uint8_t>(data + at, taken));
        at += taken;
    }
    const MidiDeviceNames devices{{"Keys", "Pedals"}, {"Ostinel Synth", "Piano", "Organ"}};
    for (const std::string_view name : fuzzing::kStoreNames) {
        SystemSettingsState live;
        const SystemSettingsLoad load = LoadSystemSettings(store, name, false, true, devices, live);
        CheckLoaded(live);
        if (load.fileToOpen) Require(!load.fileToOpen->empty());
    }
    for (const std::string& name : NamedSystemSettings(store))
        Require(name != kRevertSettingsName);
    Require(NamedSystemSettings(store).size() <= kMaxNamedSystemSettings);
    LoadMainWindow(store);
    return 0;
}
