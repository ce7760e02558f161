#pragma once

#include "platform/settings_store.h"
#include "platform/settings_values.h"

namespace ostinel::platform {

// Settings kept in memory only, for tests and offline runs. A test can make
// every change fail, as a full disk would.
class MemorySettingsStore final : public SettingsStore {
  public:
    std::optional<std::vector<std::uint8_t>> Read(std::string_view key,
                                                  std::string_view valueName) const override;
    bool Write(std::string_view key, std::string_view valueName,
               std::span<const std::uint8_t> bytes) override;
    bool Remove(std::string_view key, std::string_view valueName) override;
    bool RemoveKey(std::string_view key) override;
    std::vector<std::string> Keys() const override;
    std::vector<std::string> ValueNames(std::string_view key) const override;

    // While set, Write, Remove and RemoveKey change nothing and return false.
    void SetChangesFail(bool fail) { changesFail_ = fail; }
    // How many Write calls succeeded, so tests can tell a write from none.
    int WriteCount() const { return writeCount_; }

  private:
    SettingsValues values_;
    bool changesFail_ = false;
    int writeCount_ = 0;
};

}  // namespace ostinel::platform
