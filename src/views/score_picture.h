#pragma once

#include <string>

#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"

// Kept free of Qt headers: the command line includes it.
namespace ostinel::views {

// Draws the Score view of `viewport` at `scale` into a PNG file at `path`,
// without a window. False when the file cannot be written.
// main thread
bool WriteScorePicture(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, double scale, const std::string& path);

}  // namespace ostinel::views
