#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "app/engine.h"
#include "platform/real/real_midi_system.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"

// What the commands that run in real time share: Ctrl-C taken as a message
// by the main loop, whether anything can be heard, and the status line.

namespace ostinel::cli {

// The idle pass and the status line run this often while playing.
inline constexpr long kRealtimeStepNs = 20'000'000;

// This machine's clock, timer thread and MIDI devices, with the built-in
// synth using `soundFont` (empty: the usual search). Declared before the
// engine that uses them, so that they outlive it.
struct RealtimeDevices {
    explicit RealtimeDevices(const std::string& soundFont);

    // One line for each thing this machine lacks.
    std::string MissingText() const;

    platform::SteadyClock clock;
    platform::TimerThread timers{clock};
    platform::RealMidiSystem midi;
};

// Writes and flushes `text`, then empties it.
void PrintNow(std::FILE* to, std::string& text);

// Blocks Ctrl-C and termination requests in this thread and every thread it
// starts later, so that only the main loop takes them (WaitForStopSignal)
// and stopping runs the transport's own Stop.
sigset_t BlockStopSignals();

// Waits up to `ns` for a stop signal; true when one came.
bool WaitForStopSignal(const sigset_t& signals, long ns = kRealtimeStepNs);

// Whether some output port leads to something that can be heard.
bool AnythingAudible(Engine& engine, const platform::RealMidiSystem& midi);

// "\r  12:3   120 bpm   0:23.4 / 1:26.0": measure, beat, tempo and time.
std::string StatusLine(Engine& engine);

}  // namespace ostinel::cli
