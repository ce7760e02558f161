#pragma once

// Reading and writing integers at fixed offsets of a stored record, in either
// byte order. Callers check the record's size once; these never bounds-check.

#include <cstddef>
#include <cstdint>
#include <span>

namespace ostinel::settings_bytes {

inline void PutLe16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    PutLe16(out, at, static_cast<std::uint16_t>(value));
    PutLe16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void PutBe16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

inline void PutBe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    PutBe16(out, at, static_cast<std::uint16_t>(value >> 16));
    PutBe16(out, at + 2, static_cast<std::uint16_t>(value));
}

inline std::uint16_t GetLe16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

inline std::uint32_t GetLe32(std::span<const std::uint8_t> in, std::size_t at) {
    return GetLe16(in, at) | (static_cast<std::uint32_t>(GetLe16(in, at + 2)) << 16);
}

inline std::uint16_t GetBe16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>((in[at] << 8) | in[at + 1]);
}

inline std::uint32_t GetBe32(std::span<const std::uint8_t> in, std::size_t at) {
    return (static_cast<std::uint32_t>(GetBe16(in, at)) << 16) | GetBe16(in, at + 2);
}

inline std::int16_t AsSigned(std::uint16_t value) {
    return static_cast<std::int16_t>(value);
}

inline std::uint16_t AsUnsigned(std::int16_t value) {
    return static_cast<std::uint16_t>(value);
}

}  // namespace ostinel::settings_bytes
