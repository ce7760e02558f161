#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ostinel::cli {

// `settings show`: the store's file, the saved sets and the current settings.
// `settings show PIECE.mid`: the piece's stored sets.
// `settings export FILE`: every set of the store as text (settings_text.h).
// `settings import FILE`: the store replaced by the sets of FILE; a file with
// a bad line changes nothing.
// The store is the one the desktop program uses ($XDG_CONFIG_HOME/Quarnet/Ostinel/1.0/).
int RunSettingsCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

// `piece-settings FILE.mid list`: the named sets stored in the file.
// `piece-settings FILE.mid remove N`: removes set N (1-4); the later sets
// move down one place.
int RunPieceSettingsCommand(std::span<const std::string_view> args, std::string& out,
                            std::string& err);

}  // namespace ostinel::cli
