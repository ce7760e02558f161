// Scores of a few measures, each checked note for note against the piece it
// must give. A quarter note lasts a second in all of them.

#include <algorithm>
#include <tuple>
#include <vector>

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
using testing::Rest;
using testing::Timed;

constexpr char kTieStart[] = R"(<tie type="start"/>)";
constexpr char kTieStop[] = R"(<tie type="stop"/>)";
constexpr char kChord[] = "<chord/>";

Piece Load(const std::string& part) {
    Piece piece;
    EXPECT_EQ(testing::LoadScore(testing::Score({part}), piece), LoadResult::Loaded);
    return piece;
}

TEST(SmallScores, ATieAcrossTheBarLineIsOneNote) {
    const Piece piece = Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 2) +
                                            Note("E", 4, 2, kTieStart)) +
                             Measure(2, Note("E", 4, 2, kTieStop) + Note("G", 4, 2)));
    EXPECT_THAT(
        testing::TimingOf(piece),
        ElementsAre(Timed{0, 0, 2000, 60}, Timed{0, 2000, 6000, 64}, Timed{0, 6000, 8000, 67}));
}

TEST(SmallScores, AChordStartsTogetherAndTheNextNoteFollowsIt) {
    const Piece piece =
        Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 1) +
                            Note("E", 4, 1, kChord) + Note("G", 4, 1, kChord) + Note("D", 4, 3)));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 1000, 60}, Timed{0, 0, 1000, 64}, Timed{0, 0, 1000, 67},
                            Timed{0, 1000, 4000, 62}));
}

TEST(SmallScores, TwoVoicesOnOneStaffSoundTogether) {
    const Piece piece = Load(Measure(
        1, Attributes(1) + kSecondPerQuarter + Note("C", 5, 2, "<voice>1</voice>") +
               Note("D", 5, 2, "<voice>1</voice>") + "<backup><duration>4</duration></backup>" +
               Note("E", 4, 1, "<voice>2</voice>") + Note("F", 4, 1, "<voice>2</voice>") +
               Note("G", 4, 2, "<voice>2</voice>")));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 1000, 64}, Timed{0, 0, 2000, 72}, Timed{0, 1000, 2000, 65},
                            Timed{0, 2000, 4000, 67}, Timed{0, 2000, 4000, 74}));
}

TEST(SmallScores, AGraceNoteTakesItsTimeFromTheNoteBefore) {
    // A grace note lasts a 32nd note: an eighth of a second here.
    const Piece piece =
        Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 1) +
                            "<note><grace/><pitch><step>D</step><octave>4</octave></pitch></note>" +
                            Note("E", 4, 1) + Rest(2)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 875, 60}, Timed{0, 875, 1000, 62},
                                                      Timed{0, 1000, 2000, 64}));
}

TEST(SmallScores, TripletEighthsShareOneBeat) {
    const std::string triplet =
        "<time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes>"
        "</time-modification>";
    const Piece piece =
        Load(Measure(1, Attributes(3) + kSecondPerQuarter + Note("C", 4, 1) +
                            Note("D", 4, 1, triplet) + Note("E", 4, 1, triplet) + Note("F", 4, 9)));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 333, 60}, Timed{0, 333, 667, 62}, Timed{0, 667, 1000, 64},
                            Timed{0, 1000, 4000, 65}));
}

