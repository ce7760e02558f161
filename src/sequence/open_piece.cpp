#include <cstdio>
#include <string>

#include "sequence/file_title.h"
#include "sequence/midi_file_reader.h"
#include "sequence/piece.h"

namespace ostinel {

LoadResult OpenPiece(const std::string& path, Piece& piece) {
    piece = Piece{};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return LoadResult::NotFound;
    LoadResult result = ReadPiece(file, piece);
    if (std::fclose(file) != 0 && result == LoadResult::Loaded) result = LoadResult::ReadFailed;
    if (result != LoadResult::Loaded) {
        piece = Piece{};
        return result;
    }
    piece.path = path;
    piece.title = TitleOfPath(path);
    return result;
}

}  // namespace ostinel
