#include "app/score_as_midi.h"

#include <cstdint>
#include <vector>

#include "musicxml/musicxml_import.h"
#include "sequence/file_title.h"
#include "sequence/midi_file_writer.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

namespace {

// The score's folder and title with ".mid".
std::string SuggestedMidiPath(const Piece& piece) {
    const std::size_t slash = piece.path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : piece.path.substr(0, slash + 1);
    return folder + piece.title + ".mid";
}

}  // namespace

bool PieceFileHoldsSettings(Engine& engine) {
    const Piece* piece = engine.CurrentPiece();
    return piece == nullptr || !IsMusicXmlFile(piece->path);
}

bool SaveScoreAsMidiFile(Engine& engine) {
    Piece* piece = engine.CurrentPiece();
    if (piece == nullptr) return false;
    const StringTable strings;
    if (!engine.Ui().ConfirmMessage(strings.Get(string_id::kSaveScoreAsMidiFirst))) return false;
    const std::optional<std::string> path =
        engine.GetSettingsUi().AskMidiFileForScore(SuggestedMidiPath(*piece));
    if (!path) return false;
    std::vector<std::uint8_t> score;
    std::vector<std::uint8_t> midiFile;
    std::string error;
    // The score is read again: it is the file the piece was made from.
    if (ReadScoreFile(piece->path, score) != LoadResult::Loaded ||
        ConvertMusicXmlToMidi(score, midiFile) != LoadResult::Loaded ||
        !WriteMidiFile(*path, midiFile, error)) {
        engine.Ui().ShowMessage(strings.Get(string_id::kCannotSaveFile));
        return false;
    }
    piece->path = *path;
    piece->title = TitleOfPath(*path);
    return true;
}

}  // namespace ostinel
