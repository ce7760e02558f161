#include "sequence/smf_codec.h"

#include <algorithm>
#include <array>

#include "music/midi_message.h"

namespace ostinel {

namespace {

// In a file, F7 also escapes raw bytes that are not a whole sysex event.
constexpr std::uint8_t kEscape = kSysexEnd;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint32_t kHeaderFieldBytes = 6;

// File fields are big-endian whatever the machine.
void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

void AppendVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::array<std::uint8_t, kMaxVariableLengthBytes + 1> groups{};
    std::size_t count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

std::optional<std::uint32_t> DecodeVariableLength(std::span<const std::uint8_t> bytes,
                                                  std::size_t& at) {
    std::uint32_t value = 0;
    for (std::size_t p = at, n = 0; n < kMaxVariableLengthBytes && p < bytes.size(); ++n) {
        if (!TakeVariableLengthByte(value, bytes[p++])) {
            at = p;
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> HeaderChunk(std::uint16_t format, std::uint16_t trackChunks,
                                      std::uint16_t division) {
    // Built with its tag: inserting into an empty vector trips a false
    // overflow warning of GCC 12 at -O3.
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    AppendU32(out, kHeaderFieldBytes);
    AppendU16(out, format);
    AppendU16(out, trackChunks);
    AppendU16(out, division);
    return out;
}

TrackChunkWriter::TrackChunkWriter(std::vector<std::uint8_t>& out, RunningStatus runningStatus)
    : out_(out), runningStatusUse_(runningStatus) {
    out_.insert(out_.end(), {'M', 'T', 'r', 'k'});
    lengthAt_ = out_.size();
    AppendU32(out_, 0);
}

void TrackChunkWriter::Channel(std::uint32_t tick, std::span<const std::uint8_t> message) {
    Delta(tick);
    const std::uint8_t status = message[0];
    if (runningStatusUse_ == RunningStatus::Off || status != runningStatus_) {
        out_.push_back(status);
        runningStatus_ = status;
    }
    for (const std::uint8_t data : message.subspan(1))
        out_.push_back(static_cast<std::uint8_t>(data & 0x7F));
}

void TrackChunkWriter::Meta(std::uint32_t tick, std::uint8_t type,
                            std::span<const std::uint8_t> data) {
    Delta(tick);
    out_.push_back(kMetaEvent);
    Sized(type, data);
}

void TrackChunkWriter::SysEx(std::uint32_t tick, std::span<const std::uint8_t> body) {
    Delta(tick);
    Sized(kSysexStart, body);
}

void TrackChunkWriter::Escape(std::uint32_t tick, std::span<const std::uint8_t> bytes) {
    Delta(tick);
    Sized(kEscape, bytes);
}

void TrackChunkWriter::End() {
    out_.insert(out_.end(), {0x00, kMetaEvent, kEndOfTrack, 0x00});
    const auto length = static_cast<std::uint32_t>(out_.size() - lengthAt_ - 4);
    for (std::size_t i = 0; i < 4; ++i)
        out_[lengthAt_ + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
}

void TrackChunkWriter::Delta(std::uint32_t tick) {
    tick = std::min(std::max(tick, tick_), kMaxMidiFileTick);
    AppendVariableLength(out_, tick - tick_);
    tick_ = tick;
}

// A running status does not carry over a meta or system-exclusive event.
void TrackChunkWriter::Sized(std::uint8_t lead, std::span<const std::uint8_t> data) {
    out_.push_back(lead);
    AppendVariableLength(out_, static_cast<std::uint32_t>(data.size()));
    out_.insert(out_.end(), data.begin(), data.end());
    runningStatus_ = 0;
}

}  // namespace ostinel
