#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ostinel::cli {

// `convert SCORE.musicxml -o SCORE.mid`: writes the score, unfolded into
// playing order, as a format 1 Standard MIDI File (a conductor track, one
// track per part and staff). Returns the exit code.
int RunConvertCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

}  // namespace ostinel::cli
