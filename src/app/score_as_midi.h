#pragma once

#include "app/engine.h"

namespace ostinel {

// Whether the open piece came from a file that can hold its settings (a
// MIDI file), not from a MusicXML score. main thread
bool PieceFileHoldsSettings(Engine& engine);

// Settings cannot be written into a MusicXML score: asks whether to save the
// piece as a MIDI file first, asks where, writes the score there as a format
// 1 MIDI file and makes that file the piece's (the piece in memory is what
// the file reads as). False when the user declines or cancels, or the file
// cannot be written (the user is told). main thread
bool SaveScoreAsMidiFile(Engine& engine);

}  // namespace ostinel
