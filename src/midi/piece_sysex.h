#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "midi/midi_output.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "sequence/piece.h"

namespace ostinel {

// The system-exclusive messages a piece wants sent when it is opened (those at
// or before its first event) and when it is closed (those after its last),
// in the "When the File is Opened" mode; the other modes leave them to the
// playback tick and the transport.
//
// Devices need a pause after each such message, so at least kSysexGapMs pass
// between the end of one send and the start of the next. Rather than wait on
// the main thread, the messages are copied into a queue and go out one per
// step: the first at once, the rest from SendDueSysex, which the idle pass
// calls while SysexPending holds. Copying lets the piece be freed or replaced
// as soon as a Send call returns, and a closing run followed by the next
// piece's leading run keeps its order in the one queue.
//
// Threads: main thread only.
class PieceSysex {
  public:
    static constexpr std::uint32_t kSysexGapMs = 60;

    PieceSysex(MidiOutput& output, const platform::Clock& clock);

    // main thread. Queue the piece's leading, resp. closing, messages in list
    // order and send whatever is already due. Nothing unless transmitting
    // system exclusive is on in the "When the File is Opened" mode. False
    // when memory for the copies ran out; what fitted is still sent.
    bool SendLeadingSysex(const Piece& piece);
    bool SendClosingSysex(const Piece& piece);

    // main thread: sends the next queued message when its gap has passed.
    void SendDueSysex();
    bool SysexPending() const { return !queue_.empty(); }
    // When the next queued message may go, for arming a wake-up.
    std::optional<platform::ClockMs> NextSysexDue() const;

    // main thread, at shutdown only: sends everything queued, sleeping
    // through the gaps on `timers`.
    void FinishSysex(platform::TimerService& timers);

  private:
    struct QueuedSysex {
        std::vector<std::uint8_t> bytes;
        int port = 0;
    };

    // Appends the messages the test accepts; false when memory ran out.
    template <typename Selected>
    bool Queue(const Piece& piece, Selected selected);

    MidiOutput& output_;
    const platform::Clock& clock_;
    std::deque<QueuedSysex> queue_;
    std::optional<platform::ClockMs> lastSendEnd_;
};

}  // namespace ostinel
