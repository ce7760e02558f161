#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ostinel {

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;

// How many bytes a message with this status byte has on the wire, the status
// included: 3 for note, key pressure, controller and pitch wheel messages and
// for the song position pointer, 2 for program change, channel pressure,
// time code quarter frame and song select, 1 for the other system messages.
// 0 for a data byte, which cannot begin a message (we never use running
// status).
constexpr std::size_t ShortMessageLength(std::uint8_t status) {
    if (status < 0x80) return 0;
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    if (status == 0xF1 || status == 0xF3) return 2;
    if (status == 0xF2) return 3;
    return 1;
}

// True for note, pressure, controller, program and pitch wheel messages: the
// ones that carry a channel in their low four bits.
constexpr bool IsChannelMessage(std::uint8_t status) {
    return status >= 0x80 && status < 0xF0;
}

// The length of the system-exclusive message at the start of `bytes`: up to
// and including the first F7 after the leading F0. A piece keeps its messages
// as F0, the file's data with its own F7, and one more F7; only the first F7
// ends the message. 0 when there is no F7 to end it.
constexpr std::size_t SysexLength(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (bytes[i] == kSysexEnd) return i + 1;
    }
    return 0;
}

}  // namespace ostinel
