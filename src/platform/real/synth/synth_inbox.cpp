#include "platform/real/synth/synth_inbox.h"

#include <algorithm>

namespace ostinel::platform {

SynthInbox::SynthInbox() {
    for (std::size_t slot = 0; slot < kSysExSlots; ++slot) {
        freeSlots_.TryPush(static_cast<std::uint8_t>(slot));
    }
}

MidiSendResult SynthInbox::PostShort(std::span<const std::uint8_t> message) {
    if (!IsShortMessage(message)) return MidiSendResult::Failed;
    Entry entry;
    std::copy(message.begin(), message.end(), entry.bytes.begin());
    entry.length = static_cast<std::uint16_t>(message.size());
    return queue_.TryPush(entry) ? MidiSendResult::Sent : MidiSendResult::Refused;
}

MidiSendResult SynthInbox::PostSysEx(std::span<const std::uint8_t> message) {
    if (!IsSysEx(message)) return MidiSendResult::Failed;
    // Nothing a General MIDI synth understands is this long; the synth would
    // ignore it anyway, so it is taken and dropped.
    if (message.size() > kMaxSysExBytes) return MidiSendResult::Sent;
    std::uint8_t slot = 0;
    if (!freeSlots_.TryPop(slot)) return MidiSendResult::Refused;
    std::copy(message.begin(), message.end(), sysEx_[slot].begin());
    Entry entry;
    entry.sysExSlot = slot;
    entry.length = static_cast<std::uint16_t>(message.size());
    if (!queue_.TryPush(entry)) {
        freeSlots_.TryPush(slot);
        return MidiSendResult::Refused;
    }
    return MidiSendResult::Sent;
}

}  // namespace ostinel::platform
