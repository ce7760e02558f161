#include "cli/realtime_session.h"

#include <ctime>

#include "cli/playback_options.h"

namespace ostinel::cli {

namespace {

platform::RealMidiOptions MidiOptionsWith(const std::string& soundFont) {
    platform::RealMidiOptions options;
    options.synth.synth.soundFont = soundFont;
    return options;
}

}  // namespace

RealtimeDevices::RealtimeDevices(const std::string& soundFont)
    : midi(clock, MidiOptionsWith(soundFont)) {}

std::string RealtimeDevices::MissingText() const {
    std::string text;
    for (const std::string& missing : midi.MissingServices())
        text += missing + "\n";
    return text;
}

void PrintNow(std::FILE* to, std::string& text) {
    std::fputs(text.c_str(), to);
    std::fflush(to);
    text.clear();
}

sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

bool WaitForStopSignal(const sigset_t& signals, long ns) {
    const timespec step{ns / 1'000'000'000L, ns % 1'000'000'000L};
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
    line += "   " + ClockText(transport.Position().Ms()) + " / " + ClockText(transport.End().Ms()) +
            "   ";
    return line;
}

}  // namespace ostinel::cli
