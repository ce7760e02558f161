#include "musicxml/timeline.h"

#include <algorithm>

#include "musicxml/playing_order.h"

namespace ostinel::musicxml {

namespace {

std::uint32_t NominalLength(const MeasureMarks& marks, std::int32_t division) {
    return (static_cast<std::uint32_t>(division) * 4 * marks.beats) >> marks.beatTypePower;
}

// The furthest any part's voices reach; a measure with nothing in it lasts
// as its time signature says.
std::uint32_t MeasureLength(const Score& score, int index) {
    std::int32_t length = 0;
    for (const PartInfo& part : score.parts) {
        const auto at = static_cast<std::size_t>(index);
        if (at < part.measures.size()) length = std::max(length, part.measures[at].length);
    }
    if (length > 0) return static_cast<std::uint32_t>(length);
    return NominalLength(score.marks[static_cast<std::size_t>(index)], score.division);
}

}  // namespace

std::map<std::uint32_t, std::uint32_t> TempoChanges(const Score& score,
                                                    const std::vector<PlayedMeasure>& played) {
    std::map<std::uint32_t, std::uint32_t> tempos;
    for (const PartInfo& part : score.parts) {
        for (const PlayedMeasure& measure : played) {
            const auto index = static_cast<std::size_t>(measure.index);
            if (index >= part.measures.size()) continue;
            for (const TimedValue& tempo : part.measures[index].tempos) {
                const std::uint32_t offset =
                    std::min(static_cast<std::uint32_t>(tempo.offset), measure.length);
                tempos.try_emplace(measure.start + offset, tempo.value);
            }
        }
    }
    return tempos;
}

LoadResult LayOutMeasures(const Score& score, std::vector<PlayedMeasure>& played) {
    played.clear();
    std::vector<std::uint32_t> lengths(score.marks.size());
    for (std::size_t i = 0; i < lengths.size(); ++i)
        lengths[i] = MeasureLength(score, static_cast<int>(i));
    std::uint64_t tick = 0;
    for (int index : PlayingOrder(score.marks)) {
        const std::uint32_t length = lengths[static_cast<std::size_t>(index)];
        played.push_back({index, static_cast<std::uint32_t>(tick), length});
        tick += length;
        if (tick > kMaxMidiFileTick) return LoadResult::FileTooLarge;
    }
    return LoadResult::Loaded;
}

}  // namespace ostinel::musicxml
