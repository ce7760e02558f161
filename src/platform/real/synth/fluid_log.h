#pragma once

#include <string>
#include <vector>

namespace ostinel::platform {

// Collects what FluidSynth says on the thread that made this object, for as
// long as it lives, so that set-up problems reach the user in our words
// instead of on the terminal. FluidSynth's log hook is process-wide; messages
// from any other thread (an audio thread, say) are dropped without touching
// any object, so the hook never allocates or blocks there.
class FluidLogCapture {
  public:
    // main thread (or whichever thread sets a synth up)
    FluidLogCapture();
    ~FluidLogCapture();
    FluidLogCapture(const FluidLogCapture&) = delete;
    FluidLogCapture& operator=(const FluidLogCapture&) = delete;

    // The first error since `from` (an earlier MessageCount()), which is the
    // most specific one, reworded for a musician; empty when there was none.
    std::string FirstProblemSince(std::size_t from) const;
    std::size_t MessageCount() const { return messages_.size(); }

  private:
    struct Message {
        int level = 0;
        std::string text;
    };
    static void Collect(int level, const char* message, void* data);

    FluidLogCapture* outer_ = nullptr;
    std::vector<Message> messages_;
};

}  // namespace ostinel::platform
