#include "sequence/buffered_reader.h"

#include <algorithm>

namespace ostinel {

bool BufferedReader::Refill() {
    // A short refill was the file's end: a further refill would not deliver more.
    if (position_ < kBufferBytes && position_ >= delivered_) {
        failure_ = LoadResult::EndedEarly;
        return false;
    }
    delivered_ = std::fread(buffer_.data(), 1, kBufferBytes, file_);
    position_ = 0;
    if (std::ferror(file_) != 0) {
        delivered_ = 0;
        failure_ = LoadResult::ReadFailed;
        return false;
    }
    if (delivered_ == 0) {
        failure_ = LoadResult::EndedEarly;
        return false;
    }
    return true;
}

bool BufferedReader::RefillAndReadByte(std::uint8_t& byte) {
    if (!Refill()) return false;
    byte = buffer_[position_++];
    return true;
}

bool BufferedReader::ReadU16(std::uint16_t& value) {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    if (!ReadByte(high) || !ReadByte(low)) return false;
    value = static_cast<std::uint16_t>((high << 8) | low);
    return true;
}

bool BufferedReader::ReadU32(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t byte = 0;
        if (!ReadByte(byte)) return false;
        value = (value << 8) | byte;
    }
    return true;
}

bool BufferedReader::ReadInto(std::vector<std::uint8_t>& out, std::uint32_t count) {
    while (count > 0) {
        if (position_ >= delivered_ && !Refill()) return false;
        const std::size_t step = std::min<std::size_t>(count, delivered_ - position_);
        out.insert(out.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_),
                   buffer_.begin() + static_cast<std::ptrdiff_t>(position_ + step));
        position_ += step;
        count -= static_cast<std::uint32_t>(step);
    }
    return true;
}

bool BufferedReader::Skip(std::uint64_t count) {
    while (count > 0) {
        if (position_ >= delivered_ && !Refill()) return false;
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, delivered_ - position_));
        position_ += step;
        count -= step;
    }
    return true;
}

bool BufferedReader::Seek(long offset) {
    std::clearerr(file_);
    position_ = kBufferBytes;
    delivered_ = kBufferBytes;
    failure_ = LoadResult::Loaded;
    return std::fseek(file_, offset, SEEK_SET) == 0;
}

}  // namespace ostinel
