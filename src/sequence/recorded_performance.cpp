#include "sequence/recorded_performance.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

#include "sequence/buffered_reader.h"
#include "sequence/chunk_events.h"
#include "sequence/file_passes.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

// A message with the tick that orders it among the other chunks' messages.
struct TickedMessage {
    std::int64_t tick = 0;
    RecordedMessage message;
};

LoadResult ReadChunkMessages(BufferedReader& in, const Piece& conductor, int chunk,
                             std::vector<TickedMessage>& messages) {
    if (LoadResult header = ReadTrackChunkHeader(in); header != LoadResult::Loaded) return header;
    ChunkEventReader events(in);
    TickClock clock(conductor.tempoMap, conductor.division);
    for (;;) {
        ChunkEvent event;
        std::uint32_t delta = 0;
        if (LoadResult next = events.Next(event, delta); next != LoadResult::Loaded) return next;
        clock.Advance(delta);
        switch (event.type) {
            case ChunkEventType::Channel:
                messages.push_back(
                    {clock.Tick(),
                     {clock.TimeMs(), event.status, event.data1, event.data2, chunk}});
                break;
            case ChunkEventType::SysEx:
            case ChunkEventType::Continuation:
            case ChunkEventType::Meta:
                if (!in.Skip(event.length)) return in.Failure();
                if (event.type == ChunkEventType::Meta && event.metaType == kMetaEndOfTrack) {
                    return LoadResult::Loaded;
                }
                break;
            case ChunkEventType::Other:
                break;
        }
    }
}

LoadResult ReadAll(BufferedReader& in, RecordedPerformance& performance) {
    // Only its tempo map and division are used.
    Piece conductor;
    HeaderChunkFields header;
    const LoadResult read = ReadHeaderChunk(in, conductor, header);
    performance.division = conductor.division;
    if (read != LoadResult::Loaded) return read;
    performance.failedChunk = 1;
    SysExCollector sysEx(conductor);
    if (LoadResult result = ReadConductorChunk(in, conductor, sysEx);
        result != LoadResult::Loaded) {
        return result;
    }
    CloseTempoMap(conductor.tempoMap);

    // The conductor chunk is read again for its channel messages.
    if (!in.Seek(FirstTrackChunkAt(header))) return LoadResult::WrongFormat;
    std::vector<TickedMessage> messages;
    for (int chunk = 1; chunk <= std::max<int>(header.chunks, 1); ++chunk) {
        performance.failedChunk = chunk;
        if (LoadResult result = ReadChunkMessages(in, conductor, chunk, messages);
            result != LoadResult::Loaded) {
            return result;
        }
    }
    performance.failedChunk = 0;
    std::stable_sort(
        messages.begin(), messages.end(),
        [](const TickedMessage& a, const TickedMessage& b) { return a.tick < b.tick; });
    performance.messages.reserve(messages.size());
    for (const TickedMessage& ticked : messages)
        performance.messages.push_back(ticked.message);
    return LoadResult::Loaded;
}

}  // namespace

LoadResult ReadRecordedPerformance(std::FILE* file, RecordedPerformance& performance) {
    performance = RecordedPerformance{};
    LoadResult result = LoadResult::OutOfMemory;
    try {
        auto in = std::make_unique<BufferedReader>(file);
        result = ReadAll(*in, performance);
    } catch (const std::bad_alloc&) {
        result = LoadResult::OutOfMemory;
    } catch (const std::length_error&) {
        result = LoadResult::OutOfMemory;
    }
    if (result != LoadResult::Loaded) performance.messages.clear();
    return result;
}

}  // namespace ostinel
