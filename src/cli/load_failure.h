#pragma once

#include <string>
#include <string_view>

#include "app/load_result_messages.h"
#include "cli/exit_codes.h"
#include "sequence/piece.h"
#include "strings/string_table.h"

namespace ostinel::cli {

// The line that tells why a piece named on the command line did not load.
inline std::string LoadFailureLine(std::string_view path, LoadResult result) {
    // The file came from the command line: the start-up wording applies.
    return std::string(path) + ": " + std::string(StringTable().Get(StartupLoadMessage(result))) +
           "\n";
}

inline int LoadFailureExit(LoadResult result) {
    return kExitLoadFailureBase + static_cast<int>(result);
}

}  // namespace ostinel::cli
