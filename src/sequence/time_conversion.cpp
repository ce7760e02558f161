#include "sequence/time_conversion.h"

#include <algorithm>
#include <limits>

namespace ostinel {

namespace {

// Doubles at or above 2^64 do not convert to u64.
constexpr double kU64Limit = 18446744073709551616.0;

bool IsClosingRecord(const TempoRecord& record) {
    return record.tick == kEndTick;
}

}  // namespace

std::uint64_t TicksToUs(std::uint64_t ticks, std::uint32_t tempo, std::uint32_t division) {
    const double us = (static_cast<double>(tempo) * static_cast<double>(ticks) +
                       static_cast<double>(division / 2)) /
                      static_cast<double>(division);
    if (!(us < kU64Limit)) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(us);
}

TickClock::TickClock(const TempoMap& tempoMap, std::uint16_t division)
    : tempoMap_(tempoMap),
      division_(division),
      tempo_(static_cast<std::uint32_t>(division) * kTickUsBeforeFirstTempo) {
    AdvanceThroughTempoMap(0);  // takes a tempo change at tick 0 as the starting tempo
}

void TickClock::AdvanceThroughTempoMap(std::uint32_t ticks) {
    std::int64_t remaining = ticks;
    while (next_ < tempoMap_.size()) {
        const TempoRecord& record = tempoMap_[next_];
        if (IsClosingRecord(record) || record.tick > tick_ + remaining) break;
        remaining -= std::max<std::int64_t>(record.tick - tick_, 0);
        microseconds_ = record.timeUs + 500;
        tempo_ = record.tempo;
        tick_ = std::max<std::int64_t>(record.tick, tick_);
        ++next_;
    }
    tick_ += remaining;
    microseconds_ += TicksToUs(static_cast<std::uint64_t>(remaining), tempo_, division_);
}

void AppendTempoRecord(TempoMap& tempoMap, std::int32_t tick, std::uint32_t tempo,
                       std::uint16_t division) {
    TempoRecord record{tick, 0, tempo};
    if (tempoMap.empty()) {
        record.timeUs = static_cast<std::uint64_t>(std::max(tick, 0)) * kTickUsBeforeFirstTempo;
    } else {
        const TempoRecord& previous = tempoMap.back();
        const std::int64_t ticks = std::max<std::int64_t>(std::int64_t{tick} - previous.tick, 0);
        record.timeUs = previous.timeUs +
                        TicksToUs(static_cast<std::uint64_t>(ticks), previous.tempo, division);
    }
    tempoMap.push_back(record);
}

void CloseTempoMap(TempoMap& tempoMap) {
    tempoMap.push_back({kEndTick, kEndTimeUs, 0});
}

std::uint32_t MsToTicks(std::uint32_t ms, const TempoMap& tempoMap, std::uint16_t division) {
    const std::uint64_t us = std::uint64_t{ms} * 1000;
    const TempoRecord* found = nullptr;
    for (const TempoRecord& record : tempoMap) {
        if (IsClosingRecord(record) || record.timeUs > us) break;
        found = &record;
    }
    if (found == nullptr) return static_cast<std::uint32_t>((us + 521) / 1042);
    // No tick passes any time at tempo 0, so nothing later is reachable.
    if (found->tempo == 0) return static_cast<std::uint32_t>(std::max(found->tick, 0));
    const double ticks = (static_cast<double>(us - found->timeUs) * division +
                          static_cast<double>(found->tempo / 2)) /
                             found->tempo +
                         found->tick;
    if (!(ticks < 4294967296.0)) return std::numeric_limits<std::uint32_t>::max();
    return ticks <= 0 ? 0 : static_cast<std::uint32_t>(ticks);
}

}  // namespace ostinel
