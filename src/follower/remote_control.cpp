#include "follower/remote_control.h"

#include "sequence/piece.h"

namespace ostinel {

RemoteControl::RemoteControl(TransportRequestSink& requests, const TransportStatus& transport)
    : requests_(requests), transport_(transport) {
    for (std::atomic<std::int16_t>& entry : table_)
        entry.store(kNoBinding, std::memory_order_relaxed);
}

void RemoteControl::SetTable(const RemoteTable& table) {
    for (std::size_t i = 0; i < table_.size(); ++i)
        table_[i].store(table[i], std::memory_order_release);
}

RemoteTable RemoteControl::Table() const {
    RemoteTable table;
    for (std::size_t i = 0; i < table_.size(); ++i)
        table[i] = table_[i].load(std::memory_order_acquire);
    return table;
}

std::int16_t RemoteControl::SpecialSignal() const {
    return table_[kSpecialSignalEntry].load(std::memory_order_acquire);
}

bool RemoteControl::Match(std::uint32_t word) {
    const auto status = static_cast<std::uint8_t>(word & 0xF0);
    const auto data1 = static_cast<std::uint8_t>((word >> 8) & 0xFF);
    const auto data2 = static_cast<std::uint8_t>((word >> 16) & 0xFF);
    int entry = -1;
    bool released = false;
    if (status == kNoteOff || status == kNoteOn) {
        entry = FindEntry(NoteBinding(data1));
        released = status == kNoteOff;
    } else if (status == kControlChange) {
        entry = FindEntry(ControllerBinding(data1));
        released = data2 == 0;  // a pedal back at rest
    }
    if (entry < 0) return false;
    if (released) CarryOut(entry);
    return true;
}

int RemoteControl::FindEntry(std::int16_t binding) const {
    for (int i = 0; i < kRemoteCommandCount; ++i) {
        if (table_[static_cast<std::size_t>(i)].load(std::memory_order_relaxed) == binding)
            return i;
    }
    return -1;
}

void RemoteControl::CarryOut(int entry) {
    const auto request = static_cast<TransportRequest>(entry);
    const RunningCommands running = transport_.Running();
    // A command that already runs is switched off by its own binding.
    const bool alreadyRunning =
        (request == TransportRequest::PlayAndFollow && running.following) ||
        (request == TransportRequest::PlayFile && running.playingFile) ||
        (request == TransportRequest::PlayPerformance && running.playingPerformance) ||
        (request == TransportRequest::FastForward && running.fastForward) ||
        (request == TransportRequest::Rewind && running.rewinding);
    requests_.PostRequest(alreadyRunning ? TransportRequest::Stop : request);
}

}  // namespace ostinel
