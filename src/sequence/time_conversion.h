#pragma once

// Conversions between file ticks and piece time through the tempo map.
// Pure computations over the given map: any thread.

#include <cstdint>

#include "sequence/piece.h"

namespace ostinel {

// Until the first tempo change every tick lasts this long, whatever the division.
inline constexpr std::uint32_t kTickUsBeforeFirstTempo = 1042;

// The running tick-to-time conversion: walks forward through the tempo map
// one advance at a time, as the reader walks through a chunk and the beat map
// through the beats. The microsecond sum starts at 500 so that dividing it by
// 1000 rounds to the nearest millisecond.
class TickClock {
  public:
    // Starts at tick 0. `tempoMap` must stay alive and unchanged while this is
    // used; it may be empty (then every tick lasts 1042 µs). `division` > 0.
    TickClock(const TempoMap& tempoMap, std::uint16_t division);

    void Advance(std::uint32_t ticks) {
        // Most events follow another at the same tick: nothing moves then.
        if (ticks == 0 && !TempoChangeDueAt(tick_)) return;
        AdvanceThroughTempoMap(ticks);
    }

    std::int64_t Tick() const { return tick_; }
    std::uint64_t MicrosecondSum() const { return microseconds_; }
    std::uint32_t TempoUs() const { return tempo_; }  // µs per quarter note now
    // The time of the current tick in ms (saturates at the largest u32).
    std::uint32_t TimeMs() const {
        const std::uint64_t ms = microseconds_ / 1000;
        return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
    }

  private:
    bool TempoChangeDueAt(std::int64_t tick) const {
        return next_ < tempoMap_.size() && tempoMap_[next_].tick != kEndTick &&
               tempoMap_[next_].tick <= tick;
    }
    void AdvanceThroughTempoMap(std::uint32_t ticks);

    const TempoMap& tempoMap_;
    std::uint32_t division_;
    std::size_t next_ = 0;  // the next tempo record to pass
    std::int64_t tick_ = 0;
    std::uint64_t microseconds_ = 500;
    std::uint32_t tempo_;
};

// Microseconds that `ticks` last at `tempo` µs per quarter note, truncated.
std::uint64_t TicksToUs(std::uint64_t ticks, std::uint32_t tempo, std::uint32_t division);

// Appends a tempo change at `tick` (not before the last one) and works out
// its time from the records before it.
void AppendTempoRecord(TempoMap& tempoMap, std::int32_t tick, std::uint32_t tempo,
                       std::uint16_t division);

// Closes the tempo map with its kEndTick record.
void CloseTempoMap(TempoMap& tempoMap);

// The tick at which `ms` falls, for writing the piece back as a file.
std::uint32_t MsToTicks(std::uint32_t ms, const TempoMap& tempoMap, std::uint16_t division);

}  // namespace ostinel
