#include "playback/performance_tempo_map.h"

#include <algorithm>
#include <vector>

#include "sequence/smf_codec.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

constexpr double kFactorOne = 268435456.0;  // 2^28

struct FactorPoint {
    std::int32_t tick = 0;
    std::uint32_t factor = kOwnTempoFactor;
};

std::int32_t TickOf(ScorePosition position, const Piece& piece) {
    const std::uint32_t ms =
        position > ScorePosition{} ? static_cast<std::uint32_t>(position.Ms()) : 0;
    return static_cast<std::int32_t>(
        std::min<std::uint32_t>(MsToTicks(ms, piece.tempoMap, piece.division), kMaxMidiFileTick));
}

// Score time over performed time between two entries, 4.28, truncated.
std::uint32_t StretchFactor(const PerformanceTempoEntry& from, const PerformanceTempoEntry& to) {
    const std::uint64_t performed = to.time - from.time;
    if (performed == 0) return kOwnTempoFactor;
    const std::uint64_t score =
        to.position > from.position ? static_cast<std::uint64_t>(to.position - from.position) : 0;
    const std::uint64_t factor = ((score << 28) + performed / 2) / performed;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(factor, 0xFFFFFFFFu));
}

std::vector<FactorPoint> FactorPoints(const Piece& piece, const PerformanceTempoList& list,
                                      const PerformanceTempoChoices& choices) {
    std::vector<FactorPoint> points;
    const std::vector<PerformanceTempoEntry>& entries = list.entries;
    if (entries.empty()) return points;
    // A later point at the same tick is the one in force there.
    const auto add = [&points](std::int32_t tick, std::uint32_t factor) {
        if (!points.empty() && points.back().tick >= tick) {
            points.back().factor = factor;
        } else {
            points.push_back({tick, factor});
        }
    };
    if (entries.front().position != ScorePosition{}) {
        add(0, choices.before == TempoBeforePerformed::AverageTempo ? list.averageFactor
                                                                    : kOwnTempoFactor);
    }
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        add(TickOf(entries[i].position, piece),
            choices.during == TempoDuringPerformed::PerformedTempos
                ? StretchFactor(entries[i], entries[i + 1])
                : kOwnTempoFactor);
    }
    std::uint32_t after = kOwnTempoFactor;
    if (choices.after == TempoAfterPerformed::AverageTempo) after = list.averageFactor;
    if (choices.after == TempoAfterPerformed::LastTempo) {
        after = std::uint32_t{list.lastTempo.Raw()} << 16;
    }
    add(TickOf(entries.back().position, piece), after);
    return points;
}

std::uint32_t PlayedTempo(std::uint32_t tempo, std::uint32_t factor) {
    // No score time passes at a factor of 0: the file's tempo is kept.
    if (factor == 0) return tempo;
    const double played =
        (static_cast<double>(tempo) * kFactorOne + static_cast<double>(factor / 2)) /
        static_cast<double>(factor);
    return played >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(played);
}

void SetTimes(TempoMap& map, std::uint16_t division) {
    const std::uint64_t ticksPerQuarter = division != 0 ? division : 1;
    for (std::size_t i = 0; i < map.size(); ++i) {
        TempoRecord& record = map[i];
        if (i == 0) {
            record.timeUs = 0;
        } else if (record.tick == kEndTick) {
            record.timeUs = kEndTimeUs;
        } else {
            const TempoRecord& previous = map[i - 1];
            const auto ticks = static_cast<std::uint64_t>(record.tick - previous.tick);
            record.timeUs =
                previous.timeUs +
                (std::uint64_t{previous.tempo} * ticks + ticksPerQuarter / 2) / ticksPerQuarter;
        }
    }
}

}  // namespace

TempoMap BuildOutputTempoMap(const Piece& piece, const PerformanceTempoList& list,
                             const PerformanceTempoChoices& choices) {
    const std::vector<FactorPoint> factors = FactorPoints(piece, list, choices);
    TempoMap file = piece.tempoMap;
    if (file.empty() || file.back().tick != kEndTick) CloseTempoMap(file);

    TempoMap merged;
    std::size_t f = 0;
    std::size_t r = 0;
    std::uint32_t factor = kOwnTempoFactor;
    std::uint32_t tempo = std::uint32_t{piece.division} * kTickUsBeforeFirstTempo;
    while (f < factors.size() || r < file.size()) {
        std::int32_t tick = kEndTick;
        if (f < factors.size()) tick = factors[f].tick;
        if (r < file.size()) tick = std::min(tick, file[r].tick);
        for (; f < factors.size() && factors[f].tick == tick; ++f)
            factor = factors[f].factor;
        for (; r < file.size() && file[r].tick == tick; ++r)
            tempo = file[r].tempo;
        merged.push_back({tick, 0, PlayedTempo(tempo, factor)});
    }
    SetTimes(merged, piece.division);
    return merged;
}

}  // namespace ostinel
