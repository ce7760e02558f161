#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "follower/intake/transport_status.h"
#include "follower/remote_table.h"
#include "music/transport_request.h"

namespace ostinel {

class Follower;

// Lets the soloist drive the transport from the instrument: a bound key or
// pedal posts its command when it is released, never when it is pressed.
class RemoteControl {
  public:
    RemoteControl(TransportRequestSink& requests, const TransportStatus& transport);
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

    TransportRequestSink& requests_;
    const TransportStatus& transport_;
    // Each entry is read and written whole; the table changes only on OK.
    std::array<std::atomic<std::int16_t>, kRemoteEntryCount> table_;
};

}  // namespace ostinel
