#include "playback/performance_tempo.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "music/fixed_point.h"

namespace ostinel {

namespace {

constexpr std::uint32_t kOwnRatio = kOwnTempoSpeed.Raw();
constexpr double kFactorOne = 268435456.0;  // 2^28
// A 4.28 factor cannot reach 16 times the file's tempo.
constexpr double kLargestFactor = 4294967295.0;

// A later position never lies before an earlier one; a follower jump back is
// taken as no score time passing.
std::uint32_t ScoreSpan(ScorePosition from, ScorePosition to) {
    return to > from ? static_cast<std::uint32_t>(to - from) : 0;
}

std::uint32_t AverageFactor(const std::vector<PerformanceTempoEntry>& entries) {
    if (entries.size() < 2) return kOwnTempoFactor;
    const PerformanceTempoEntry& first = entries.front();
    const PerformanceTempoEntry& last = entries.back();
    const double performed = static_cast<double>(last.time) - static_cast<double>(first.time);
    // No performed time passed: there is no pace to average.
    if (performed <= 0) return kOwnTempoFactor;
    const double score =
        static_cast<double>(last.position.Ms()) - static_cast<double>(first.position.Ms());
    const double average = std::round((score * kFactorOne + performed / 2) / performed);
    return static_cast<std::uint32_t>(std::clamp(average, 0.0, kLargestFactor));
}

SpeedFactor FactorToSpeed(std::uint32_t factor) {
    const std::uint64_t speed = (std::uint64_t{factor} + 32768) >> 16;
    return SpeedFactor(static_cast<std::uint16_t>(std::min<std::uint64_t>(speed, 0xFFFF)));
}

std::uint32_t AfterRatio(const PerformanceTempoList& list, TempoAfterPerformed after) {
    switch (after) {
        case TempoAfterPerformed::AverageTempo:
            return list.averageTempo.Raw();
        case TempoAfterPerformed::LastTempo:
            return list.lastTempo.Raw();
        case TempoAfterPerformed::FileTempo:
            break;
    }
    return kOwnRatio;
}

}  // namespace

PerformanceTempoList BuildPerformanceTempoList(std::span<const TempoPoint> tempoPoints,
                                               ScorePosition punchStart, SpeedFactor lastSpeed) {
    PerformanceTempoList list;
    list.lastTempo = lastSpeed;
    try {
        const TempoPoint* previous = nullptr;
        for (const TempoPoint& point : tempoPoints) {
            if (point.position < punchStart) continue;
            if (previous == nullptr) {
                list.entries.push_back({0, point.position});
            } else {
                const std::uint32_t ratio = previous->tempo > 0
                                                ? static_cast<std::uint32_t>(previous->tempo)
                                                : static_cast<std::uint32_t>(kFixedOne);
                const std::uint32_t span = ScoreSpan(previous->position, point.position);
                list.entries.push_back(
                    {list.entries.back().time + fixdiv16(span, ratio), point.position});
            }
            previous = &point;
        }
    } catch (const std::bad_alloc&) {
        list.entries.clear();
    }
    if (list.entries.size() <= 2) {
        list.entries.clear();
        return list;
    }
    list.averageFactor = AverageFactor(list.entries);
    list.averageTempo = FactorToSpeed(list.averageFactor);
    return list;
}

bool PerformanceExists(const PerformanceTempoList& list) {
    return list.entries.size() > 2;
}

std::int32_t PerformanceTempoIndex(const PerformanceTempoList& list, ScorePosition position) {
    const auto found = std::lower_bound(
        list.entries.begin(), list.entries.end(), position,
        [](const PerformanceTempoEntry& entry, ScorePosition p) { return entry.position < p; });
    return static_cast<std::int32_t>(found - list.entries.begin());
}

std::uint32_t StartingTempoRatio(const PerformanceTempoList& list, ScorePosition position,
                                 const PerformanceTempoChoices& choices) {
    const std::int32_t index = PerformanceTempoIndex(list, position);
    const std::int32_t count = list.Count();
    if (index == 0) {
        return choices.before == TempoBeforePerformed::AverageTempo ? list.averageTempo.Raw()
                                                                    : kOwnRatio;
    }
    if (index >= count) return AfterRatio(list, choices.after);
    if (choices.during != TempoDuringPerformed::PerformedTempos) return kOwnRatio;
    const PerformanceTempoEntry& from = list.entries[static_cast<std::size_t>(index - 1)];
    const PerformanceTempoEntry& to = list.entries[static_cast<std::size_t>(index)];
    const std::uint64_t performed = to.time - from.time;
    if (performed == 0) return kOwnRatio;
    const std::uint64_t score = ScoreSpan(from.position, to.position);
    return static_cast<std::uint32_t>((score * 4096 + performed / 2) / performed);
}

SpeedFactor SpeedForRatio(std::uint32_t ratio, SpeedFactor masterTempo,
                          SpeedFactor masterTempoAtRecording) {
    const std::uint64_t recording = masterTempoAtRecording != SpeedFactor{}
                                        ? masterTempoAtRecording.Raw()
                                        : kOwnTempoSpeed.Raw();
    const std::uint64_t speed =
        (std::uint64_t{ratio} * masterTempo.Raw() + recording / 2) / recording;
    return SpeedFactor(static_cast<std::uint16_t>(std::clamp<std::uint64_t>(speed, 1, 0xFFFF)));
}

std::optional<std::uint32_t> SteerPerformanceTempo(const PerformanceTempoList& list,
                                                   std::int32_t& index, ScorePosition head,
                                                   const PerformanceTempoChoices& choices) {
    const std::int32_t count = list.Count();
    const std::int32_t was = index;
    while (index >= 0 && index < count &&
           list.entries[static_cast<std::size_t>(index)].position <= head) {
        ++index;
    }
    if (index == was) return std::nullopt;
    const bool performed = choices.during == TempoDuringPerformed::PerformedTempos;
    if (!performed && was != 0 && index != count) return std::nullopt;
    if (index >= count) return AfterRatio(list, choices.after);
    if (!performed) return kOwnRatio;
    const PerformanceTempoEntry& from = list.entries[static_cast<std::size_t>(index - 1)];
    const PerformanceTempoEntry& to = list.entries[static_cast<std::size_t>(index)];
    const std::uint32_t performedSpan = to.time - from.time;
    if (performedSpan == 0) return kOwnRatio;
    return fixdiv16(ScoreSpan(from.position, to.position), performedSpan) >> 4;
}

}  // namespace ostinel
