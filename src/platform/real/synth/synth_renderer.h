#pragma once

#include <cstdint>
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

// The same with the given SoundFont file, or the usual search when empty.
bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const std::string& soundFont, std::string& error);

}  // namespace ostinel::platform
