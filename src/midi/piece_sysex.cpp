#include "midi/piece_sysex.h"

#include <cstddef>
#include <new>

#include "music/midi_message.h"

namespace ostinel {

PieceSysex::PieceSysex(MidiOutput& output, const platform::Clock& clock)
    : output_(output), clock_(clock) {}

bool PieceSysex::SendLeadingSysex(const Piece& piece) {
    const std::uint32_t first = piece.firstEventTime;
    return Queue(piece, [first](const SysExRecord& r) { return r.time <= first; });
}

bool PieceSysex::SendClosingSysex(const Piece& piece) {
    const std::uint32_t last = piece.lastEventTime;
    return Queue(piece, [last](const SysExRecord& r) { return r.time > last; });
}

template <typename Selected>
bool PieceSysex::Queue(const Piece& piece, Selected selected) {
    const OutputSettings& settings = output_.Settings();
    if (!settings.transmitSysex || settings.sysexMode != kSysexWhenFileOpened) return true;
    if (queue_.empty() && lastSendEnd_) {
        // Forget a send whose gap is long over, before the 32-bit clock can
        // wrap around and make it look recent again.
        const std::int32_t since = platform::ClockDifference(clock_.Now(), *lastSendEnd_);
        if (since < 0 || since >= static_cast<std::int32_t>(kSysexGapMs)) lastSendEnd_.reset();
    }
    bool allQueued = true;
    try {
        for (const SysExRecord& record : piece.sysExList) {
            if (!selected(record) || record.bufferIndex >= piece.sysExBuffers.size()) continue;
            const std::vector<std::uint8_t>& buffer = piece.sysExBuffers[record.bufferIndex];
            const std::size_t length = SysexLength(buffer);
            if (length == 0) continue;
            queue_.push_back(
                {{buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length)},
                 settings.sysexPort});
        }
    } catch (const std::bad_alloc&) {
        allQueued = false;
    }
    SendDueSysex();
    return allQueued;
}

std::optional<platform::ClockMs> PieceSysex::NextSysexDue() const {
    if (queue_.empty()) return std::nullopt;
    if (!lastSendEnd_) return clock_.Now();
    return *lastSendEnd_ + kSysexGapMs;
}

void PieceSysex::SendDueSysex() {
    const std::optional<platform::ClockMs> due = NextSysexDue();
    if (!due || !platform::ClockReached(clock_.Now(), *due)) return;
    const QueuedSysex& next = queue_.front();
    output_.SendMidi(next.bytes, next.port);
    // The gap counts from the end of the send, which a retry may have delayed.
    lastSendEnd_ = clock_.Now();
    queue_.pop_front();
}

void PieceSysex::FinishSysex(platform::TimerService& timers) {
    while (SysexPending()) {
        const std::int32_t wait = platform::ClockDifference(*NextSysexDue(), clock_.Now());
        if (wait > 0) timers.Sleep(static_cast<std::uint32_t>(wait));
        SendDueSysex();
    }
}

}  // namespace ostinel
