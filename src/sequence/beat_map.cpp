#include "sequence/beat_map.h"

#include <algorithm>
#include <limits>

#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

// (division × 4) shifted right by the denominator power, but at least one
// tick so that a damaged denominator cannot stall the map.
std::uint32_t BeatTicks(std::uint16_t division, std::uint8_t denominatorPower) {
    const std::uint32_t wholeNote = std::uint32_t{division} * 4;
    const std::uint32_t ticks = denominatorPower >= 32 ? 0 : wholeNote >> denominatorPower;
    return std::max<std::uint32_t>(ticks, 1);
}

}  // namespace

void BuildBeatMap(Piece& piece, std::uint64_t endUs) {
    piece.beatMap.clear();
    piece.beatMap.push_back({0, 1, 1, 0});
    TickClock clock(piece.tempoMap, piece.division);
    MeterRecord meter;  // 4/4 until the first time signature
    std::size_t nextMeter = 0;
    std::uint16_t measure = 1;
    std::uint16_t beat = 1;
    while (clock.MicrosecondSum() < endUs && piece.beatMap.size() < kMaxBeats) {
        while (nextMeter < piece.meters.size() && piece.meters[nextMeter].tick != kEndTick &&
               piece.meters[nextMeter].tick <= clock.Tick()) {
            meter = piece.meters[nextMeter++];
        }
        clock.Advance(BeatTicks(piece.division, meter.denominatorPower));
        ++beat;
        if (beat > meter.numerator) {
            beat = 1;
            ++measure;
        }
        const auto sixteenths = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(clock.Tick()) * 4 / piece.division);
        piece.beatMap.push_back({clock.TimeMs(), measure, beat, sixteenths});
    }
    const std::uint64_t lengthMs = clock.MicrosecondSum() / 1000 + 1;
    piece.length = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(lengthMs, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace ostinel
