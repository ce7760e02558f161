// The shared piano scores against the MIDI scores made from them: the same
// pitches in the same order, chords taken together.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "midi_score_notes.h"
#include "musicxml/musicxml_import.h"
#include "piece_notes.h"
#include "sequence/piece.h"

namespace ostinel {
namespace {

constexpr double kRequiredAgreement = 0.98;
constexpr int kExpectedScores = 12;

// The MIDI score of the funeral march plays each of its twelve written-out
// left-hand trills twice (the score's hidden realization and a trill of its
// own on the half note beneath), about 26 extra notes a measure that the
// score does not hold.
constexpr std::string_view kDoubledTrills = "Chopin-Sonata_2-3rd.musicxml";
constexpr double kDoubledTrillsAgreement = 0.83;

std::filesystem::path SharedScores() {
    return std::filesystem::path(OSTINEL_SOURCE_DIR) / ".." / "shared" / "musicxml";
}

// Pitches in time order; the notes that start together (a chord, across all
// tracks) sorted by pitch, so that their order in the file does not count.
std::vector<int> PitchSequence(const Piece& piece) {
    std::vector<testing::HeardNote> notes = testing::NotesOf(piece);
    std::stable_sort(notes.begin(), notes.end(),
                     [](const testing::HeardNote& a, const testing::HeardNote& b) {
                         return a.on != b.on ? a.on < b.on : a.key < b.key;
                     });
    std::vector<int> pitches;
    for (const testing::HeardNote& note : notes)
        pitches.push_back(note.key);
    return pitches;
}

std::vector<int> PitchSequence(std::vector<testing::MidiScoreNote> notes) {
    std::stable_sort(notes.begin(), notes.end(),
                     [](const testing::MidiScoreNote& a, const testing::MidiScoreNote& b) {
                         return a.tick != b.tick ? a.tick < b.tick : a.key < b.key;
                     });
    std::vector<int> pitches;
    for (const testing::MidiScoreNote& note : notes)
        pitches.push_back(note.key);
    return pitches;
}

// The length of the longest common subsequence: how many notes agree when
// the rest are taken as missing or extra.
std::size_t NotesInCommon(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<std::size_t> previous(b.size() + 1, 0);
    std::vector<std::size_t> current(b.size() + 1, 0);
    for (int pitch : a) {
        for (std::size_t j = 0; j < b.size(); ++j) {
            current[j + 1] =
                pitch == b[j] ? previous[j] + 1 : std::max(previous[j + 1], current[j]);
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

TEST(SharedScores, EveryScoreAgreesWithItsMidiScore) {
    const std::filesystem::path folder = SharedScores();
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no shared scores at " << folder;
    }
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".musicxml") continue;
        std::filesystem::path midiPath = entry.path();
        midiPath.replace_extension(".mid");
        Piece fromScore;
        ASSERT_EQ(OpenMusicXmlPiece(entry.path().string(), fromScore), LoadResult::Loaded)
            << entry.path();
        const std::vector<int> ours = PitchSequence(fromScore);
        const std::vector<int> theirs = PitchSequence(testing::MidiScoreNotes(midiPath.string()));
        const double agreement = static_cast<double>(NotesInCommon(ours, theirs)) /
                                 static_cast<double>(std::max(ours.size(), theirs.size()));
        const bool doubled = entry.path().filename() == kDoubledTrills;
        EXPECT_GE(agreement, doubled ? kDoubledTrillsAgreement : kRequiredAgreement)
            << entry.path().filename() << ": " << ours.size() << " notes against " << theirs.size();
        std::printf("%-45s %5zu notes, MIDI score %5zu, agreement %.4f\n",
                    entry.path().filename().c_str(), ours.size(), theirs.size(), agreement);
        ++compared;
    }
    EXPECT_EQ(compared, kExpectedScores);
}

}  // namespace
}  // namespace ostinel
