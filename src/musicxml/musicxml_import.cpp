#include "musicxml/musicxml_import.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>

#include "musicxml/score_reader.h"
#include "musicxml/score_source.h"
#include "musicxml/timeline.h"
#include "sequence/file_title.h"
#include "sequence/midi_file_reader.h"
#include "sequence/midi_file_writer.h"

namespace ostinel {

namespace {

constexpr std::size_t kSniffBytes = 64;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool HasExtension(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = path[path.size() - extension.size() + i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != extension[i]) return false;
    }
    return true;
}

// The largest printed measure number taken for a pickup.
constexpr int kLargestPickupNumber = 9999;

// What the MIDI file cannot say about the score.
struct ScoreShape {
    // The number of the first measure as printed: a pickup's own number
    // (mostly 0), else 1 as the MIDI reader counts.
    int firstMeasure = 1;
};

// A pickup's printed number when it is a plain number, else 0.
int PickupNumber(const std::string& printed) {
    int number = 0;
    const auto [end, error] =
        std::from_chars(printed.data(), printed.data() + printed.size(), number);
    if (error != std::errc{} || end != printed.data() + printed.size() || number < 0 ||
        number > kLargestPickupNumber) {
        return 0;
    }
    return number;
}

LoadResult Convert(std::span<const std::uint8_t> fileBytes, std::vector<std::uint8_t>& midiFile,
                   ScoreShape& shape) {
    std::vector<std::uint8_t> unpacked;
    std::span<const std::uint8_t> xml = fileBytes;
    if (musicxml::IsZipArchive(fileBytes)) {
        if (LoadResult result = musicxml::UnpackRootFile(fileBytes, unpacked);
            result != LoadResult::Loaded) {
            return result;
        }
        xml = unpacked;
    }
    if (xml.size() > musicxml::kMaxScoreBytes) return LoadResult::FileTooLarge;
    musicxml::Score score;
    if (LoadResult result = musicxml::ReadScore(xml, score); result != LoadResult::Loaded) {
        return result;
    }
    std::vector<musicxml::PlayedMeasure> played;
    if (LoadResult result = musicxml::LayOutMeasures(score, played); result != LoadResult::Loaded) {
        return result;
    }
    std::vector<MidiFileTrack> tracks;
    tracks.push_back(musicxml::BuildConductorTrack(score, played));
    if (LoadResult result = musicxml::BuildStaffTracks(score, played, tracks);
        result != LoadResult::Loaded) {
        return result;
    }
    midiFile = EncodeMidiFile(1, static_cast<std::uint16_t>(score.division), tracks);
    if (!played.empty() && score.marks[0].implicit && played[0].index == 0) {
        shape.firstMeasure = PickupNumber(score.marks[0].number);
    }
    return LoadResult::Loaded;
}

LoadResult ConvertCatching(std::span<const std::uint8_t> fileBytes,
                           std::vector<std::uint8_t>& midiFile, ScoreShape& shape) {
    midiFile.clear();
    try {
        return Convert(fileBytes, midiFile, shape);
    } catch (const std::bad_alloc&) {
        return LoadResult::OutOfMemory;
    } catch (const std::length_error&) {
        return LoadResult::OutOfMemory;
    }
}

}  // namespace

namespace {

bool HasScoreExtension(const std::string& path) {
    return HasExtension(path, ".musicxml") || HasExtension(path, ".mxl") ||
           HasExtension(path, ".xml");
}

}  // namespace

bool IsMusicXmlFile(const std::string& path) {
    std::uint8_t head[kSniffBytes];
    std::size_t read = 0;
    // Only a plain file is looked into: a pipe's bytes, once read here, would
    // be gone for the reader that opens it next.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return HasScoreExtension(path);
    }
    if (File file{std::fopen(path.c_str(), "rb")})
        read = std::fread(head, 1, sizeof head, file.get());
    const std::span<const std::uint8_t> bytes(head, read);
    if (musicxml::LooksLikeXml(bytes) || musicxml::IsZipArchive(bytes)) return true;
    if (read >= 4 && head[0] == 'M' && head[1] == 'T' && head[2] == 'h' && head[3] == 'd') {
        return false;
    }
    return HasScoreExtension(path);
}

LoadResult ConvertMusicXmlToMidi(std::span<const std::uint8_t> fileBytes,
                                 std::vector<std::uint8_t>& midiFile) {
    ScoreShape shape;
    return ConvertCatching(fileBytes, midiFile, shape);
}

LoadResult ReadMusicXmlPiece(std::span<const std::uint8_t> fileBytes, Piece& piece) {
    piece = Piece{};
    std::vector<std::uint8_t> midiFile;
    ScoreShape shape;
    if (LoadResult result = ConvertCatching(fileBytes, midiFile, shape);
        result != LoadResult::Loaded) {
        return result;
    }
    File file{fmemopen(midiFile.data(), midiFile.size(), "rb")};
    if (file == nullptr) return LoadResult::OutOfMemory;
    const LoadResult result = ReadPiece(file.get(), piece);
    // Measures are numbered as printed: a pickup mostly 0, the first full
    // measure after it 1.
    const int shift = shape.firstMeasure - 1;
    const bool fits = piece.beatMap.empty() || piece.beatMap.back().measure + shift <= 0xFFFF;
    if (result == LoadResult::Loaded && shift != 0 && fits) {
        for (BeatRecord& beat : piece.beatMap)
            beat.measure = static_cast<std::uint16_t>(beat.measure + shift);
    }
    return result;
}

LoadResult ReadScoreFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const File file{std::fopen(path.c_str(), "rb")};
    if (file == nullptr) return LoadResult::NotFound;
    // A folder opens for reading too, but has no bytes to give.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return LoadResult::ReadFailed;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return LoadResult::ReadFailed;
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return LoadResult::ReadFailed;
    if (static_cast<unsigned long>(size) > musicxml::kMaxScoreBytes)
        return LoadResult::FileTooLarge;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return LoadResult::OutOfMemory;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return LoadResult::ReadFailed;
    }
    return LoadResult::Loaded;
}

LoadResult OpenMusicXmlPiece(const std::string& path, Piece& piece) {
    piece = Piece{};
    std::vector<std::uint8_t> bytes;
    if (LoadResult result = ReadScoreFile(path, bytes); result != LoadResult::Loaded) {
        return result;
    }
    const LoadResult result = ReadMusicXmlPiece(bytes, piece);
    if (result != LoadResult::Loaded) return result;
    piece.path = path;
    piece.title = TitleOfPath(path);
    return result;
}

}  // namespace ostinel
