#pragma once

// How the settings-store fuzzer reads its input, and the seed program writes
// it: records of (key index, value-name index, length u16 little-endian,
// bytes), so that the fuzzer mutates values without having to rediscover
// the store's keys.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostinel::fuzzing {

inline constexpr std::array<std::string_view, 8> kStoreKeys{
    "Settings Version",   "System Variables",    "Remote Commands", "File Path",
    "Input Device Names", "Output Device Names", "Main Window",     "Named Sets"};
inline constexpr std::array<std::string_view, 4> kStoreNames{".", "Concert", "Hall", ""};

inline void AppendRecord(std::vector<std::uint8_t>& out, std::uint8_t key, std::uint8_t name,
                         const std::vector<std::uint8_t>& bytes) {
    out.push_back(key);
    out.push_back(name);
    out.push_back(static_cast<std::uint8_t>(bytes.size() & 0xFF));
    out.push_back(static_cast<std::uint8_t>(bytes.size() >> 8));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace ostinel::fuzzing
