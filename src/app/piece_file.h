#pragma once

#include <string>

#include "sequence/piece.h"

namespace ostinel {

// Reads a piece from a Standard MIDI File or a MusicXML score (.musicxml,
// .xml, .mxl), told apart by the file's first bytes and then its name. Every
// way into a piece comes through here. After any result but Loaded the piece
// is empty.
// main thread
LoadResult OpenPieceFile(const std::string& path, Piece& piece);

}  // namespace ostinel
