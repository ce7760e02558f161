#pragma once

// The notes of a Standard MIDI File in every track chunk, the first one
// included: the shared MIDI scores keep a hand's notes in the first chunk,
// which the piece reader takes as the conductor track. Only for the test's
// own trusted files.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace ostinel::testing {

struct MidiScoreNote {
    std::uint32_t tick = 0;
    int key = 0;
};

inline std::vector<MidiScoreNote> MidiScoreNotes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::vector<MidiScoreNote> notes;
    std::size_t at = 8 + 6;
    auto readVariable = [&bytes, &at]() {
        std::uint32_t value = 0;
        while (at < bytes.size()) {
            const std::uint8_t byte = bytes[at++];
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) break;
        }
        return value;
    };
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = (std::uint32_t{bytes[at + 4]} << 24) |
                                     (std::uint32_t{bytes[at + 5]} << 16) |
                                     (std::uint32_t{bytes[at + 6]} << 8) | bytes[at + 7];
        const std::size_t end = at + 8 + length;
        at += 8;
        std::uint32_t tick = 0;
        std::uint8_t status = 0;
        while (at < end && at < bytes.size()) {
            tick += readVariable();
            if (bytes[at] == 0xFF) {
                at += 2;
                at += readVariable();
                continue;
            }
            if (bytes[at] == 0xF0 || bytes[at] == 0xF7) {
                ++at;
                at += readVariable();
                continue;
            }
            if ((bytes[at] & 0x80) != 0) status = bytes[at++];
            const int kind = status & 0xF0;
            const std::size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            if (at + dataBytes > bytes.size()) break;
            if (kind == 0x90 && bytes[at + 1] > 0) notes.push_back({tick, bytes[at]});
            at += dataBytes;
        }
        at = end;
    }
    return notes;
}

}  // namespace ostinel::testing
