#include "gui/score_view_place.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ostinel::gui {
namespace {

constexpr std::size_t kBytes = 20;
constexpr int kFarthest = 20000;  // design pixels from the centre, and the largest size

std::int32_t ReadI32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    const std::uint32_t value = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                                std::uint32_t(bytes[at + 2]) << 16 |
                                std::uint32_t(bytes[at + 3]) << 24;
    return static_cast<std::int32_t>(value);
}

void WriteI32(std::array<std::uint8_t, kBytes>& bytes, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = std::uint8_t(v >> (8 * i));
}

bool Within(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

}  // namespace

std::optional<views::ScoreViewPlace> ReadScoreViewPlace(const platform::SettingsStore& store) {
    const auto bytes = store.Read(kScoreViewKey, kScoreViewValue);
    if (!bytes || bytes->size() != kBytes) return std::nullopt;
    const std::int32_t shown = ReadI32(*bytes, 0);
    views::ScoreViewPlace place{shown != 0, ReadI32(*bytes, 4), ReadI32(*bytes, 8),
                                ReadI32(*bytes, 12), ReadI32(*bytes, 16)};
    if (!Within(shown, 0, 1) || !Within(place.left, -kFarthest, kFarthest) ||
        !Within(place.top, -kFarthest, kFarthest) ||
        !Within(place.width, views::ScoreView::kMinimumWidth, kFarthest) ||
        !Within(place.height, views::ScoreView::kMinimumHeight, kFarthest))
        return std::nullopt;
    return place;
}

bool WriteScoreViewPlace(platform::SettingsStore& store, const views::ScoreViewPlace& place) {
    std::array<std::uint8_t, kBytes> bytes{};
    WriteI32(bytes, 0, place.shown ? 1 : 0);
    WriteI32(bytes, 4, place.left);
    WriteI32(bytes, 8, place.top);
    WriteI32(bytes, 12, place.width);
    WriteI32(bytes, 16, place.height);
    return store.Write(kScoreViewKey, kScoreViewValue, bytes);
}

}  // namespace ostinel::gui
