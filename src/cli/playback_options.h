#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/engine.h"
#include "midi/port_map.h"

namespace ostinel::cli {

// What `play` and `render` let the user choose about a span.
struct PlaybackOptions {
    std::string piecePath;
    int startMeasure = -1;  // -1: from where the piece starts (a pickup is measure 0)
    int startBeat = 1;
    int tempoPercent = 100;        // of the piece's own tempo, 1-200
    int transpose = 0;             // half-steps, -127 to 127
    int volumePercent = 100;       // 0-200
    std::vector<int> mutedTracks;  // 1-based, as `info` numbers them
    // Loop mode between two beats (measure -1: off), restarting after
    // `restartAfterSec` seconds when that is 0-10.
    int loopBeginMeasure = -1;
    int loopBeginBeat = 1;
    int loopEndMeasure = -1;
    int loopEndBeat = 1;
    int restartAfterSec = -1;
    bool metronome = false;
    // play: the device each port uses (-1: leave the default, the built-in synth).
    std::array<int, kPortCount> portDevice{-1, -1, -1, -1, -1, -1, -1, -1};
    std::string output;     // render: the path of OUT.mid and OUT.wav without extension
    std::string soundFont;  // empty: the usual search
    bool wav = true;        // render: also play the stream on the synth into OUT.wav
};

// Reads the arguments after the command's name. `render` takes -o, --no-wav;
// `play` takes --port and --restart-after. False with `error` for anything unknown or out of range.
bool ParsePlaybackOptions(std::span<const std::string_view> args, bool render,
                          PlaybackOptions& options, std::string& error);

// Applies the master settings, the mutes, loop mode, the metronome and the
// start position to the piece the engine has loaded. False with `error` when
// the piece has no such track or beat.
bool ApplyPlaybackOptions(const PlaybackOptions& options, Engine& engine, std::string& error);

// "12:3" for a measure and beat, "1:05.2" for a time in milliseconds.
std::string MeasureBeatText(const DisplayedBeat& shown);
std::string ClockText(std::int64_t ms);

}  // namespace ostinel::cli
