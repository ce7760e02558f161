#pragma once

#include <cstdio>
#include <span>
#include <string_view>

namespace ostinel::cli {

// `play FILE.mid [options]`: plays the piece in real time on this machine's
// devices with a one-line live status, until the end or Ctrl-C, every note
// released at the stop. Exits with kExitNothingAudible when no port leads to
// anything that can be heard. Returns the exit code.
int RunPlayCommand(std::span<const std::string_view> args, std::FILE* out, std::FILE* err);

}  // namespace ostinel::cli
