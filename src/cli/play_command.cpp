#include "cli/play_command.h"

#include <csignal>
#include <ctime>
#include <string>

#include "app/engine.h"
#include "cli/console_ui.h"
#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "cli/playback_options.h"
#include "platform/real/real_midi_system.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"

namespace ostinel::cli {
namespace {

// The idle pass and the status line run this often while playing.
constexpr long kIdleStepNs = 20'000'000;
// Lets the last notes' release and the delayed sends finish before closing.
constexpr std::uint32_t kReleaseTailMs = 600;

void Print(std::FILE* to, std::string& text) {
    std::fputs(text.c_str(), to);
    std::fflush(to);
    text.clear();
}

// Ctrl-C and a termination request are taken as messages by the main loop
// rather than by a handler, so stopping runs the transport's own Stop.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

bool WaitForStopSignal(const sigset_t& signals) {
    const timespec step{0, kIdleStepNs};
    return sigtimedwait(&signals, nullptr, &step) > 0;
}

bool AnythingAudible(Engine& engine, const platform::RealMidiSystem& midi) {
    for (int port = 0; port < kPortCount; ++port) {
        const int device = engine.Ports().OutputDevice(port);
        if (device > 0 && engine.Ports().OutputDeviceOwner(device) != kDeviceClosed) return true;
    }
    return midi.Synth().Audible();
}

std::string StatusLine(Engine& engine) {
    Transport& transport = engine.GetTransport();
    const DisplayedBeat shown = transport.Display();
    std::string line = "\r  " + MeasureBeatText(shown);
    if (shown.tempo > 0) line += "   " + std::to_string(shown.tempo) + " bpm";
    line += "   " + ClockText(transport.Position()) + " / " + ClockText(transport.End()) + "   ";
    return line;
}

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
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    platform::SteadyClock clock;
    platform::TimerThread timers(clock);
    platform::RealMidiOptions midiOptions;
    midiOptions.synth.synth.soundFont = options.soundFont;
    platform::RealMidiSystem midi(clock, midiOptions);
    for (const std::string& missing : midi.MissingServices())
        text += missing + "\n";
    ConsoleUi ui(text);
    Engine engine(clock, timers, midi, ui);
    for (int port = 0; port < kPortCount; ++port) {
        engine.Ports().SetOutputDevice(
            port, options.portDevice[port] >= 0 ? options.portDevice[port] : 0);
    }
    engine.OpenOutputPorts();
    Print(err, text);
    if (!AnythingAudible(engine, midi)) {
        text += "Nothing can be heard on this machine: no audio output and no MIDI device.\n";
        Print(err, text);
        return kExitNothingAudible;
    }
    const LoadResult result = engine.OpenPiece(options.piecePath);
    if (result != LoadResult::Loaded) {
        text = LoadFailureLine(options.piecePath, result);
        Print(err, text);
        return LoadFailureExit(result);
    }
    if (!ApplyPlaybackOptions(options, engine, text)) {
        text = "ostinel-cli play: " + text + "\n";
        Print(err, text);
        return kExitUsage;
    }
    Transport& transport = engine.GetTransport();
    text = "Playing " + options.piecePath + " (Ctrl-C stops)\n";
    Print(out, text);
    transport.PlayFile();
    bool interrupted = false;
    while (transport.Mode().playing) {
        if (WaitForStopSignal(signals)) {
            transport.Stop();
            interrupted = true;
            break;
        }
        engine.IdlePass();
        text = StatusLine(engine);
        Print(out, text);
    }
    engine.IdlePass();
    text = StatusLine(engine) + (interrupted ? "\nstopped\n" : "\nend of the piece\n");
    Print(out, text);
    timers.Sleep(kReleaseTailMs);
    return kExitSuccess;
}

}  // namespace ostinel::cli
