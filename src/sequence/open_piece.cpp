#include <cstdio>
#include <string>

#include "sequence/midi_file_reader.h"
#include "sequence/piece.h"

namespace ostinel {

namespace {

// The file name without its folder and without what follows its last dot.
std::string TitleOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace

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
    piece.title = TitleOf(path);
    return result;
}

}  // namespace ostinel
