#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

std::optional<ScorePosition> BeatPosition(const std::vector<BeatRecord>& beatMap, int measure,
                                          int beat) {
    if (measure < 0 || beat < 1) {
        return std::nullopt;
    }
    for (const BeatRecord& record : beatMap) {
        if (record.measure > measure) {
            break;
        }
        if (record.measure == measure && record.beat == beat) {
            return static_cast<ScorePosition>(record.time);
        }
    }
    return std::nullopt;
}

BeatRecord BeatAt(const std::vector<BeatRecord>& beatMap, ScorePosition position) {
    if (beatMap.empty()) {
        return {};
    }
    std::size_t at = 0;
    while (at + 1 < beatMap.size() &&
           static_cast<ScorePosition>(beatMap[at + 1].time) <= position) {
        ++at;
    }
    return beatMap[at];
}

int BeatLengthAt(const std::vector<BeatRecord>& beatMap, ScorePosition position) {
    for (std::size_t at = 0; at + 1 < beatMap.size(); ++at) {
        if (static_cast<ScorePosition>(beatMap[at + 1].time) > position) {
            return static_cast<int>(beatMap[at + 1].time - beatMap[at].time);
        }
    }
    return 0;
}

}  // namespace ostinel::dialogs
