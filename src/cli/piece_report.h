#pragma once

#include <string>

#include "sequence/piece.h"

namespace ostinel::cli {

// What a musician wants to know about a loaded piece, as plain text.
std::string DescribePiece(const Piece& piece);

// The same for programs, as one JSON object that holds every event exactly as
// the tracks hold it.
std::string DescribePieceAsJson(const Piece& piece);

// "D major", "B♭ minor" written with ASCII: "Bb minor"; empty without a key.
std::string KeyName(int initialKey);

}  // namespace ostinel::cli
