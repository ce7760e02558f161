#include "sequence/conductor_meta.h"

#include <cstring>
#include <optional>

#include "sequence/smf_codec.h"

namespace ostinel {

bool ConductorMetaReader::Next(ConductorMetaEvent& event) {
    const std::size_t size = stream_.size();
    std::size_t at = position_;
    if (size - at < sizeof(std::uint32_t) + 2) return false;
    std::memcpy(&event.tick, stream_.data() + at, sizeof event.tick);
    at += sizeof event.tick;
    event.type = stream_[at++];
    const std::optional<std::uint32_t> length = DecodeVariableLength(stream_, at);
    if (!length || size - at < *length) return false;
    event.data = std::span(stream_.data() + at, *length);
    position_ = at + *length;
    return true;
}

}  // namespace ostinel
