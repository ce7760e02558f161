#pragma once

// The byte framing of Standard MIDI Files, shared by everything that writes
// or reads one: variable-length numbers, the header chunk, and a track chunk
// with its big-endian length and event stream. Pure computations: any thread
// that owns the buffers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostinel {

// The largest tick a file can hold: a delta time has at most four bytes.
// 74 hours at one tick a millisecond.
inline constexpr std::uint32_t kMaxMidiFileTick = 0x0FFFFFFF;

// A variable-length number in a file has at most this many bytes.
inline constexpr std::size_t kMaxVariableLengthBytes = 4;

// Appends `value` as a variable-length number: 7 bits a byte, most
// significant first, the high bit set on all but the last byte.
void AppendVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value);

// Adds the next byte of a variable-length number to `value` (which starts at
// 0). True while more bytes follow. Readers of streams decode with it byte by
// byte and decide themselves how many bytes they accept.
constexpr bool TakeVariableLengthByte(std::uint32_t& value, std::uint8_t byte) {
    value = (value << 7) | (byte & 0x7Fu);
    return (byte & 0x80) != 0;
}

// The variable-length number at `at` in `bytes`, moving `at` past it. Nothing
// when it runs past the end or does not end within kMaxVariableLengthBytes.
std::optional<std::uint32_t> DecodeVariableLength(std::span<const std::uint8_t> bytes,
                                                  std::size_t& at);

// A file's first bytes, its header chunk: "MThd", its length 6, format, track
// chunk count, and ticks per quarter note, each big-endian.
std::vector<std::uint8_t> HeaderChunk(std::uint16_t format, std::uint16_t trackChunks,
                                      std::uint16_t division);

enum class RunningStatus : std::uint8_t {
    Off,  // every channel message carries its status byte
    On,   // a status byte only where it differs from the channel message before
};

// Builds one track chunk at the end of `out`: "MTrk", a length that End()
// fills in, then events at absolute ticks written with their delta times.
// An event never goes back before the one written before it, and ticks past
// kMaxMidiFileTick are taken as kMaxMidiFileTick.
class TrackChunkWriter {
  public:
    TrackChunkWriter(std::vector<std::uint8_t>& out, RunningStatus runningStatus);

    // A channel message: its status byte and one or two data bytes, each
    // kept to its 7 data bits.
    void Channel(std::uint32_t tick, std::span<const std::uint8_t> message);
    void Meta(std::uint32_t tick, std::uint8_t type, std::span<const std::uint8_t> data);
    // F0, then `body`: the message bytes after its F0.
    void SysEx(std::uint32_t tick, std::span<const std::uint8_t> body);
    // F7, then `bytes` as they go over the wire (an escape for system messages).
    void Escape(std::uint32_t tick, std::span<const std::uint8_t> bytes);

    // The tick of the last event written.
    std::uint32_t Tick() const { return tick_; }

    // Closes the chunk with an End of Track at the last event's tick and
    // writes its length.
    void End();

  private:
    void Delta(std::uint32_t tick);
    void Sized(std::uint8_t lead, std::span<const std::uint8_t> data);

    std::vector<std::uint8_t>& out_;
    std::size_t lengthAt_ = 0;
    std::uint32_t tick_ = 0;
    RunningStatus runningStatusUse_;
    std::uint8_t runningStatus_ = 0;
};

}  // namespace ostinel
