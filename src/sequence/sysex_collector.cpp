#include "sequence/sysex_collector.h"
#include "music/midi_message.h"

#include <algorithm>

#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

constexpr std::size_t kMaxMessages = 65536;

}  // namespace

LoadResult SysExCollector::AddMessage(BufferedReader& in, std::uint32_t length,
                                      std::uint32_t time) {
    if (piece_.sysExBuffers.size() >= kMaxMessages) {
        droppingContinuations_ = true;
        return in.Skip(length) ? LoadResult::Loaded : in.Failure();
    }
    droppingContinuations_ = false;
    std::vector<std::uint8_t> buffer;
    buffer.push_back(kSysexStart);
    if (!in.ReadInto(buffer, length)) return in.Failure();
    buffer.push_back(kSysexEnd);
    const auto index = static_cast<std::uint16_t>(piece_.sysExBuffers.size());
    piece_.sysExBuffers.push_back(std::move(buffer));
    piece_.sysExList.push_back({time, kSysexStart, 0, index});
    return LoadResult::Loaded;
}

LoadResult SysExCollector::AddContinuation(BufferedReader& in, std::uint32_t length) {
    if (piece_.sysExBuffers.empty()) return LoadResult::WrongFormat;
    if (droppingContinuations_) return in.Skip(length) ? LoadResult::Loaded : in.Failure();
    std::vector<std::uint8_t>& buffer = piece_.sysExBuffers.back();
    buffer.pop_back();  // the closing F7 goes after the new data
    const bool read = in.ReadInto(buffer, length);
    buffer.push_back(kSysexEnd);
    return read ? LoadResult::Loaded : in.Failure();
}

void SysExCollector::ConvertTicksToMs() {
    TickClock clock(piece_.tempoMap, piece_.division);
    for (SysExRecord& record : piece_.sysExList) {
        // Ticks were collected in file order, so they never go back.
        const std::int64_t ticks = std::max<std::int64_t>(record.time - clock.Tick(), 0);
        clock.Advance(static_cast<std::uint32_t>(ticks));
        record.time = clock.TimeMs();
    }
}

void SysExCollector::SortByTime() {
    std::stable_sort(piece_.sysExList.begin(), piece_.sysExList.end(),
                     [](const SysExRecord& a, const SysExRecord& b) { return a.time < b.time; });
}

}  // namespace ostinel
