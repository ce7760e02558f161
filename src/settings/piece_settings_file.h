#pragma once

// The piece's stored settings inside its MIDI file: a sequencer-specific
// meta event, the first event of the first track.
//
//   00            delta time
//   FF 7F         sequencer-specific meta event
//   L             variable-length quantity, L = blob size + 5
//   00 6B 3D      manufacturer
//   04 00
//   blob          PieceSettingsStore bytes
//
// Writing builds the whole new file in memory (the event replaced or
// inserted, the first track's length corrected, every other byte in its
// order) and puts it in place of the old one in one step.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/piece_settings_store.h"

namespace ostinel {

// Files larger than this are not read whole to store settings in them.
inline constexpr std::size_t kMaxPieceFileBytes = 64 * 1024 * 1024;

// The event's bytes for `store`.
std::vector<std::uint8_t> EncodePieceSettingsEvent(const PieceSettingsStore& store);

// The stored settings of a file's bytes: none unless it starts with "MThd"
// and a first "MTrk"; an empty store when it holds no readable settings
// event (missing, or its size field differs from L - 5, or cut short).
std::optional<PieceSettingsStore> FindPieceSettingsStore(std::span<const std::uint8_t> file);

// The file's bytes with `store` as its settings event; none unless the file
// starts with "MThd" and a first "MTrk".
std::optional<std::vector<std::uint8_t>> ReplacePieceSettingsEvent(
    std::span<const std::uint8_t> file, const PieceSettingsStore& store);

// main thread. The stored settings of the file at `path`; none when it
// cannot be read or is no MIDI file.
std::optional<PieceSettingsStore> ReadPieceSettingsStore(const std::string& path);

// main thread. Puts `store` into the file at `path`. False, and the file
// whole as it was, when it cannot be read, is no MIDI file, cannot be
// written (read-only, missing, disk full) or is larger than kMaxPieceFileBytes.
bool WritePieceSettingsStore(const std::string& path, const PieceSettingsStore& store);

// main thread. Reads the file's stored settings, fills slot `slot` with
// `current` (named as WritePieceSettingsEntry says) and writes them back.
// An empty path means no piece is open: nothing to do, and true.
bool StorePieceSettings(const std::string& path, int slot, std::optional<std::string_view> name,
                        const PieceSettingsEntry& current);

}  // namespace ostinel
