#pragma once

// The piece settings between the live engine and the stored settings inside
// the MIDI file: capturing the current state as a slot's contents, applying
// a stored slot, the defaults, and the stores made around opening a file and
// at shutdown.

#include <optional>
#include <string>
#include <string_view>

#include "app/engine.h"
#include "settings/piece_settings_store.h"

namespace ostinel {

// The program entry of a track's stored program table: the file's patch
// (kind, three values), then its substitute (kind, three values).
inline constexpr std::size_t kProgramEntryBytes = 8;

// main thread. The piece settings, one block per track (the performance
// track's too), the display name and the special markers as the engine runs
// with them now.
PieceSettingsEntry CapturePieceSettings(Engine& engine);

// main thread. The open file's stored settings; none without a piece or
// when the file cannot be read.
std::optional<PieceSettingsStore> ReadPieceSettings(Engine& engine);

// main thread. Fills slot `slot` of the open file's stored settings from the
// current state (a slot's name as WritePieceSettingsEntry says). True, with
// nothing done, when no piece is open.
bool StorePieceSettings(Engine& engine, int slot, std::optional<std::string_view> name);

// main thread. Applies slot `slot` of the open file's stored settings. With
// `keepRevertPoint` the current settings are first stored as slot 0 (message
// 2016 when that fails). False when the file holds no settings or the slot
// is empty or damaged; then nothing was applied.
bool ApplyPieceSettings(Engine& engine, int slot, bool keepRevertPoint);

// main thread. The piece's defaults: with `keepRevertPoint` the current
// settings are first stored as slot 0 (message 2016 when that fails). Every
// track back to the file's channel and port, full volume, no transpose,
// playing, the file's programs and names; no display name, no markers.
void DefaultPieceSettings(Engine& engine, bool keepRevertPoint);

// main thread. Opens a piece the way the program does: the old piece's
// settings are stored as its slot 0 first, and the new piece gets its own
// slot 0, or the defaults when it has none.
LoadResult OpenPieceWithSettings(Engine& engine, const std::string& path);

// main thread, at shutdown: the piece's settings as slot 0 and the system
// settings as ".", unless no file open has completed. Failures are ignored:
// the program is going anyway.
void StoreSettingsAtShutdown(Engine& engine);

}  // namespace ostinel
