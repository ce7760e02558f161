#include <cstring>

#include "sequence/chunk_events.h"
#include "sequence/file_passes.h"
#include "sequence/smf_codec.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

// The program's own piece-settings event starts with these bytes; it is read
// by the settings loader, not kept with the other meta events.
constexpr std::uint8_t kSettingsEventPrefix[] = {0x00, 0x6B, 0x3D, 0x04, 0x00};

class ConductorReader {
  public:
    ConductorReader(BufferedReader& in, Piece& piece) : in_(in), piece_(piece) {}

    LoadResult ReadMeta(const ChunkEvent& event, std::int32_t tick) {
        switch (event.metaType) {
            case kMetaTempo:
                return ReadTempo(event.length, tick);
            case kMetaTimeSignature:
                return ReadTimeSignature(event.length, tick);
            default:
                return ReadOtherMeta(event, tick);
        }
    }

  private:
    LoadResult Done(bool read) const { return read ? LoadResult::Loaded : in_.Failure(); }

    LoadResult ReadTempo(std::uint32_t length, std::int32_t tick) {
        std::uint32_t tempo = 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            std::uint8_t byte = 0;
            if (!in_.ReadByte(byte)) return in_.Failure();
            tempo = (tempo << 8) | byte;
        }
        AppendTempoRecord(piece_.tempoMap, tick, tempo, piece_.division);
        return LoadResult::Loaded;
    }

    LoadResult ReadTimeSignature(std::uint32_t length, std::int32_t tick) {
        // Without all four bytes there is no meter to take.
        if (length < 4) return Done(in_.Skip(length));
        std::uint8_t bytes[4];
        for (std::uint8_t& byte : bytes) {
            if (!in_.ReadByte(byte)) return in_.Failure();
        }
        const MeterRecord meter{tick, bytes[0], bytes[1], bytes[2], bytes[3]};
        if (piece_.meters.empty()) {
            piece_.initialMeter.numerator = meter.numerator;
            piece_.initialMeter.denominator =
                std::uint32_t{1} << (meter.denominatorPower < 31 ? meter.denominatorPower : 31);
        }
        piece_.meters.push_back(meter);
        return Done(in_.Skip(length - 4));
    }

    LoadResult ReadOtherMeta(const ChunkEvent& event, std::int32_t tick) {
        data_.clear();
        if (!in_.ReadInto(data_, event.length)) return in_.Failure();
        if (event.metaType == kMetaEndOfTrack) return LoadResult::Loaded;
        if (event.metaType == kMetaSequencerSpecific && data_.size() > 4 &&
            std::memcmp(data_.data(), kSettingsEventPrefix, sizeof kSettingsEventPrefix) == 0) {
            return LoadResult::Loaded;
        }
        if (event.metaType == kMetaKeySignature) TakeInitialKey();
        std::vector<std::uint8_t>& stream = piece_.conductorMeta;
        const auto tickBytes = static_cast<std::uint32_t>(tick);
        std::uint8_t native[sizeof tickBytes];
        std::memcpy(native, &tickBytes, sizeof tickBytes);
        stream.insert(stream.end(), native, native + sizeof native);
        stream.push_back(event.metaType);
        AppendVariableLength(stream, event.length);
        stream.insert(stream.end(), data_.begin(), data_.end());
        return LoadResult::Loaded;
    }

    // The first key signature that names a key (sharps or flats within
    // seven, and a mode byte) sets the initial key.
    void TakeInitialKey() {
        if (keyTaken_ || data_.size() < 2) return;
        const auto sharps = static_cast<std::int8_t>(data_[0]);
        if (sharps < -7 || sharps > 7) return;
        keyTaken_ = true;
        piece_.initialKey = static_cast<std::int8_t>((data_[1] == 0 ? 7 : 22) + sharps);
        piece_.initialKeyHasFlats = sharps < 0;
    }

    BufferedReader& in_;
    Piece& piece_;
    std::vector<std::uint8_t> data_;
    bool keyTaken_ = false;
};

}  // namespace

LoadResult ReadConductorChunk(BufferedReader& in, Piece& piece, SysExCollector& sysEx) {
    if (LoadResult header = ReadTrackChunkHeader(in); header != LoadResult::Loaded) return header;
    ChunkEventReader events(in);
    ConductorReader conductor(in, piece);
    for (;;) {
        ChunkEvent event;
        std::uint32_t delta = 0;
        if (LoadResult next = events.Next(event, delta); next != LoadResult::Loaded) return next;
        const auto tick = static_cast<std::int32_t>(events.Tick());
        LoadResult result = LoadResult::Loaded;
        switch (event.type) {
            case ChunkEventType::SysEx:
                result = sysEx.AddMessage(in, event.length, static_cast<std::uint32_t>(tick));
                break;
            case ChunkEventType::Continuation:
                result = sysEx.AddContinuation(in, event.length);
                break;
            case ChunkEventType::Meta:
                result = conductor.ReadMeta(event, tick);
                if (result == LoadResult::Loaded && event.metaType == kMetaEndOfTrack) {
                    return LoadResult::Loaded;
                }
                break;
            case ChunkEventType::Channel:
            case ChunkEventType::Other:
                break;
        }
        if (result != LoadResult::Loaded) return result;
    }
}

}  // namespace ostinel
