#pragma once

#include <charconv>
#include <string_view>

namespace ostinel::cli {

// A whole number within [low, high] written as the whole of `text`.
inline bool ReadNumberArgument(std::string_view text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (problem != std::errc{} || end != text.data() + text.size()) return false;
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace ostinel::cli