TEST(SmallScores, APickupMeasureHasAMeterOfItsOwnLength) {
    const Piece piece =
        Load(Measure(0, Attributes(1) + kSecondPerQuarter + Note("G", 4, 1), R"( implicit="yes")") +
             Measure(1, Note("C", 5, 4)));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 1000, 67}, Timed{0, 1000, 5000, 72}));
    ASSERT_GE(piece.meters.size(), 3u);
    EXPECT_EQ(piece.meters[0].tick, 0);
    EXPECT_EQ(piece.meters[0].numerator, 1);
    EXPECT_EQ(piece.meters[0].denominatorPower, 2);
    EXPECT_EQ(piece.meters[1].tick, static_cast<std::int32_t>(piece.division));
    EXPECT_EQ(piece.meters[1].numerator, 4);
    // Numbered as printed: the pickup is measure 0, the first full measure 1.
    ASSERT_GE(piece.beatMap.size(), 3u);
    EXPECT_EQ(piece.beatMap[0].measure, 0);
    EXPECT_EQ(piece.beatMap[1].time, 1000u);
    EXPECT_EQ(piece.beatMap[1].measure, 1);
    EXPECT_EQ(piece.beatMap[1].beat, 1);
    EXPECT_EQ(piece.beatMap[2].measure, 1);
    EXPECT_EQ(piece.beatMap[2].beat, 2);
}

TEST(SmallScores, APickupPrintedAsMeasureOneKeepsItsNumber) {
    const Piece piece =
        Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("G", 4, 1), R"( implicit="yes")") +
             Measure(2, Note("C", 5, 4)));
    ASSERT_GE(piece.beatMap.size(), 2u);
    EXPECT_EQ(piece.beatMap[0].measure, 1);
    EXPECT_EQ(piece.beatMap[1].measure, 2);
    EXPECT_EQ(piece.beatMap[1].beat, 1);
}

TEST(SmallScores, WithoutAPickupTheFirstMeasureIsOne) {
    const Piece piece = Load(Measure(1, Attributes(1) + Note("C", 4, 4)));
    ASSERT_FALSE(piece.beatMap.empty());
    EXPECT_EQ(piece.beatMap[0].measure, 1);
}

TEST(SmallScores, ATransposingClarinetSoundsAtConcertPitch) {
    // A clarinet in B flat sounds a major second below what it reads.
    const std::string transpose =
        "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose>";
    const Piece piece =
        Load(Measure(1, Attributes(1, 4, 4, transpose) + kSecondPerQuarter + Note("D", 5, 4)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 4000, 72}));
}

TEST(SmallScores, AConcertScoreIsAlreadyAtSoundingPitch) {
    const std::string transpose =
        "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose>";
    std::string score = testing::Score(
        {Measure(1, Attributes(1, 4, 4, transpose) + kSecondPerQuarter + Note("C", 5, 4))});
    const std::string partList = "<part-list>";
    score.insert(score.find(partList), "<defaults><concert-score/></defaults>");
    Piece piece;
    ASSERT_EQ(testing::LoadScore(score, piece), LoadResult::Loaded);
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 4000, 72}));
}

TEST(SmallScores, AnOctaveChangeMovesTheSoundByOctaves) {
    const std::string transpose =
        "<transpose><chromatic>0</chromatic><octave-change>-1</octave-change></transpose>";
    const Piece piece =
        Load(Measure(1, Attributes(1, 4, 4, transpose) + kSecondPerQuarter + Note("C", 4, 4)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 4000, 48}));
}

TEST(SmallScores, ATempoChangeTakesEffectWhereItIsWritten) {
    const Piece piece =
        Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 4)) +
             Measure(2, std::string(R"(<direction><sound tempo="120"/></direction>)") +
                            Note("D", 4, 2) + Note("E", 4, 2)));
    EXPECT_THAT(
        testing::TimingOf(piece),
        ElementsAre(Timed{0, 0, 4000, 60}, Timed{0, 4000, 5000, 62}, Timed{0, 5000, 6000, 64}));
}

TEST(SmallScores, AMetronomeMarkSetsTheTempoInItsBeatUnit) {
    // A dotted quarter at 40 a minute: 60 quarter notes a minute.
    const std::string metronome =
        "<direction><direction-type><metronome><beat-unit>quarter</beat-unit><beat-unit-dot/>"
        "<per-minute>40</per-minute></metronome></direction-type></direction>";
    const Piece piece = Load(Measure(1, Attributes(2, 6, 8) + metronome + Note("C", 4, 6)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 3000, 60}));
}

