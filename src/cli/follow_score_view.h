#pragma once

#include <string>

#include "cli/follow_run.h"

namespace ostinel::cli {

// How much of the follow the picture shows, up to where it ended.
inline constexpr int kScoreViewSeconds = 10;

// Draws the Score view over the last seconds of a follow, with what the
// soloist played laid over the score, into a PNG at `percent` % size.
// False with `error` when it cannot (no picture support in this build, the
// piece unreadable, the file not written).
bool WriteFollowScoreView(const FollowRunOptions& options, const FollowRunResult& result,
                          const std::string& path, int percent, std::string& error);

}  // namespace ostinel::cli
