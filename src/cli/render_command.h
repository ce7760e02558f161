#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/captured_stream_file.h"
#include "cli/playback_options.h"
#include "platform/real/synth/synth_renderer.h"

namespace ostinel::cli {

// Plays the piece with the engine on a manual clock, as fast as it goes,
// every output port on its own recording device, from the start (or the
// chosen position) until it stops by itself. False with `error` when the
// piece does not load or an option does not fit it; `exitCode` says which.
bool RenderStream(const PlaybackOptions& options, RenderedStream& rendered, std::string& error,
                  int& exitCode);

// `render FILE.mid -o OUT [options]`: OUT.mid is the exact stream the ports
// received, OUT.wav that stream played by the built-in synth. Returns the
// exit code.
int RunRenderCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

}  // namespace ostinel::cli