TEST(SmallScores, WithoutATempoAQuarterNoteLastsHalfASecond) {
    const Piece piece = Load(Measure(1, Attributes(1) + Note("C", 4, 4)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 0, 2000, 60}));
}

TEST(SmallScores, DivisionsMayChangeBetweenMeasures) {
    const Piece piece = Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 4)) +
                             Measure(2, "<attributes><divisions>8</divisions></attributes>" +
                                            Note("D", 4, 8) + Note("E", 4, 24)));
    EXPECT_THAT(
        testing::TimingOf(piece),
        ElementsAre(Timed{0, 0, 4000, 60}, Timed{0, 4000, 5000, 62}, Timed{0, 5000, 8000, 64}));
}

TEST(SmallScores, ForwardMovesTheCursorWithoutANote) {
    const Piece piece =
        Load(Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 1) +
                            "<forward><duration>2</duration></forward>" + Note("D", 4, 1)));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 1000, 60}, Timed{0, 3000, 4000, 62}));
}

TEST(SmallScores, CueNotesTakeTheirTimeButAreNotPlayed) {
    const Piece piece = Load(Measure(
        1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 2, "<cue/>") + Note("D", 4, 2)));
    EXPECT_THAT(testing::TimingOf(piece), ElementsAre(Timed{0, 2000, 4000, 62}));
}

TEST(SmallScores, ATrillAlternatesWithTheNoteAboveInTheKey) {
    // In G major the note above E is F sharp; a 16th note trills as two 32nds.
    const std::string key = "<key><fifths>1</fifths></key>";
    const std::string trill = "<notations><ornaments><trill-mark/></ornaments></notations>";
    const Piece piece =
        Load(Measure(1, Attributes(8, 1, 4, key) + kSecondPerQuarter + Note("E", 5, 2, trill)));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 125, 76}, Timed{0, 125, 250, 78}));
}

// A note that trills from `on` to `off` ms between `key` and `upper` in
// notes of `step` ms, starting on the note.
std::vector<Timed> Trilled(std::uint32_t on, std::uint32_t off, int key, int upper,
                           std::uint32_t step) {
    std::vector<Timed> notes;
    for (std::uint32_t at = on, index = 0; at < off; at += step, ++index)
        notes.emplace_back(0, at, at + step, index % 2 == 0 ? key : upper);
    return notes;
}

TEST(SmallScores, ATrillMarkOnAHiddenNoteTrillsThePrintedNoteBeneathItsLine) {
    // The mark and its wavy line sit on unprinted cue notes of a second voice
    // (a realization kept for another program); a player sees them over the
    // half note A4 and trills it, B natural above it in C major.
    const std::string hidden = R"(<note print-object="no"><cue/>)";
    const std::string voice2 = "<voice>2</voice>";
    const std::string start =
        R"(<notations><ornaments><trill-mark/><wavy-line type="start"/></ornaments></notations>)";
    const std::string stop =
        R"(<notations><ornaments><wavy-line type="stop"/></ornaments></notations>)";
    auto cueNote = [&](const std::string& step, const std::string& more) {
        return hidden + "<pitch><step>" + step +
               "</step><octave>4</octave></pitch><duration>1</duration>" + voice2 + more +
               "</note>";
    };
    const Piece piece = Load(
        Measure(1, Attributes(2, 1, 2) + kSecondPerQuarter + Note("A", 4, 4, "<voice>1</voice>") +
                       "<backup><duration>4</duration></backup>" + cueNote("B", start) +
                       cueNote("A", "") + cueNote("B", stop) + Rest(1)));
    EXPECT_THAT(testing::TimingOf(piece),
                ::testing::ElementsAreArray(Trilled(0, 2000, 69, 71, 125)));
}

