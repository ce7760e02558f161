#include "app/piece_file.h"

#include "musicxml/musicxml_import.h"

namespace ostinel {

LoadResult OpenPieceFile(const std::string& path, Piece& piece) {
    return IsMusicXmlFile(path) ? OpenMusicXmlPiece(path, piece) : OpenPiece(path, piece);
}

}  // namespace ostinel
