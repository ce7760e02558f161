#include "playback/play_list.h"

namespace ostinel {

std::uint32_t TrackEventWord(const TrackEvent& event) {
    return std::uint32_t{event.kind} | std::uint32_t{event.data1} << 8 |
           std::uint32_t{event.data2} << 16;
}

std::uint32_t SysExWord(const SysExRecord& record) {
    return std::uint32_t{record.status} | std::uint32_t{record.bufferIndex} << 16;
}

std::uint32_t BeatWord(const BeatRecord& beat) {
    return std::uint32_t{beat.measure} | std::uint32_t{beat.beat} << 16;
}

PlayOrderKey OrderKeyOf(const PlaySource& source) {
    if (source.tag == kBeatSourceTag) return PlayOrderKey{source.due, true, 0, 0};
    return PlayOrderKey{source.due, false, static_cast<std::uint8_t>(source.word & 0xFF),
                        static_cast<std::uint8_t>((source.word >> 16) & 0xFF)};
}

bool PlayList::Build(const Piece& piece, const PlayListOptions& options, std::int32_t sysExIndex,
                     std::int32_t beatIndex) {
    const int fileTracks = piece.TrackCount();
    // File tracks, the performance track, the system-exclusive list, the beat map.
    entries_.assign(static_cast<std::size_t>(fileTracks) + 3, PlaySource{});
    count_ = 0;
    auto enterTrack = [&](int index) {
        const Track& track = piece.tracks[static_cast<std::size_t>(index)];
        if (track.nextIndex < 0 || track.nextIndex >= track.count) return;
        const TrackEvent& event = track.events[static_cast<std::size_t>(track.nextIndex)];
        Insert(PlaySource{static_cast<ScorePosition>(event.time), TrackEventWord(event), index});
    };
    for (int index = 0; index < fileTracks; ++index) {
        if (index == options.leftOutTrack || index == options.secondLeftOutTrack) continue;
        enterTrack(index);
    }
    if (options.includePerformanceTrack && !piece.tracks.empty()) enterTrack(fileTracks);
    if (sysExIndex >= 0 && static_cast<std::size_t>(sysExIndex) < piece.sysExList.size()) {
        const SysExRecord& record = piece.sysExList[static_cast<std::size_t>(sysExIndex)];
        Insert(PlaySource{static_cast<ScorePosition>(record.time), SysExWord(record),
                          kSysExSourceTag});
    }
    if (beatIndex >= 0 && static_cast<std::size_t>(beatIndex) < piece.beatMap.size()) {
        const BeatRecord& beat = piece.beatMap[static_cast<std::size_t>(beatIndex)];
        Insert(PlaySource{static_cast<ScorePosition>(beat.time), BeatWord(beat), kBeatSourceTag});
    }
    return count_ > 0;
}

void PlayList::Insert(const PlaySource& source) {
    const PlayOrderKey key = OrderKeyOf(source);
    std::size_t place = 0;
    while (place < count_ && !GoesFirst(key, OrderKeyOf(entries_[place])))
        ++place;
    for (std::size_t i = count_; i > place; --i)
        entries_[i] = entries_[i - 1];
    entries_[place] = source;
    ++count_;
}

void PlayList::AdvanceHead(ScorePosition due, std::uint32_t word) {
    PlaySource moved = entries_[0];
    moved.due = due;
    moved.word = word;
    const PlayOrderKey key = OrderKeyOf(moved);
    std::size_t place = 0;
    while (place + 1 < count_ && GoesFirst(OrderKeyOf(entries_[place + 1]), key)) {
        entries_[place] = entries_[place + 1];
        ++place;
    }
    entries_[place] = moved;
}

void PlayList::RemoveHead() {
    for (std::size_t i = 1; i < count_; ++i)
        entries_[i - 1] = entries_[i];
    --count_;
}

}  // namespace ostinel
