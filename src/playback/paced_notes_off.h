#pragma once

#include <cstdint>

#include "midi/midi_output.h"
#include "midi/port_map.h"
#include "platform/clock.h"

namespace ostinel {

// All Notes Off: sound off and notes off on every channel at once, then a
// note-off for every key, one channel at a time with a pause in between.
class PacedNotesOff {
  public:
    // The pause after each channel's keys, so that slow devices keep up.
    static constexpr std::uint32_t kPauseMs = 16;

    PacedNotesOff(const platform::Clock& clock, MidiOutput& output)
        : clock_(clock), output_(output) {}
    PacedNotesOff(const PacedNotesOff&) = delete;
    PacedNotesOff& operator=(const PacedNotesOff&) = delete;

    // main thread: the controllers on every channel, and the first channel's keys.
    void Start();
    // main thread, from the idle pass: the next channel's keys once its pause is over.
    void Step();
    // main thread: every channel still owed, at once, before anything sounds again.
    void Finish();
    // main thread
    bool Pending() const { return nextChannel_ < kChannelCount; }

  private:
    void ReleaseNextChannel();

    const platform::Clock& clock_;
    MidiOutput& output_;
    int nextChannel_ = kChannelCount;  // kChannelCount: none is owed
    platform::ClockMs nextDue_{};
};

}  // namespace ostinel
