#pragma once

#include <string>

#include "platform/settings_store.h"
#include "platform/settings_values.h"

namespace ostinel::platform {

// The settings store as one text file, read whole at construction and
// rewritten whole on every change: the new contents go to a temporary file
// in the same folder, which is then renamed over the old one, so the file on
// disk is always either the old store or the new one.
//
// The file reads:
//   Ostinel settings 1
//   <key> <value name> <bytes in hex>      one line per value, in store order
//   end
// Names escape '%', spaces and every byte outside printable ASCII as %XX.
// A file that is not exactly this (another version, a damaged line, a
// missing "end", more than kMaxFileBytes) reads as an empty store; the first
// change that is then written moves it aside to "<path>.damaged" instead of
// destroying it.
class FileSettingsStore final : public SettingsStore {
  public:
    enum class FileState {
        Missing,  // no file yet: an empty store
        Read,     // read as it stands
        Damaged,  // unreadable or not in the format above: an empty store
    };

    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    // main thread. Reads `path` now; an empty path keeps the store in memory
    // and makes every change fail.
    explicit FileSettingsStore(std::string path);

    // $XDG_CONFIG_HOME/Quarnet/Ostinel/1.0/settings.txt, with ~/.config when
    // XDG_CONFIG_HOME is unset or relative; empty when neither is known.
    static std::string DefaultPath();

    std::optional<std::vector<std::uint8_t>> Read(std::string_view key,
                                                  std::string_view valueName) const override;
    bool Write(std::string_view key, std::string_view valueName,
               std::span<const std::uint8_t> bytes) override;
    bool Remove(std::string_view key, std::string_view valueName) override;
    bool RemoveKey(std::string_view key) override;
    std::vector<std::string> Keys() const override;
    std::vector<std::string> ValueNames(std::string_view key) const override;

    // main thread. How the file was found at construction or the last change.
    FileState State() const { return state_; }
    const std::string& Path() const { return path_; }

  private:
    // Puts `next` on disk; the store takes it only when that worked.
    bool Commit(SettingsValues next);

    std::string path_;
    SettingsValues values_;
    FileState state_ = FileState::Missing;
};

}  // namespace ostinel::platform
