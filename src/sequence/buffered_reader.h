#pragma once

// Reads a file through a 16 KB buffer, one byte at a time on the fast path.
// Every read is bounded by what the file holds: a length field that claims
// more than the file has costs one pass to its end, never an allocation of
// the claimed size.

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "sequence/piece.h"
#include "sequence/smf_codec.h"

namespace ostinel {

class BufferedReader {
  public:
    static constexpr std::size_t kBufferBytes = 16384;

    // Does not own `file`.
    explicit BufferedReader(std::FILE* file) : file_(file) {}

    // Every read returns false when it fails; Failure() then says why:
    // EndedEarly when the file ends, ReadFailed when reading it fails.
    bool ReadByte(std::uint8_t& byte) {
        if (position_ < delivered_) {
            byte = buffer_[position_++];
            return true;
        }
        return RefillAndReadByte(byte);
    }
    // A big-endian number of 2 or 4 bytes.
    bool ReadU16(std::uint16_t& value);
    bool ReadU32(std::uint32_t& value);
    // A variable-length number. Bytes past the fourth are read on as the
    // number goes on, so a damaged one costs at most a pass to the file's end.
    bool ReadVariableLength(std::uint32_t& value) {
        value = 0;
        std::uint8_t byte = 0;
        do {
            if (!ReadByte(byte)) return false;
        } while (TakeVariableLengthByte(value, byte));
        return true;
    }
    // Appends `count` bytes to `out`, growing it only by what has been read.
    bool ReadInto(std::vector<std::uint8_t>& out, std::uint32_t count);
    bool Skip(std::uint64_t count);

    // Moves the file position and forgets the buffer; false when the move fails.
    bool Seek(long offset);

    LoadResult Failure() const { return failure_; }

  private:
    bool RefillAndReadByte(std::uint8_t& byte);
    // Makes at least one byte available; false at the end or on a failure.
    bool Refill();

    std::FILE* file_;
    std::size_t position_ = kBufferBytes;
    std::size_t delivered_ = kBufferBytes;
    LoadResult failure_ = LoadResult::Loaded;
    std::array<std::uint8_t, kBufferBytes> buffer_;
};

}  // namespace ostinel
