#pragma once

// Loads pieces from bytes built inside a test.

#include <cstdio>

#include "sequence/midi_file_reader.h"
#include "sequence/piece.h"
#include "smf_builder.h"

namespace ostinel::testing {

// Reads `bytes` as a file through the same stream reader that OpenPiece uses.
inline LoadResult LoadBytes(const smf::Bytes& bytes, Piece& piece) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return LoadResult::NotFound;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    const LoadResult result = ReadPiece(file, piece);
    std::fclose(file);
    return result;
}

inline LoadResult LoadFile(const smf::FileBuilder& file, Piece& piece) {
    return LoadBytes(file.Build(), piece);
}

}  // namespace ostinel::testing
