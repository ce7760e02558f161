#pragma once

// Reads the chunk headers of a file and walks the events of one track chunk:
// delta times, running status and the framing of every event kind. What each
// event means is up to the pass that reads the chunk.

#include <cstdint>

#include "sequence/buffered_reader.h"
#include "sequence/piece.h"

namespace ostinel {

// Chunk positions past this tick could not be told from the tempo map's
// closing record; a chunk that gets there is treated as the file ending early.
inline constexpr std::int64_t kLastTick = kEndTick - 1;

// Meta event types that the passes act on.
inline constexpr std::uint8_t kMetaText = 0x01;
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaPort = 0x21;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTempo = 0x51;
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;
inline constexpr std::uint8_t kMetaKeySignature = 0x59;
inline constexpr std::uint8_t kMetaSequencerSpecific = 0x7F;

// What the header chunk says beyond the format and division kept in the piece.
struct HeaderChunkFields {
    std::uint32_t length = 0;
    std::uint16_t chunks = 0;  // track chunks, the first (conductor) one included
};

// Reads the "MThd" chunk into `header` and the piece's format and division.
// WrongFormat for any other tag, or a division of 0 ticks.
LoadResult ReadHeaderChunk(BufferedReader& in, Piece& piece, HeaderChunkFields& header);

// The file position of the first track chunk.
long FirstTrackChunkAt(const HeaderChunkFields& header);

// Reads the "MTrk" tag and the chunk length, which is not used: a chunk ends
// at its end-of-track event. WrongFormat for any other tag.
LoadResult ReadTrackChunkHeader(BufferedReader& in);

enum class ChunkEventType : std::uint8_t {
    Channel,       // status, data1 and data2 are set
    SysEx,         // F0: `length` data bytes follow
    Continuation,  // F7: `length` data bytes follow
    Meta,          // metaType: `length` data bytes follow
    Other,         // a system common or real-time byte, already skipped
};

struct ChunkEvent {
    ChunkEventType type = ChunkEventType::Other;
    std::uint8_t status = 0;  // the channel status byte
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;  // 0 for program change and channel pressure
    std::uint8_t metaType = 0;
    std::uint32_t length = 0;
};

class ChunkEventReader {
  public:
    explicit ChunkEventReader(BufferedReader& in) : in_(in) {}

    // Reads the next event's delta time and framing. For SysEx, Continuation
    // and Meta the caller then reads or skips the `length` data bytes.
    LoadResult Next(ChunkEvent& event, std::uint32_t& delta);

    std::int64_t Tick() const { return tick_; }

  private:
    LoadResult ReadChannelData(std::uint8_t status, bool haveFirst, std::uint8_t first,
                               ChunkEvent& event);

    BufferedReader& in_;
    std::uint8_t runningStatus_ = 0;  // the last channel status byte of this chunk
    std::int64_t tick_ = 0;
};

}  // namespace ostinel
