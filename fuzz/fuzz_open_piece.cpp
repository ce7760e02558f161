// Feeds arbitrary bytes to the MIDI file reader. Besides crashes, hangs and
// leaks, it stops on a loaded piece that breaks what playback relies on.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "loaded_piece_check.h"
#include "sequence/midi_file_reader.h"
#include "sequence/piece.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen wants a writable buffer of at least one byte.
    std::vector<std::uint8_t> bytes(data, data + size);
    bytes.push_back(0);
    std::FILE* file = fmemopen(bytes.data(), size == 0 ? 1 : size, "rb");
    if (file == nullptr) return 0;
    if (size == 0) std::fgetc(file);  // an empty file: nothing left to read
    ostinel::Piece piece;
    if (ostinel::ReadPiece(file, piece) == ostinel::LoadResult::Loaded)
        ostinel::fuzzing::CheckLoadedPiece(piece);
    std::fclose(file);
    return 0;
}
