#pragma once

#include <span>
#include <string>

#include "cli/evaluation_metrics.h"

namespace ostinel::cli {

// One case as a picture, so that a person sees where and how the follower
// loses its place: performed time across, score position up; the truth as
// grey dots, the follower's position after each note as a blue line, its
// jump requests as red rings and the accompaniment's onsets as green dots.
std::string EvaluationPlotSvg(const std::string& title, const EvaluationInput& input);

}  // namespace ostinel::cli
