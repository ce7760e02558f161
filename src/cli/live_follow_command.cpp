#include <algorithm>
#include <string>

#include "cli/console_ui.h"
#include "cli/exit_codes.h"
#include "cli/follow_run.h"
#include "cli/load_failure.h"
#include "cli/performance_file.h"
#include "cli/realtime_session.h"

namespace ostinel::cli {
namespace {

constexpr std::uint32_t kReleaseTailMs = 600;
// A recorded performance is fed this long after the start, so the devices settle.
constexpr std::uint32_t kLeadInMs = 500;

void StopAndSay(Engine& engine, std::FILE* out) {
    engine.GetTransport().Stop();
    engine.IdlePass();
    std::string text = StatusLine(engine) + "\nstopped\n";
    PrintNow(out, text);
}

}  // namespace

bool IsLiveFollow(std::span<const std::string_view> args) {
    return std::find_if(args.begin(), args.end(), [](std::string_view arg) {
               return arg == "--input" || arg == "--realtime";
           }) != args.end();
}

int RunLiveFollowCommand(std::span<const std::string_view> args, std::FILE* out, std::FILE* err) {
    FollowCommandOptions options;
    std::string text;
    if (!ParseFollowCommand(args, options, text)) {
        std::fprintf(err, "ostinel-cli follow: %s\n", text.c_str());
        return kExitUsage;
    }
    std::vector<PlayedMessage> performance;
    if (options.inputDevice < 0 &&
        !ReadPerformanceFile(options.run.soloistPath, options.run.soloistTrack, performance,
                             text)) {
        std::fprintf(err, "%s\n", text.c_str());
        return kExitUsage;
    }
    const sigset_t signals = BlockStopSignals();

    RealtimeDevices devices(options.soundFont);
    text += devices.MissingText();
    ConsoleUi ui(text);
    Engine engine(devices.clock, devices.timers, devices.midi, ui);
    for (int port = 0; port < kPortCount; ++port)
        engine.Ports().SetOutputDevice(port, 0);
    engine.OpenOutputPorts();
    if (options.inputDevice >= 0) {
        engine.Ports().SetInputDevice(0, options.inputDevice);
        if (!engine.OpenInputPorts()) {
            PrintNow(err, text);
            return kExitUsage;
        }
    }
    PrintNow(err, text);
    if (!AnythingAudible(engine, devices.midi)) {
        text = "Nothing can be heard on this machine: no audio output and no MIDI device.\n";
        PrintNow(err, text);
        return kExitNothingAudible;
    }
    const LoadResult loaded = engine.OpenPiece(options.run.piecePath);
    if (loaded != LoadResult::Loaded) {
        text = LoadFailureLine(options.run.piecePath, loaded);
        PrintNow(err, text);
        return LoadFailureExit(loaded);
    }
    FollowingOptions following = options.run.following;
    following.followTrack1 = static_cast<std::int16_t>(options.run.track - 1);
    following.twoFollowTracks = options.run.track2 > 0;
    following.followTrack2 = static_cast<std::int16_t>(std::max(options.run.track2 - 1, 0));
    if (!engine.SetFollowingOptions(following) || !engine.SetSpecialMarkers(options.run.markers)) {
        text = "ostinel-cli follow: the piece has no such following track\n";
        PrintNow(err, text);
        return kExitUsage;
    }
    Transport& transport = engine.GetTransport();
    text = following.startAutomatically ? "Listening: start playing (Ctrl-C stops)\n"
                                        : "Following: play along (Ctrl-C stops)\n";
    PrintNow(out, text);
    if (!following.startAutomatically) transport.PlayAndFollow();

    const platform::ClockMs began = devices.clock.Now() + kLeadInMs;
    std::size_t next = 0;
    bool started = false;
    for (;;) {
        if (WaitForStopSignal(signals)) break;
        // The recorded soloist, note by note at its own times, as the input
        // thread would hand them over.
        while (next < performance.size() &&
               platform::ClockReached(devices.clock.Now(), began + performance[next].timeMs)) {
            engine.Intake().HandleMidiInput(performance[next].word, devices.clock.Now(), 0);
            ++next;
        }
        engine.IdlePass();
        started = started || transport.Mode().following;
        const bool performanceOver = options.inputDevice < 0 && next == performance.size();
        if (started && !transport.Mode().playing && (performanceOver || options.inputDevice < 0))
            break;
        if (transport.Mode().playing) {
            text = StatusLine(engine);
            PrintNow(out, text);
        }
    }
    StopAndSay(engine, out);
    // Ctrl-C ends a live follow; the take then plays until the next one.
    if (options.run.playPerformance) {
        if (!PerformanceExists(transport.PerformanceTempos())) {
            text = "The take is too short to play as a performance.\n";
            PrintNow(err, text);
        } else {
            text = "Playing the performance (Ctrl-C stops)\n";
            PrintNow(out, text);
            transport.SetPerformanceSettings(options.run.performance);
            transport.JumpTo(transport.Punch().start);
            transport.PlayPerformance();
            while (transport.Mode().playing && !WaitForStopSignal(signals)) {
                engine.IdlePass();
                text = StatusLine(engine);
                PrintNow(out, text);
            }
            StopAndSay(engine, out);
        }
    }
    devices.timers.Sleep(kReleaseTailMs);
    return kExitSuccess;
}

}  // namespace ostinel::cli
