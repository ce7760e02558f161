#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "app/transport_request_queue.h"
#include "follower/engine/follower.h"
#include "follower/intake/playback_view.h"

namespace ostinel {

// One binding per transport command (request codes 0-12, in code order) and
// a fourteenth, the special signal, which is the follower's cue and no
// command. An entry is a note 0-127, a controller + 256, or kNoBinding.
inline constexpr int kRemoteEntryCount = 14;
inline constexpr int kRemoteCommandCount = 13;
inline constexpr int kSpecialSignalEntry = 13;
inline constexpr std::int16_t kNoBinding = -1;
inline constexpr std::int16_t kControllerBinding = 256;  // added to a controller number

using RemoteTable = std::array<std::int16_t, kRemoteEntryCount>;

// No entry bound.
RemoteTable DefaultRemoteTable();

// The binding of a note or a controller as the table holds it.
constexpr std::int16_t NoteBinding(int key) {
    return static_cast<std::int16_t>(key);
}
constexpr std::int16_t ControllerBinding(int controller) {
    return static_cast<std::int16_t>(kControllerBinding + controller);
}

// Lets the soloist drive the transport from the instrument: a bound key or
// pedal posts its command when it is released, never when it is pressed.
class RemoteControl {
  public:
    RemoteControl(TransportRequestQueue& requests, const PlaybackView& playback);
    RemoteControl(const RemoteControl&) = delete;
    RemoteControl& operator=(const RemoteControl&) = delete;

    // main thread: the table from the dialog's OK or from loading settings.
    void SetTable(const RemoteTable& table);
    // any thread
    RemoteTable Table() const;
    std::int16_t SpecialSignal() const;

    // input thread. `word` is the message with the channel cleared and a
    // velocity-0 note-on already a note-off. True when the message was a
    // bound key or controller: it goes no further than thru.
    bool Match(std::uint32_t word);

  private:
    int FindEntry(std::int16_t binding) const;
    void CarryOut(int entry);

    TransportRequestQueue& requests_;
    const PlaybackView& playback_;
    // Each entry is read and written whole; the table changes only on OK.
    std::array<std::atomic<std::int16_t>, kRemoteEntryCount> table_;
};

// main thread: Follower::SetSignal with the special-signal entry.
void HandSignalToFollower(const RemoteControl& remote, Follower& follower);

}  // namespace ostinel
