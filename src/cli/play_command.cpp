#include "cli/play_command.h"

#include <string>

#include "app/engine.h"
#include "cli/console_ui.h"
#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "cli/playback_options.h"
#include "cli/realtime_session.h"

namespace ostinel::cli {
namespace {

// Lets the last notes' release and the delayed sends finish before closing.
constexpr std::uint32_t kReleaseTailMs = 600;

}  // namespace

int RunPlayCommand(std::span<const std::string_view> args, std::FILE* out, std::FILE* err) {
    PlaybackOptions options;
    std::string text;
    if (!ParsePlaybackOptions(args, false, options, text)) {
        std::fprintf(err, "ostinel-cli play: %s\n", text.c_str());
        return kExitUsage;
    }
    // Blocked before any thread starts, so that every thread inherits it and
    // only the main loop takes the signal.
    const sigset_t signals = BlockStopSignals();

    RealtimeDevices devices(options.soundFont);
    text += devices.MissingText();
    ConsoleUi ui(text);
    Engine engine(devices.clock, devices.timers, devices.midi, ui);
    for (int port = 0; port < kPortCount; ++port) {
        engine.Ports().SetOutputDevice(
            port, options.portDevice[port] >= 0 ? options.portDevice[port] : 0);
    }
    engine.OpenOutputPorts();
    PrintNow(err, text);
    if (!AnythingAudible(engine, devices.midi)) {
        text += "Nothing can be heard on this machine: no audio output and no MIDI device.\n";
        PrintNow(err, text);
        return kExitNothingAudible;
    }
    const LoadResult result = engine.OpenPiece(options.piecePath);
    if (result != LoadResult::Loaded) {
        text = LoadFailureLine(options.piecePath, result);
        PrintNow(err, text);
        return LoadFailureExit(result);
    }
    if (!ApplyPlaybackOptions(options, engine, text)) {
        text = "ostinel-cli play: " + text + "\n";
        PrintNow(err, text);
        return kExitUsage;
    }
    Transport& transport = engine.GetTransport();
    text = "Playing " + options.piecePath +
           (transport.Loop().restartAutomatically ? " in a loop" : "") + " (Ctrl-C stops)\n";
    PrintNow(out, text);
    transport.PlayFile();
    bool interrupted = false;
    // A loop that restarts by itself pauses between passes and plays on.
    while (transport.Mode().playing || transport.LoopRestartPending()) {
        if (WaitForStopSignal(signals)) {
            transport.Stop();
            interrupted = true;
            break;
        }
        engine.IdlePass();
        text = StatusLine(engine);
        PrintNow(out, text);
    }
    engine.IdlePass();
    text = StatusLine(engine) + (interrupted ? "\nstopped\n" : "\nend of the piece\n");
    PrintNow(out, text);
    devices.timers.Sleep(kReleaseTailMs);
    return kExitSuccess;
}

}  // namespace ostinel::cli
