#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ostinel::cli {

// `info [--json] FILE.mid`: loads the piece and describes it on `out`; a load
// failure puts the program's message on `err`. Returns the exit code.
int RunInfoCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

}  // namespace ostinel::cli
