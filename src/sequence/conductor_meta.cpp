#include "sequence/conductor_meta.h"

#include <cstring>

namespace ostinel {

bool ConductorMetaReader::Next(ConductorMetaEvent& event) {
    const std::size_t size = stream_.size();
    std::size_t at = position_;
    if (size - at < sizeof(std::uint32_t) + 2) return false;
    std::memcpy(&event.tick, stream_.data() + at, sizeof event.tick);
    at += sizeof event.tick;
    event.type = stream_[at++];
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        if (at == size) return false;
        const std::uint8_t byte = stream_[at++];
        length = (length << 7) | (byte & 0x7Fu);
        if ((byte & 0x80) == 0) break;
    }
    if (size - at < length) return false;
    event.data = std::span(stream_.data() + at, length);
    position_ = at + length;
    return true;
}

}  // namespace ostinel
