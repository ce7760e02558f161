#include "sequence/chunk_events.h"

#include <algorithm>

namespace ostinel {

namespace {

constexpr std::uint32_t kHeaderChunkTag = 0x4D546864;  // "MThd"
constexpr std::uint32_t kHeaderFieldBytes = 6;         // format, chunk count, division
constexpr std::uint32_t kTrackChunkTag = 0x4D54726B;   // "MTrk"

bool HasOneDataByte(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == kProgramChange || kind == kChannelPressure;
}

// A damaged data byte keeps only its seven data bits, so keys and controller
// numbers stay valid indexes for whoever reads the events.
std::uint8_t DataBits(std::uint8_t byte) {
    return byte & 0x7F;
}

}  // namespace

LoadResult ReadHeaderChunk(BufferedReader& in, Piece& piece, HeaderChunkFields& header) {
    std::uint32_t tag = 0;
    std::uint16_t format = 0;
    if (!in.ReadU32(tag)) return in.Failure();
    if (tag != kHeaderChunkTag) return LoadResult::WrongFormat;
    if (!in.ReadU32(header.length) || !in.ReadU16(format) || !in.ReadU16(header.chunks) ||
        !in.ReadU16(piece.division)) {
        return in.Failure();
    }
    piece.format = static_cast<std::int16_t>(format);
    // Ticks of no length cannot be turned into time.
    if (piece.division == 0) return LoadResult::WrongFormat;
    if (header.length > kHeaderFieldBytes && !in.Skip(header.length - kHeaderFieldBytes)) {
        return in.Failure();
    }
    return LoadResult::Loaded;
}

long FirstTrackChunkAt(const HeaderChunkFields& header) {
    return static_cast<long>(8 + std::max(header.length, kHeaderFieldBytes));
}

LoadResult ReadTrackChunkHeader(BufferedReader& in) {
    std::uint32_t tag = 0;
    std::uint32_t length = 0;
    if (!in.ReadU32(tag)) return in.Failure();
    if (tag != kTrackChunkTag) return LoadResult::WrongFormat;
    if (!in.ReadU32(length)) return in.Failure();
    return LoadResult::Loaded;
}

LoadResult ChunkEventReader::ReadChannelData(std::uint8_t status, bool haveFirst,
                                             std::uint8_t first, ChunkEvent& event) {
    if (!haveFirst && !in_.ReadByte(first)) return in_.Failure();
    std::uint8_t second = 0;
    if (!HasOneDataByte(status) && !in_.ReadByte(second)) return in_.Failure();
    event.type = ChunkEventType::Channel;
    event.status = status;
    event.data1 = DataBits(first);
    event.data2 = DataBits(second);
    return LoadResult::Loaded;
}

LoadResult ChunkEventReader::Next(ChunkEvent& event, std::uint32_t& delta) {
    if (!in_.ReadVariableLength(delta)) return in_.Failure();
    tick_ += delta;
    if (tick_ > kLastTick) return LoadResult::EndedEarly;
    std::uint8_t lead = 0;
    if (!in_.ReadByte(lead)) return in_.Failure();
    if (lead < 0x80) {
        if (runningStatus_ < 0x80 || runningStatus_ >= 0xF0) return LoadResult::WrongFormat;
        return ReadChannelData(runningStatus_, true, lead, event);
    }
    if (lead < 0xF0) {
        runningStatus_ = lead;
        return ReadChannelData(lead, false, 0, event);
    }
    event.type = ChunkEventType::Other;
    switch (lead) {
        case 0xF0:
        case 0xF7:
            event.type = lead == 0xF0 ? ChunkEventType::SysEx : ChunkEventType::Continuation;
            return in_.ReadVariableLength(event.length) ? LoadResult::Loaded : in_.Failure();
        case 0xF1:  // MIDI time code quarter frame
        case 0xF3:  // song select
            return in_.Skip(1) ? LoadResult::Loaded : in_.Failure();
        case 0xF2:  // song position pointer
            return in_.Skip(2) ? LoadResult::Loaded : in_.Failure();
        case 0xFF:
            event.type = ChunkEventType::Meta;
            if (!in_.ReadByte(event.metaType) || !in_.ReadVariableLength(event.length)) {
                return in_.Failure();
            }
            return LoadResult::Loaded;
        default:  // F4-F6 and F8-FE carry no data
            return LoadResult::Loaded;
    }
}

}  // namespace ostinel
