// Feeds arbitrary bytes to the MusicXML importer, as text or as an .mxl
// archive. Besides crashes, hangs and leaks, it stops on a loaded piece that
// breaks what playback relies on.

#include <cstdint>
#include <span>

#include "loaded_piece_check.h"
#include "musicxml/musicxml_import.h"
#include "sequence/piece.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ostinel::Piece piece;
    if (ostinel::ReadMusicXmlPiece(std::span<const std::uint8_t>(data, size), piece) ==
        ostinel::LoadResult::Loaded) {
        ostinel::fuzzing::CheckLoadedPiece(piece);
    }
    return 0;
}
