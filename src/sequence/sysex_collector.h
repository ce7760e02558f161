#pragma once

// Gathers a file's system-exclusive messages into the piece: one buffer per
// message (F0, the data, F7) and a list record pointing at it.

#include <cstdint>

#include "sequence/buffered_reader.h"
#include "sequence/piece.h"

namespace ostinel {

class SysExCollector {
  public:
    explicit SysExCollector(Piece& piece) : piece_(piece) {}

    // Reads `length` data bytes of an F0 message at `time`.
    LoadResult AddMessage(BufferedReader& in, std::uint32_t length, std::uint32_t time);
    // Reads `length` data bytes of an F7 packet and appends them to the last
    // message. WrongFormat when there is no message to continue.
    LoadResult AddContinuation(BufferedReader& in, std::uint32_t length);

    // The messages of the first track carry ticks until the tempo map is closed.
    void ConvertTicksToMs();
    // By time; messages with equal times keep their file order.
    void SortByTime();

  private:
    Piece& piece_;
    // Buffer indexes are 16-bit: messages beyond that many are read and
    // dropped, with their continuations.
    bool droppingContinuations_ = false;
};

}  // namespace ostinel
