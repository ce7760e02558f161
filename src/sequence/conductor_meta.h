#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostinel {

// One entry of the conductor meta stream.
struct ConductorMetaEvent {
    std::uint32_t tick = 0;
    std::uint8_t type = 0;
    std::span<const std::uint8_t> data;
};

// Walks the conductor meta stream (tick u32 in native order, type, length as a
// variable-length quantity, data) entry by entry. Stops at the end, or at an
// entry that would run past it.
class ConductorMetaReader {
  public:
    explicit ConductorMetaReader(const std::vector<std::uint8_t>& stream) : stream_(stream) {}

    // False when no whole entry is left.
    bool Next(ConductorMetaEvent& event);

  private:
    const std::vector<std::uint8_t>& stream_;
    std::size_t position_ = 0;
};

}  // namespace ostinel
