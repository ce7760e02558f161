#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/evaluation_metrics.h"
#include "cli/performance_file.h"

namespace ostinel::cli {

// Makes a recorded take skip `beats` beats of the score (negative: go back and
// play again) at 40 % of the way through the solo's distinct onsets: the
// notes from the cut on are replaced by those the soloist played from the
// target on, resuming 300 ms after the last note before the cut, and the truth
// follows the splice. `beatTimes` are the piece's beats in score ms. False
// with `error` when the take is too short or the target lies outside it.
bool SpliceSkip(std::span<const std::uint32_t> beatTimes, int beats,
                std::vector<PlayedMessage>& messages, std::vector<TruthRow>& truth,
                std::string& error);

}  // namespace ostinel::cli
