#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ostinel {

// Channel message kinds: the upper four bits of the status byte.
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kKeyPressure = 0xA0;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kPitchWheel = 0xE0;
inline constexpr std::uint8_t kKindMask = 0xF0;
inline constexpr std::uint8_t kChannelMask = 0x0F;

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kSystemReset = 0xFF;
// In a file, not on the wire: a meta event's first byte.
inline constexpr std::uint8_t kMetaEvent = 0xFF;

// A short message as input devices deliver it, packed in one word: the
// status in bits 0-7, the first data byte in 8-15, the second in 16-23.
constexpr std::uint8_t StatusOf(std::uint32_t word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}
constexpr std::uint8_t Data1Of(std::uint32_t word) {
    return static_cast<std::uint8_t>((word >> 8) & 0xFF);
}
constexpr std::uint8_t Data2Of(std::uint32_t word) {
    return static_cast<std::uint8_t>((word >> 16) & 0xFF);
}
// For note messages the data bytes are the key and the velocity.
constexpr std::uint8_t KeyOf(std::uint32_t word) {
    return Data1Of(word);
}
constexpr std::uint8_t VelocityOf(std::uint32_t word) {
    return Data2Of(word);
}

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
