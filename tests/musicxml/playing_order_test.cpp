// Repeats, endings and jumps unfolded into the order a musician plays.

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

constexpr char kForward[] = R"(<barline location="left"><repeat direction="forward"/></barline>)";
constexpr char kBackward[] =
    R"(<barline location="right"><repeat direction="backward"/></barline>)";

std::string Ending(const std::string& numbers, const std::string& type) {
    const char* location = type == "start" ? "left" : "right";
    return std::string("<barline location=\"") + location + "\"><ending number=\"" + numbers +
           "\" type=\"" + type + "\"/>" +
           (type == "stop" ? "<repeat direction=\"backward\"/>" : "") + "</barline>";
}

std::string Sound(const std::string& attributes) {
    return "<direction><sound " + attributes + "/></direction>";
}

// One whole note per measure: the keys in playing order, each four seconds on.
std::vector<int> PlayedKeys(const std::string& part) {
    Piece piece;
    EXPECT_EQ(testing::LoadScore(testing::Score({part}), piece), LoadResult::Loaded);
    std::vector<int> keys;
    std::uint32_t expectedOn = 0;
    for (const testing::HeardNote& note : testing::NotesOf(piece)) {
        EXPECT_EQ(note.on, expectedOn) << "key " << note.key;
        expectedOn = note.off;
        keys.push_back(note.key);
    }
    return keys;
}

std::string First(const std::string& content) {
    return Measure(1, Attributes(1) + kSecondPerQuarter + content);
}

TEST(PlayingOrder, ARepeatedPassageIsPlayedTwice) {
    EXPECT_THAT(PlayedKeys(First(Note("C", 4, 4)) + Measure(2, kForward + Note("D", 4, 4)) +
                           Measure(3, Note("E", 4, 4) + kBackward) + Measure(4, Note("F", 4, 4))),
                ElementsAre(60, 62, 64, 62, 64, 65));
}

TEST(PlayingOrder, ARepeatWithoutAForwardSignGoesBackToTheStart) {
    EXPECT_THAT(PlayedKeys(First(Note("C", 4, 4)) + Measure(2, Note("D", 4, 4) + kBackward) +
                           Measure(3, Note("E", 4, 4))),
                ElementsAre(60, 62, 60, 62, 64));
}

TEST(PlayingOrder, FirstAndSecondEndingsFollowThePass) {
    EXPECT_THAT(
        PlayedKeys(
            First(kForward + Note("C", 4, 4)) + Measure(2, Note("D", 4, 4)) +
            Measure(3, Ending("1", "start") + Note("E", 4, 4) + Ending("1", "stop")) +
            Measure(
                4,
                Ending("2", "start") + Note("F", 4, 4) +
                    R"(<barline location="right"><ending number="2" type="discontinue"/></barline>)") +
            Measure(5, Note("G", 4, 4))),
        ElementsAre(60, 62, 64, 60, 62, 65, 67));
}

TEST(PlayingOrder, AnEndingForTwoPassesIsPlayedOnBoth) {
    const std::string thrice =
        R"(<barline location="right"><ending number="1, 2" type="stop"/><repeat direction="backward" times="3"/></barline>)";
    EXPECT_THAT(
        PlayedKeys(
            First(Note("C", 4, 4)) +
            Measure(2, Ending("1, 2", "start") + Note("D", 4, 4) + thrice) +
            Measure(3,
                    Ending("3", "start") + Note("E", 4, 4) +
                        R"(<barline location="right"><ending number="3" type="stop"/></barline>)")),
        ElementsAre(60, 62, 60, 62, 60, 64));
}

TEST(PlayingOrder, DaCapoAlFineEndsAtTheFine) {
    EXPECT_THAT(
        PlayedKeys(First(Note("C", 4, 4)) + Measure(2, Note("D", 4, 4) + Sound(R"(fine="yes")")) +
                   Measure(3, Note("E", 4, 4) + Sound(R"(dacapo="yes")"))),
        ElementsAre(60, 62, 64, 60, 62));
}

TEST(PlayingOrder, AfterDaCapoRepeatsAreNotTakenAgain) {
    EXPECT_THAT(PlayedKeys(First(Note("C", 4, 4) + kBackward) +
                           Measure(2, Note("D", 4, 4) + Sound(R"(dacapo="yes")"))),
                ElementsAre(60, 60, 62, 60, 62));
}

TEST(PlayingOrder, DalSegnoAlCodaJumpsToTheCoda) {
    EXPECT_THAT(
        PlayedKeys(First(Note("C", 4, 4)) + Measure(2, Sound(R"(segno="s")") + Note("D", 4, 4)) +
                   Measure(3, Note("E", 4, 4) + Sound(R"(tocoda="c")")) +
                   Measure(4, Note("F", 4, 4) + Sound(R"(dalsegno="s")")) +
                   Measure(5, Sound(R"(coda="c")") + Note("G", 4, 4))),
        ElementsAre(60, 62, 64, 65, 62, 64, 67));
}

}  // namespace
}  // namespace ostinel
