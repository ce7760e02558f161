#include "cli/render_command.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "app/engine.h"
#include "cli/console_ui.h"
#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "platform/real/synth/synth_renderer.h"

namespace ostinel::cli {
namespace {

// The idle pass runs at least this often while playing, as in the program.
constexpr std::uint32_t kIdleStepMs = 10;
// A render that has not stopped after this much music is not going to.
constexpr std::uint32_t kLongestRenderMs = 48u * 3600u * 1000u;

std::vector<std::string> PortDeviceNames() {
    std::vector<std::string> names;
    for (int port = 0; port < kPortCount; ++port)
        names.push_back(std::string("Port ") + static_cast<char>('A' + port));
    return names;
}

// Runs the engine's clock from deadline to deadline, with an idle pass after
// each, until nothing plays or is pending.
void RunUntilStopped(Engine& engine, platform::ManualClock& clock,
                     platform::ManualTimerService& timers) {
    const platform::ClockMs began = clock.Now();
    while (engine.NeedsIdlePass() && clock.Now() - began < kLongestRenderMs) {
        const auto next = timers.NextDeadline();
        const platform::ClockMs step = clock.Now() + kIdleStepMs;
        timers.AdvanceTo(next && platform::ClockDifference(step, *next) > 0 ? *next : step);
        engine.IdlePass();
    }
    // Delayed sends (retries) still armed go out too.
    timers.RunUntilIdle(1000);
}

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

std::vector<platform::TimedMessage> SynthStream(const std::vector<PortMessage>& messages) {
    std::vector<platform::TimedMessage> timed;
    timed.reserve(messages.size());
    for (const PortMessage& message : messages)
        timed.push_back(platform::TimedMessage{message.timeMs, message.bytes});
    std::stable_sort(timed.begin(), timed.end(),
                     [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; });
    return timed;
}

bool RenderStream(const PlaybackOptions& options, RenderedStream& rendered, std::string& error,
                  int& exitCode) {
    platform::ManualClock clock{0};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, {}, PortDeviceNames()};
    std::string messages;
    ConsoleUi ui(messages);
    {
        Engine engine(clock, timers, midi, ui);
        for (int port = 0; port < kPortCount; ++port)
            engine.Ports().SetOutputDevice(port, port);
        engine.OpenOutputPorts();
        const LoadResult result = engine.OpenPiece(options.piecePath);
        if (result != LoadResult::Loaded) {
            error = LoadFailureLine(options.piecePath, result);
            exitCode = LoadFailureExit(result);
            return false;
        }
        if (!ApplyPlaybackOptions(options, engine, error)) {
            error = "ostinel-cli: " + error + "\n";
            exitCode = kExitUsage;
            return false;
        }
        // The piece's leading system exclusive went out at the opening: it is
        // part of what the ports received, at time 0.
        engine.GetTransport().PlayFile();
        RunUntilStopped(engine, clock, timers);
        rendered.lengthMs = clock.Now();
    }
    timers.RunUntilIdle(1000);
    for (int port = 0; port < kPortCount; ++port) {
        for (const auto& message : midi.Output(port).Messages())
            rendered.messages.push_back(PortMessage{port, message.time, message.bytes});
    }
    std::stable_sort(
        rendered.messages.begin(), rendered.messages.end(),
        [](const PortMessage& a, const PortMessage& b) { return a.timeMs < b.timeMs; });
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
