#pragma once

#include <cstdint>

#include "sequence/piece.h"

namespace ostinel {

// A damaged tempo map can make beats last a microsecond or nothing at all;
// the beat map stops at this many beats (24 hours at 728 beats a minute).
inline constexpr std::size_t kMaxBeats = std::size_t{1} << 20;

// Fills the piece's beat map, one record per beat from its start until the
// first beat at or after `endUs` (the microsecond sum at the end of the
// longest track), and sets the piece length from it. Needs the closed tempo
// map and meter list.
void BuildBeatMap(Piece& piece, std::uint64_t endUs);

}  // namespace ostinel
