#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/real/synth/synth_engine.h"

namespace ostinel::platform {

struct TimedMessage {
    std::uint32_t timeMs = 0;         // from the start of the file
    std::vector<std::uint8_t> bytes;  // one whole message: status and data, or F0 ... F7
};

// Rendered after the last message so that releases and reverb die away.
inline constexpr std::uint32_t kRenderTailMs = 2000;

struct RenderOptions {
    SynthOptions synth;
    std::uint32_t tailMs = kRenderTailMs;
    // Told the frames written so far and the file's length after every
    // block (and once before the first); returning false stops the render,
    // and the unfinished file is removed. Called on the rendering thread.
    std::function<bool(std::uint64_t framesDone, std::uint64_t frames)> keepGoing;
};

// How a render ended.
enum class WavRenderResult {
    Written,
    NoSynth,       // FluidSynth could not be started
    NoSoundFont,   // none found, or the one named is missing
    CannotCreate,  // the file cannot be made where it was asked for
    DiskFull,      // no room left while writing
    WriteFailed,   // any other failure to write
    TooLong,       // longer than a WAV file's 32-bit sizes allow
    Cancelled,     // keepGoing said stop
};

// The frame of the file at which something `ms` from its start happens.
constexpr std::uint64_t FrameAtMs(std::uint64_t ms) {
    return ms * kSynthSampleRate / 1000;
}

// any one thread; uses no audio device. Plays `messages` on the built-in
// synth into a 16-bit stereo WAV file at kSynthSampleRate, each message at
// its own frame (FluidSynth starts a change at its next 64-frame block, so at
// most 1.5 ms later), messages of equal time in list order. The file lasts
// until the last message's time plus the tail. False with `error` in plain
// words when no file was written: no SoundFont (a named one that is missing
// is not replaced), or the file cannot be written.
bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const RenderOptions& options, std::string& error);
// The same, saying how it ended; `error` holds the plain words of a failure.
WavRenderResult RenderWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                          const RenderOptions& options, std::string& error);

// The same with the given SoundFont file, or the usual search when empty.
bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const std::string& soundFont, std::string& error);

}  // namespace ostinel::platform
