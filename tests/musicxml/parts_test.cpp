// Parts and staves become tracks with their names, channels, programs and
// loudness.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "piece_notes.h"
#include "score_text.h"

namespace ostinel {
namespace {

using testing::Attributes;
using ::testing::ElementsAre;
using testing::kSecondPerQuarter;
using testing::Measure;
using testing::Note;
using testing::Timed;

std::uint8_t ProgramOf(const Track& track) {
    for (const TrackEvent& event : track.events) {
        if (event.kind == kProgramChange) {
            return track.patches.entries[event.data1].file.values[0];
        }
    }
    return kNone;
}

TEST(Parts, APianoGetsATrackForEachHand) {
    Piece piece;
    ASSERT_EQ(
        testing::LoadScore(
            testing::Score({Measure(1, Attributes(1, 4, 4, "<staves>2</staves>") +
                                           kSecondPerQuarter + Note("E", 5, 4, "<staff>1</staff>") +
                                           "<backup><duration>4</duration></backup>" +
                                           Note("C", 3, 4, "<staff>2</staff>"))}),
            piece),
        LoadResult::Loaded);
    ASSERT_EQ(piece.TrackCount(), 2);
    EXPECT_EQ(piece.tracks[0].name, "Piano RH");
    EXPECT_EQ(piece.tracks[1].name, "Piano LH");
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 4000, 76}, Timed{1, 0, 4000, 48}));
    EXPECT_EQ(piece.tracks[0].fileChannel, piece.tracks[1].fileChannel);
}

TEST(Parts, PartsWithoutMidiInstrumentsTakeChannelsInOrderPastTheDrums) {
    std::vector<std::string> parts(11, Measure(1, Attributes(1) + Note("C", 4, 4)));
    std::vector<std::string> names;
    for (int i = 1; i <= 11; ++i)
        names.push_back("Voice " + std::to_string(i));
    Piece piece;
    ASSERT_EQ(testing::LoadScore(testing::Score(parts, names), piece), LoadResult::Loaded);
    ASSERT_EQ(piece.TrackCount(), 11);
    std::vector<int> channels;
    for (int i = 0; i < 11; ++i) {
        channels.push_back(piece.tracks[static_cast<std::size_t>(i)].fileChannel);
        EXPECT_EQ(ProgramOf(piece.tracks[static_cast<std::size_t>(i)]), 0) << "piano";
    }
    EXPECT_THAT(channels, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11));
    EXPECT_EQ(piece.tracks[10].name, "Voice 11");
}

TEST(Parts, AMidiInstrumentGivesChannelAndProgram) {
    const std::string list =
        R"(<score-part id="P1"><part-name>Flute</part-name><score-instrument id="P1-I1">)"
        R"(<instrument-name>Flute</instrument-name></score-instrument><midi-instrument id="P1-I1">)"
        R"(<midi-channel>4</midi-channel><midi-program>74</midi-program></midi-instrument></score-part>)";
    Piece piece;
    ASSERT_EQ(testing::LoadScore(
                  testing::Score({Measure(1, Attributes(1) + Note("C", 5, 4))}, {}, list), piece),
              LoadResult::Loaded);
    EXPECT_EQ(piece.tracks[0].name, "Flute");
    EXPECT_EQ(piece.tracks[0].fileChannel, 3);
    EXPECT_EQ(ProgramOf(piece.tracks[0]), 73);
}

TEST(Parts, UnpitchedPercussionPlaysItsKeyOnChannelTen) {
    const std::string list =
        R"(<score-part id="P1"><part-name>Drums</part-name>)"
        R"(<score-instrument id="P1-I36"><instrument-name>Bass Drum</instrument-name></score-instrument>)"
        R"(<score-instrument id="P1-I39"><instrument-name>Snare</instrument-name></score-instrument>)"
        R"(<midi-instrument id="P1-I36"><midi-unpitched>37</midi-unpitched></midi-instrument>)"
        R"(<midi-instrument id="P1-I39"><midi-unpitched>39</midi-unpitched></midi-instrument></score-part>)";
    const std::string bass =
        R"(<note><unpitched><display-step>F</display-step><display-octave>4</display-octave></unpitched>)"
        R"(<duration>2</duration><instrument id="P1-I36"/></note>)";
    const std::string snare =
        R"(<note><unpitched><display-step>C</display-step><display-octave>5</display-octave></unpitched>)"
        R"(<duration>2</duration><instrument id="P1-I39"/></note>)";
    Piece piece;
    ASSERT_EQ(testing::LoadScore(
                  testing::Score({Measure(1, Attributes(1) + kSecondPerQuarter + bass + snare)}, {},
                                 list),
                  piece),
              LoadResult::Loaded);
    EXPECT_EQ(piece.tracks[0].fileChannel, 9);
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 2000, 36}, Timed{0, 2000, 4000, 38}));
}

TEST(Parts, DynamicsSetTheVelocityOfTheNotesAfterThem) {
    const std::string piano =
        "<direction><direction-type><dynamics><p/></dynamics></direction-type></direction>";
    // A sound's dynamics are a percentage of forte, velocity 90.
    const std::string loud = R"(<direction><sound dynamics="120"/></direction>)";
    Piece piece;
    ASSERT_EQ(testing::LoadScore(
                  testing::Score({Measure(1, Attributes(1) + Note("C", 4, 1) + piano +
                                                 Note("D", 4, 1) + loud + Note("E", 4, 2))}),
                  piece),
              LoadResult::Loaded);
    const std::vector<testing::HeardNote> notes = testing::NotesOf(piece);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].velocity, 80) << "mezzo forte until the score says";
    EXPECT_EQ(notes[1].velocity, 49);
    EXPECT_EQ(notes[2].velocity, 108);
}

TEST(Parts, TheKeyAndMeterOfTheScoreReachThePiece) {
    const std::string key = "<key><fifths>-3</fifths><mode>minor</mode></key>";
    Piece piece;
    ASSERT_EQ(testing::LoadScore(
                  testing::Score({Measure(1, Attributes(2, 6, 8, key) + Note("C", 4, 6))}), piece),
              LoadResult::Loaded);
    EXPECT_EQ(piece.initialKey, 22 - 3);
    EXPECT_TRUE(piece.initialKeyHasFlats);
    EXPECT_EQ(piece.initialMeter.numerator, 6);
    EXPECT_EQ(piece.initialMeter.denominator, 8u);
}

}  // namespace
}  // namespace ostinel
