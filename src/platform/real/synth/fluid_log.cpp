#include "platform/real/synth/fluid_log.h"

#include <fluidsynth.h>

#include <string_view>

namespace ostinel::platform {
namespace {

// The capture open on this thread. A thread that opened none has null here,
// which is how the shared hook tells the audio thread's messages apart.
thread_local FluidLogCapture* activeCapture = nullptr;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// FluidSynth's wording is for developers; the common SoundFont failures get
// plain words, everything else keeps the library's text.
std::string Reworded(const std::string& text) {
    if (Contains(text, "does not exist")) return "the file does not exist";
    if (Contains(text, "expected RIFF") || Contains(text, "Not a SoundFont") ||
        Contains(text, "not a SoundFont") || Contains(text, "Not a RIFF")) {
        return "the file is not a SoundFont";
    }
    if (Contains(text, "Permission denied")) return "the file may not be read";
    // "fluid_sfloader_load(): Failed to ..." names a function nobody needs to see.
    const std::size_t call = text.find("(): ");
    return call == std::string::npos ? text : text.substr(call + 4);
}

}  // namespace

FluidLogCapture::FluidLogCapture() : outer_(activeCapture) {
    activeCapture = this;
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) {
        fluid_set_log_function(level, &FluidLogCapture::Collect, nullptr);
    }
}

FluidLogCapture::~FluidLogCapture() {
    activeCapture = outer_;
}

void FluidLogCapture::Collect(int level, const char* message, void* /*data*/) {
    FluidLogCapture* capture = activeCapture;
    if (capture == nullptr || message == nullptr || level > FLUID_WARN) return;
    try {
        capture->messages_.push_back({level, message});
    } catch (...) {
        // Out of memory: the message is lost, but nothing may unwind through C.
    }
}

std::string FluidLogCapture::FirstProblemSince(std::size_t from) const {
    for (std::size_t i = from; i < messages_.size(); ++i) {
        if (messages_[i].level <= FLUID_ERR) return Reworded(messages_[i].text);
    }
    return {};
}

}  // namespace ostinel::platform
