#include "playback/paced_notes_off.h"

#include <array>

#include "sequence/piece.h"

namespace ostinel {
namespace {

constexpr std::uint8_t kAllSoundOffController = 120;
constexpr std::uint8_t kAllNotesOffController = 123;

}  // namespace

void PacedNotesOff::Start() {
    for (std::uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const auto status = static_cast<std::uint8_t>(kControlChange | channel);
        output_.SendMidi(std::array<std::uint8_t, 3>{status, kAllSoundOffController, 0}, kAllPorts);
        output_.SendMidi(std::array<std::uint8_t, 3>{status, kAllNotesOffController, 0}, kAllPorts);
    }
    nextChannel_ = 0;
    ReleaseNextChannel();
}

void PacedNotesOff::Step() {
    if (Pending() && platform::ClockReached(clock_.Now(), nextDue_)) ReleaseNextChannel();
}

void PacedNotesOff::Finish() {
    while (Pending())
        ReleaseNextChannel();
}

void PacedNotesOff::ReleaseNextChannel() {
    const auto status = static_cast<std::uint8_t>(kNoteOn | nextChannel_);
    for (std::uint8_t key = 0; key < 128; ++key)
        output_.SendMidi(std::array<std::uint8_t, 3>{status, key, 0}, kAllPorts);
    ++nextChannel_;
    nextDue_ = clock_.Now() + kPauseMs;
}

}  // namespace ostinel
