#pragma once

// Writes Standard MIDI Files: tracks of events at absolute ticks, encoded as
// a whole file in memory, then put on disk in one step. Every event carries
// its full status byte (no running status), so any event can be read alone.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sequence/smf_codec.h"

namespace ostinel {

enum class MidiFileEventKind : std::uint8_t {
    Message,  // a channel or system message as it goes over the wire
    Meta,     // a meta event: its type and data
};

struct MidiFileEvent {
    std::uint32_t tick = 0;
    MidiFileEventKind kind = MidiFileEventKind::Message;
    std::uint8_t metaType = 0;        // meta events only
    std::vector<std::uint8_t> bytes;  // the whole message, or the meta event's data
};

// One track chunk's events in the order they were added. The encoder sorts
// them by tick; events of the same tick keep that order. Ticks past
// kMaxMidiFileTick are taken as kMaxMidiFileTick.
class MidiFileTrack {
  public:
    // A channel message (status and data bytes), a system-exclusive message
    // (F0 through F7) or another system message (time code, song position,
    // clock, start, stop...). False, and nothing added, when `bytes` is empty,
    // starts with a data byte, or is a channel message of the wrong length.
    bool AddMessage(std::uint32_t tick, std::span<const std::uint8_t> bytes);

    void AddMeta(std::uint32_t tick, std::uint8_t type, std::span<const std::uint8_t> data);
    void AddTrackName(std::uint32_t tick, std::string_view name);
    void AddTempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
    // The denominator is 2 to `denominatorPower`.
    void AddTimeSignature(std::uint32_t tick, std::uint8_t numerator, std::uint8_t denominatorPower,
                          std::uint8_t clocksPerClick = 24,
                          std::uint8_t thirtySecondsPerQuarter = 8);
    // The MIDI port (0-127) that the track's messages go to.
    void AddPort(std::uint32_t tick, std::uint8_t port);

    const std::vector<MidiFileEvent>& Events() const { return events_; }

  private:
    std::vector<MidiFileEvent> events_;
};

// The whole file: the header chunk, then one track chunk per track, each
// closed by an End of Track at its last event's tick. System-exclusive
// messages are written as F0 events; other system messages as F7 escapes
// holding their raw bytes. `division` is ticks per quarter note. Tracks past
// the 65535th are left out: the header cannot count them.
std::vector<std::uint8_t> EncodeMidiFile(std::uint16_t format, std::uint16_t division,
                                         std::span<const MidiFileTrack> tracks);

// Writes `bytes` to a temporary file beside `path`, then renames it over
// `path`, so that a failed write leaves no partial file and an existing file
// is either replaced whole or kept as it was. False with `error` in plain
// words when it cannot be written.
bool WriteMidiFile(const std::string& path, std::span<const std::uint8_t> bytes,
                   std::string& error);

}  // namespace ostinel
