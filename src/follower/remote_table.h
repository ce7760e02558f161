#pragma once

#include <array>
#include <cstdint>

namespace ostinel {

// One binding per transport command (request codes 0-12, in code order) and
// a fourteenth, the special signal, which is the follower's cue and no
// command. An entry is a note 0-127, a controller + 256, or kNoBinding.
inline constexpr int kRemoteEntryCount = 14;
inline constexpr int kRemoteCommandCount = 13;
inline constexpr int kSpecialSignalEntry = 13;
inline constexpr std::int16_t kNoBinding = -1;
inline constexpr std::int16_t kControllerBinding = 256;  // added to a controller number

using RemoteTable = std::array<std::int16_t, kRemoteEntryCount>;

// No entry bound.
constexpr RemoteTable DefaultRemoteTable() {
    RemoteTable table{};
    table.fill(kNoBinding);
    return table;
}

// The binding of a note or a controller as the table holds it.
constexpr std::int16_t NoteBinding(int key) {
    return static_cast<std::int16_t>(key);
}
constexpr std::int16_t ControllerBinding(int controller) {
    return static_cast<std::int16_t>(kControllerBinding + controller);
}

}  // namespace ostinel