TEST(SmallScores, ATrillMarkOnAPrintedNoteLeavesTheOtherVoicesBeneathItsLineAlone) {
    const std::string line =
        R"(<notations><ornaments><trill-mark/><wavy-line type="start"/><wavy-line type="stop"/></ornaments></notations>)";
    const Piece piece = Load(Measure(
        1, Attributes(2, 1, 2) + kSecondPerQuarter + Note("C", 5, 4, "<voice>1</voice>" + line) +
               "<backup><duration>4</duration></backup>" + Note("E", 4, 2, "<voice>2</voice>") +
               Note("G", 4, 2, "<voice>2</voice>")));
    std::vector<Timed> expected = Trilled(0, 2000, 72, 74, 125);
    expected.emplace_back(0, 0, 1000, 64);
    expected.emplace_back(0, 1000, 2000, 67);
    std::sort(expected.begin(), expected.end(), [](const Timed& a, const Timed& b) {
        return std::tie(std::get<1>(a), std::get<3>(a)) < std::tie(std::get<1>(b), std::get<3>(b));
    });
    EXPECT_THAT(testing::TimingOf(piece), ::testing::ElementsAreArray(expected));
}

TEST(SmallScores, ATrillGoesOnOverTheTiedNoteUnderItsLine) {
    const Piece piece = Load(
        Measure(
            1,
            Attributes(2, 1, 4) + kSecondPerQuarter +
                Note(
                    "E", 5, 2,
                    std::string(kTieStart) +
                        R"(<notations><ornaments><trill-mark/><wavy-line type="start"/></ornaments></notations>)")) +
        Measure(
            2,
            Note("E", 5, 2,
                 std::string(kTieStop) +
                     R"(<notations><ornaments><wavy-line type="stop"/></ornaments></notations>)")));
    EXPECT_THAT(testing::TimingOf(piece),
                ::testing::ElementsAreArray(Trilled(0, 2000, 76, 77, 125)));
}

TEST(SmallScores, AtASlowTempoATrillGoesInSixtyFourths) {
    // At 30 quarter notes a minute a 32nd lasts a quarter of a second; the
    // trill keeps eight notes a second.
    const Piece piece = Load(Measure(
        1, Attributes(4, 1, 4) + R"(<direction><sound tempo="30"/></direction>)" +
               Note("E", 5, 2, "<notations><ornaments><trill-mark/></ornaments></notations>") +
               Rest(2)));
    EXPECT_THAT(testing::TimingOf(piece),
                ::testing::ElementsAreArray(Trilled(0, 1000, 76, 77, 125)));
}

TEST(SmallScores, AMordentAndATurnArePlayedOutInThirtySeconds) {
    // In F major: the note below G is F, above it A; above A is B flat.
    const std::string key = "<key><fifths>-1</fifths></key>";
    const Piece piece = Load(
        Measure(1, Attributes(8, 2, 4, key) + kSecondPerQuarter +
                       Note("G", 4, 8, "<notations><ornaments><mordent/></ornaments></notations>") +
                       Note("A", 4, 8, "<notations><ornaments><turn/></ornaments></notations>")));
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 125, 67}, Timed{0, 125, 250, 65}, Timed{0, 250, 1000, 67},
                            Timed{0, 1000, 1125, 70}, Timed{0, 1125, 1250, 69},
                            Timed{0, 1250, 1375, 67}, Timed{0, 1375, 2000, 69}));
}

TEST(SmallScores, ARolledChordSoundsFromTheBottomUp) {
    const std::string roll = "<notations><arpeggiate/></notations>";
    const Piece piece = Load(Measure(1, Attributes(8) + kSecondPerQuarter + Note("G", 4, 32, roll) +
                                            Note("C", 4, 32, std::string(kChord) + roll) +
                                            Note("E", 4, 32, std::string(kChord) + roll)));
    EXPECT_THAT(
        testing::TimingOf(piece),
        ElementsAre(Timed{0, 0, 4000, 60}, Timed{0, 125, 4000, 64}, Timed{0, 250, 4000, 67}));
}

}  // namespace
}  // namespace ostinel
