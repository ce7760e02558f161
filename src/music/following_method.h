#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostinel {

// How the follower decides where the soloist is: the window matching with
// chord roles, or a probability over the score's chords with a tempo filter.
enum class FollowingMethod : std::uint8_t { Matching = 0, Probability = 1 };

// What new settings follow by: the probability method keeps its place in fast,
// dense playing and after skips; matching stays one choice away.
inline constexpr FollowingMethod kDefaultFollowingMethod = FollowingMethod::Probability;

inline constexpr std::string_view FollowingMethodName(FollowingMethod method) {
    return method == FollowingMethod::Probability ? "probability" : "matching";
}

inline constexpr std::optional<FollowingMethod> FollowingMethodNamed(std::string_view name) {
    if (name == "matching") return FollowingMethod::Matching;
    if (name == "probability") return FollowingMethod::Probability;
    return std::nullopt;
}

}  // namespace ostinel
