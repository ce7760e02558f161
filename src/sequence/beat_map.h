#pragma once

#include <cstdint>

#include "sequence/piece.h"

namespace ostinel {

// A damaged tempo map or meter can make beats last a microsecond or a single
// tick; the beat map stops at this many beats, more than any real piece has
// (36 hours at 120 beats a minute).
inline constexpr std::size_t kMaxBeats = std::size_t{1} << 18;

// Fills the piece's beat map, one record per beat from its start until the
// first beat at or after `endUs` (the microsecond sum at the end of the
// longest track), and sets the piece length from it. Needs the closed tempo
// map and meter list.
// main thread
void BuildBeatMap(Piece& piece, std::uint64_t endUs);

}  // namespace ostinel
