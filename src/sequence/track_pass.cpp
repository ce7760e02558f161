#include <algorithm>
#include <string>

#include "sequence/chunk_events.h"
#include "sequence/file_passes.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

constexpr std::size_t kMaxPortNames = 8;
constexpr std::uint32_t kMaxPortNameBytes = 255;

// Delta times that put a chunk's end further away than this come from a
// damaged file: the rest is treated as the file ending early.
constexpr std::uint64_t kMaxChunkUs = 24ull * 60 * 60 * 1000 * 1000;

// Meta text up to its first NUL, as a C string would read it.
std::string TextOf(const std::vector<std::uint8_t>& data) {
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return std::string(data.begin(), end);
}

class TrackChunkReader {
  public:
    TrackChunkReader(BufferedReader& in, Piece& piece, ChunkTargets targets, TrackPassState& state)
        : in_(in), piece_(piece), targets_(targets), state_(state) {}

    void AddChannelEvent(const ChunkEvent& event, std::uint32_t timeMs) {
        const std::size_t index = targets_.splitByChannel ? (event.status & 0x0F) : 0;
        Track& track = targets_.tracks[index];
        PatchContext& context = targets_.patchContexts[index];
        const std::uint8_t kind = event.status & 0xF0;
        TrackEvent stored{timeMs, kind, event.data1, event.data2, 0};
        if (kind == kControlChange && event.data1 == 0) context.bank0 = event.data2;
        if (kind == kControlChange && event.data1 == 32) context.bank32 = event.data2;
        // A track that selects more than 32 different patches keeps the first
        // 32; changes to the others are left out so it stays on a sound of its own.
        if (kind == kProgramChange &&
            !EnterProgramChange(track, event.data1, context, stored.data1)) {
            return;
        }
        if (!targets_.splitByChannel && track.events.empty()) {
            track.fileChannel = static_cast<std::int16_t>(event.status & 0x0F);
        }
        track.events.push_back(stored);
        piece_.firstEventTime = std::min(piece_.firstEventTime, timeMs);
        piece_.lastEventTime = std::max(piece_.lastEventTime, timeMs);
    }

    LoadResult ReadMeta(const ChunkEvent& event) {
        switch (event.metaType) {
            case kMetaPort:
                return ReadPort(event.length);
            case kMetaTrackName:
            case kMetaText:
                if (piece_.format == 1) return ReadName(event);
                break;
            default:
                break;
        }
        return Done(in_.Skip(event.length));
    }

  private:
    LoadResult Done(bool read) const { return read ? LoadResult::Loaded : in_.Failure(); }

    LoadResult ReadPort(std::uint32_t length) {
        const std::uint32_t kept = std::min(length, kMaxPortNameBytes);
        data_.clear();
        if (!in_.ReadInto(data_, kept) || !in_.Skip(length - kept)) return in_.Failure();
        const std::string name = TextOf(data_);
        auto& names = state_.portNames;
        const auto found = std::find(names.begin(), names.end(), name);
        std::int16_t port = 0;
        if (found != names.end()) {
            port = static_cast<std::int16_t>(found - names.begin());
        } else {
            port = static_cast<std::int16_t>(state_.newPortNames++ % kMaxPortNames);
            if (names.size() < kMaxPortNames) names.push_back(name);
        }
        // In a file split by channel the chunk feeds every one of its tracks.
        for (Track& track : targets_.tracks)
            track.filePort = port;
        return LoadResult::Loaded;
    }

    LoadResult ReadName(const ChunkEvent& event) {
        data_.clear();
        if (!in_.ReadInto(data_, event.length)) return in_.Failure();
        Track& track = targets_.tracks[0];
        if (event.metaType == kMetaTrackName || track.name.empty()) track.name = TextOf(data_);
        return LoadResult::Loaded;
    }

    BufferedReader& in_;
    Piece& piece_;
    ChunkTargets targets_;
    TrackPassState& state_;
    std::vector<std::uint8_t> data_;
};

}  // namespace

LoadResult ReadTrackChunk(BufferedReader& in, Piece& piece, ChunkTargets targets,
                          SysExCollector& sysEx, TrackPassState& state) {
    if (LoadResult header = ReadTrackChunkHeader(in); header != LoadResult::Loaded) return header;
    ChunkEventReader events(in);
    TrackChunkReader chunk(in, piece, targets, state);
    TickClock clock(piece.tempoMap, piece.division);
    // The first chunk's system-exclusive messages were kept by the conductor pass.
    const bool keepSysEx = piece.format != 0;
    for (;;) {
        ChunkEvent event;
        std::uint32_t delta = 0;
        if (LoadResult next = events.Next(event, delta); next != LoadResult::Loaded) return next;
        clock.Advance(delta);
        if (clock.MicrosecondSum() > kMaxChunkUs) return LoadResult::EndedEarly;
        LoadResult result = LoadResult::Loaded;
        switch (event.type) {
            case ChunkEventType::Channel:
                chunk.AddChannelEvent(event, clock.TimeMs());
                break;
            case ChunkEventType::SysEx:
                result = keepSysEx ? sysEx.AddMessage(in, event.length, clock.TimeMs())
                                   : (in.Skip(event.length) ? LoadResult::Loaded : in.Failure());
                break;
            case ChunkEventType::Continuation:
                result = keepSysEx ? sysEx.AddContinuation(in, event.length)
                                   : (in.Skip(event.length) ? LoadResult::Loaded : in.Failure());
                break;
            case ChunkEventType::Meta:
                if (event.metaType == kMetaEndOfTrack) {
                    if (!in.Skip(event.length)) return in.Failure();
                    state.longestEndUs = std::max(state.longestEndUs, clock.MicrosecondSum());
                    return LoadResult::Loaded;
                }
                result = chunk.ReadMeta(event);
                break;
            case ChunkEventType::Other:
                break;
        }
        if (result != LoadResult::Loaded) return result;
    }
}

}  // namespace ostinel
