#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace ostinel::testing {

// Notes left sounding by a stream: note-ons minus the note-offs that match
// them, per channel and key. A stream that leaves nothing sounding gives an
// empty map.
inline std::map<std::pair<int, int>, int> SoundingNotes(
    const std::vector<std::vector<std::uint8_t>>& sent) {
    std::map<std::pair<int, int>, int> sounding;
    for (const auto& message : sent) {
        if (message.size() != 3) continue;
        const int kind = message[0] & 0xF0;
        const std::pair<int, int> note{message[0] & 0x0F, message[1]};
        if (kind == 0x90 && message[2] > 0) {
            ++sounding[note];
        } else if (kind == 0x80 || kind == 0x90) {
            if (sounding.count(note) != 0 && --sounding[note] == 0) sounding.erase(note);
        }
    }
    return sounding;
}

}  // namespace ostinel::testing
