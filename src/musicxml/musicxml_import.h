#pragma once

// Opens MusicXML scores (.musicxml, .xml and the compressed .mxl) as pieces.
// The score is unfolded into playing order and written as a format 1
// Standard MIDI File in memory (a conductor track, then one track per part
// and staff), which the MIDI file reader turns into the piece: a score and
// its MIDI export give the same piece.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sequence/piece.h"

namespace ostinel {

// Whether the file at `path` is a MusicXML score rather than a MIDI file: by
// its first bytes (XML or a zip archive), else by its extension.
// main thread
bool IsMusicXmlFile(const std::string& path);

// The score in `fileBytes` (MusicXML text or an .mxl archive) as the bytes of
// a format 1 Standard MIDI File.
// main thread
LoadResult ConvertMusicXmlToMidi(std::span<const std::uint8_t> fileBytes,
                                 std::vector<std::uint8_t>& midiFile);

// Reads the score in `fileBytes` into `piece` (everything but its path and
// title). After any result but Loaded the piece is empty.
// main thread
LoadResult ReadMusicXmlPiece(std::span<const std::uint8_t> fileBytes, Piece& piece);

// Reads the whole file, refusing one larger than any score (FileTooLarge).
// main thread
LoadResult ReadScoreFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// OpenPiece for a MusicXML score: the piece with its path and title.
// main thread
LoadResult OpenMusicXmlPiece(const std::string& path, Piece& piece);

}  // namespace ostinel
