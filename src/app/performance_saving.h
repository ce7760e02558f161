#pragma once

#include <string>

#include "app/engine.h"
#include "playback/performance_writer.h"

namespace ostinel {

// main thread, while stopped with a take kept: Save Performance As. The piece
// with the take, as the following options and the Performance Settings say,
// written whole to `path`, carrying the current piece settings as slot 0.
PerformanceWriteResult SavePerformanceAs(Engine& engine, const std::string& path);

// The name the save dialog offers for the open piece.
std::string DefaultPerformanceFileName(Engine& engine);

}  // namespace ostinel
