#include "playback/play_order.h"

namespace ostinel {

namespace {

bool IsNoteOff(const PlayOrderKey& key) {
    const std::uint8_t kind = key.status & 0xF0;
    return kind == 0x80 || (kind == 0x90 && key.data2 == 0);
}

}  // namespace

bool GoesFirst(const PlayOrderKey& a, const PlayOrderKey& b) {
    if (a.due != b.due) return a.due < b.due;
    if (a.isBeat) return true;
    if (b.isBeat) return false;
    if (IsNoteOff(a)) return true;
    if (IsNoteOff(b)) return false;
    return a.status >= 0xA0;
}

}  // namespace ostinel
