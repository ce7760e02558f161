// Following a MusicXML score: one hand is the soloist, the other the
// accompaniment.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/exit_codes.h"
#include "cli/follow_run.h"
#include "played_melody.h"
#include "sequence/piece.h"
#include "smf_builder.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

constexpr int kNotes = 32;  // quarter notes: 500 ms each at the default tempo

constexpr int kLowestMelodyKey = 72;

std::string PitchOf(int key) {
    static const char* const kSteps[12] = {"C", "C", "D", "D", "E", "F",
                                           "F", "G", "G", "A", "A", "B"};
    static const int kAlters[12] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
    return std::string("<pitch><step>") + kSteps[key % 12] + "</step><alter>" +
           std::to_string(kAlters[key % 12]) + "</alter><octave>" + std::to_string(key / 12 - 1) +
           "</octave></pitch>";
}

// A piano score: the right hand's melody over left-hand notes on every beat.
std::string PianoScore() {
    std::string part;
    for (int measure = 0; measure < kNotes / 4; ++measure) {
        std::string right;
        std::string left;
        for (int beat = 0; beat < 4; ++beat) {
            const int i = measure * 4 + beat;
            right += "<note>" + PitchOf(MelodyKey(kLowestMelodyKey, i)) +
                     "<duration>1</duration><staff>1</staff></note>";
            left +=
                "<note>" + PitchOf(36 + i % 12) + "<duration>1</duration><staff>2</staff></note>";
        }
        const std::string attributes =
            measure == 0 ? "<attributes><divisions>1</divisions><staves>2</staves></attributes>"
                         : "";
        part += "<measure number=\"" + std::to_string(measure + 1) + "\">" + attributes + right +
                "<backup><duration>4</duration></backup>" + left + "</measure>";
    }
    return R"(<?xml version="1.0" encoding="UTF-8"?><score-partwise version="4.0">)"
           R"(<part-list><score-part id="P1"><part-name>Piano</part-name></score-part>)"
           R"(</part-list><part id="P1">)" +
           part + "</part></score-partwise>";
}

TEST(FollowScore, TheLeftHandKeepsToARightHandPlayedFaster) {
    testing::TestFolder folder("ostinel-follow-score");
    const std::string score = PianoScore();
    FollowRunOptions options;
    options.piecePath =
        folder.Write("piano.musicxml", std::vector<std::uint8_t>(score.begin(), score.end()));
    std::vector<std::uint32_t> onsets;
    options.soloistPath =
        folder.Write("played.mid", PlayedMelody(kNotes, kLowestMelodyKey, 1.2, onsets));
    options.track = 1;  // Piano RH
    options.savePerformancePath = (folder / "take.mid").string();
    FollowRunResult result;
    std::string error;
    int exitCode = -1;
    ASSERT_TRUE(RunFollow(options, result, error, exitCode)) << error;
    ExpectTheAccompanimentKeptWithTheSoloist(result, onsets, kNotes, 120);
    // The take of a score is saved as for a MIDI piece.
    EXPECT_TRUE(result.performanceSaved);
    Piece take;
    ASSERT_EQ(OpenPiece(options.savePerformancePath, take), LoadResult::Loaded);
    EXPECT_EQ(take.TrackCount(), 2);
}

}  // namespace
}  // namespace ostinel::cli
