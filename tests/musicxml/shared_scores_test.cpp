// The shared piano scores against the MIDI scores made from them: the same
// pitches in the same order, chords taken together.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
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

// The shared folder beside the source tree, or beside a folder that holds it
// (a worktree kept one level further down); empty when there is none.
std::filesystem::path SharedScores() {
    for (std::filesystem::path folder = std::filesystem::path(OSTINEL_SOURCE_DIR).parent_path();
         !folder.empty(); folder = folder.parent_path()) {
        const std::filesystem::path scores = folder / "shared" / "musicxml";
        if (std::filesystem::is_directory(scores)) return scores;
        if (folder == folder.parent_path()) break;
    }
    return {};
}

// The MIDI scores count 480 ticks a quarter note and place some notes of
// their ornaments a tick or two off the beat's grid (rounded from times);
// notes this close start together.
constexpr std::uint32_t kTogetherTicks = 2;
constexpr std::uint32_t kTogetherMs = 2;

struct Onset {
    std::uint32_t time = 0;  // ms or ticks
    int key = 0;
};

// Pitches in time order; the notes that start together (a chord, across all
// tracks) sorted by pitch, so that their order in the file does not count.
std::vector<int> PitchSequence(std::vector<Onset> onsets, std::uint32_t together) {
    std::stable_sort(onsets.begin(), onsets.end(), [](const Onset& a, const Onset& b) {
        return a.time != b.time ? a.time < b.time : a.key < b.key;
    });
    std::vector<int> pitches;
    for (std::size_t first = 0, last = 0; first < onsets.size(); first = last) {
        const std::size_t chordStart = pitches.size();
        for (last = first;
             last < onsets.size() && onsets[last].time - onsets[first].time <= together; ++last) {
            pitches.push_back(onsets[last].key);
        }
        std::sort(pitches.begin() + static_cast<std::ptrdiff_t>(chordStart), pitches.end());
    }
    return pitches;
}

std::vector<int> PitchSequence(const Piece& piece) {
    std::vector<Onset> onsets;
    for (const testing::HeardNote& note : testing::NotesOf(piece))
        onsets.push_back({note.on, note.key});
    return PitchSequence(std::move(onsets), kTogetherMs);
}

std::vector<int> PitchSequence(const std::vector<testing::MidiScoreNote>& notes) {
    std::vector<Onset> onsets;
    for (const testing::MidiScoreNote& note : notes)
        onsets.push_back({note.tick, note.key});
    return PitchSequence(std::move(onsets), kTogetherTicks);
}

// Notes that stand this many agreeing notes apart or less are one note placed
// differently: a grace note that one score plays before the beat and the
// other on it, sorted into its chord (the one difference the scores allow).
constexpr std::size_t kPlacementNotes = 2;

// How many notes agree: the longest common subsequence of the two pitch
// sequences, and the notes left out of it that both hold within
// kPlacementNotes of each other.
std::size_t NotesInCommon(const std::vector<int>& a, const std::vector<int>& b) {
    const std::size_t columns = b.size() + 1;
    std::vector<std::uint16_t> common((a.size() + 1) * columns, 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint16_t& {
        return common[i * columns + j];
    };
    for (std::size_t i = a.size(); i-- > 0;) {
        for (std::size_t j = b.size(); j-- > 0;) {
            at(i, j) = a[i] == b[j] ? static_cast<std::uint16_t>(at(i + 1, j + 1) + 1)
                                    : std::max(at(i + 1, j), at(i, j + 1));
        }
    }
    // The notes left out on each side, by pitch, with how many agreeing notes came before.
    std::map<int, std::vector<std::size_t>> onlyInA;
    std::map<int, std::vector<std::size_t>> onlyInB;
    std::size_t agreeing = 0;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j] && at(i, j) == at(i + 1, j + 1) + 1) {
            ++agreeing;
            ++i;
            ++j;
        } else if (j == b.size() || (i < a.size() && at(i + 1, j) >= at(i, j + 1))) {
            onlyInA[a[i++]].push_back(agreeing);
        } else {
            onlyInB[b[j++]].push_back(agreeing);
        }
    }
    std::size_t placed = 0;
    for (const auto& [pitch, placesInA] : onlyInA) {
        const auto found = onlyInB.find(pitch);
        if (found == onlyInB.end()) continue;
        std::vector<std::size_t>& placesInB = found->second;
        for (const std::size_t place : placesInA) {
            const auto near = std::find_if(placesInB.begin(), placesInB.end(), [&](std::size_t p) {
                return (p > place ? p - place : place - p) <= kPlacementNotes;
            });
            if (near == placesInB.end()) continue;
            placesInB.erase(near);
            ++placed;
        }
    }
    return agreeing + placed;
}

TEST(SharedScores, EveryScoreAgreesWithItsMidiScore) {
    const std::filesystem::path folder = SharedScores();
    if (folder.empty()) {
        GTEST_SKIP() << "no shared scores beside " << OSTINEL_SOURCE_DIR;
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
        EXPECT_GE(agreement, kRequiredAgreement)
            << entry.path().filename() << ": " << ours.size() << " notes against " << theirs.size();
        std::printf("%-45s %5zu notes, MIDI score %5zu, agreement %.4f\n",
                    entry.path().filename().c_str(), ours.size(), theirs.size(), agreement);
        ++compared;
    }
    EXPECT_EQ(compared, kExpectedScores);
}

}  // namespace
}  // namespace ostinel
