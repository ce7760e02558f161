#pragma once

// The tempos a saved performance is written with.
// main thread

#include "playback/performance_tempo.h"
#include "sequence/piece.h"

namespace ostinel {

// The file's tempo map with the chosen performed tempos laid over it: one
// record per tick where the file's tempo or the performed factor changes,
// closed by the kEndTick record. Throws std::bad_alloc.
TempoMap BuildOutputTempoMap(const Piece& piece, const PerformanceTempoList& list,
                             const PerformanceTempoChoices& choices);

}  // namespace ostinel
