#include "cli/render_command.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "app/engine.h"
#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "platform/real/synth/synth_renderer.h"

namespace ostinel::cli {
namespace {

// -o names the pair without its extension; a name given with .mid or .wav
// names the pair as well, so that it is not written as out.mid.mid.
std::string OutputStem(const std::string& output) {
    for (const std::string_view extension : {".mid", ".wav"}) {
        if (output.size() <= extension.size()) continue;
        const std::string_view tail =
            std::string_view(output).substr(output.size() - extension.size());
        const bool same = std::equal(
            tail.begin(), tail.end(), extension.begin(),
            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
        if (same) return output.substr(0, output.size() - extension.size());
    }
    return output;
}

}  // namespace

bool RenderStream(const PlaybackOptions& options, RenderedStream& rendered, std::string& error,
                  int& exitCode) {
    std::string messages;
    LoadResult load = LoadResult::Loaded;
    const auto prepare = [&](Engine& engine) {
        return ApplyPlaybackOptions(options, engine, error);
    };
    switch (RenderPlayback(options.piecePath, prepare, rendered, load, messages)) {
        case PlaybackRenderResult::NotLoaded:
            error = LoadFailureLine(options.piecePath, load);
            exitCode = LoadFailureExit(load);
            return false;
        case PlaybackRenderResult::NotPrepared:
            error = "ostinel-cli: " + error + "\n";
            exitCode = kExitUsage;
            return false;
        case PlaybackRenderResult::Rendered:
            break;
    }
    error += messages;
    exitCode = kExitSuccess;
    return true;
}

int RunRenderCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    PlaybackOptions options;
    std::string problem;
    if (!ParsePlaybackOptions(args, true, options, problem)) {
        err += "ostinel-cli render: " + problem + "\n";
        return kExitUsage;
    }
    RenderedStream rendered;
    int exitCode = kExitSuccess;
    if (!RenderStream(options, rendered, problem, exitCode)) {
        err += problem;
        return exitCode;
    }
    err += problem;
    const std::string stem = OutputStem(options.output);
    const std::string midiPath = stem + ".mid";
    const std::string title = options.piecePath.substr(options.piecePath.find_last_of('/') + 1);
    if (!WriteCapturedStream(rendered.messages, title, midiPath, problem)) {
        err += problem + "\n";
        return kExitOutputFailed;
    }
    out += "wrote " + midiPath + " (" + std::to_string(rendered.messages.size()) + " messages, " +
           ClockText(rendered.lengthMs) + ")\n";
    if (!options.wav) return kExitSuccess;
    const std::string wavPath = stem + ".wav";
    if (!platform::RenderToWav(SynthStream(rendered.messages), wavPath, options.soundFont,
                               problem)) {
        err += problem + "\n";
        return kExitOutputFailed;
    }
    out += "wrote " + wavPath + "\n";
    return kExitSuccess;
}

}  // namespace ostinel::cli
