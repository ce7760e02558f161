#pragma once

#include <cstdio>

#include "sequence/piece.h"

namespace ostinel {

// Reads a Standard MIDI File from `file`, an open stream at its start, into
// `piece` (everything but its path and title). Does not close the stream.
// OpenPiece's work once the file is open; tests and the fuzzer call it on
// streams in memory.
// main thread
LoadResult ReadPiece(std::FILE* file, Piece& piece);

}  // namespace ostinel
