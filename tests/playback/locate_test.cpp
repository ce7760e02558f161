#include "playback/locate.h"

#include <gtest/gtest.h>

#include "playback/start_history.h"
#include "playback_test_rig.h"

namespace ostinel {
namespace {

using testing::Control;
using testing::Off;
using testing::On;
using testing::PieceOf;

TEST(LocateTracks, KeepsTheLoudestSoundingVelocityAndWhatTheEventsBeforeLeft) {
    Piece piece = PieceOf({{On(0, 60, 50), On(10, 60, 90), On(20, 60, 70), On(20, 64, 40),
                            Off(30, 64), Control(40, 7, 80), On(100, 67, 99)}});
    LocateTracks(piece, ScorePosition{100}, false);
    const Track& track = piece.tracks[0];
    EXPECT_EQ(track.nextIndex, 6);  // the note-on at 100 is left for the tick
    EXPECT_EQ(track.chase.noteCounters[60], 90);
    EXPECT_EQ(track.chase.noteCounters[64], 0);
    EXPECT_EQ(track.chase.noteCounters[67], 0);
    EXPECT_EQ(track.chase.controllerValues[7], 80);
}

TEST(LocateTracks, MovingBackScansAgainFromTheStart) {
    Piece piece = PieceOf({{On(0, 60), Off(500, 60), Control(600, 7, 10), On(700, 62)}});
    LocateTracks(piece, ScorePosition{800}, false);
    EXPECT_EQ(piece.tracks[0].chase.noteCounters[62], 100);
    LocateTracks(piece, ScorePosition{300}, false);
    EXPECT_EQ(piece.tracks[0].nextIndex, 1);
    EXPECT_EQ(piece.tracks[0].chase.noteCounters[62], 0);
    EXPECT_EQ(piece.tracks[0].chase.noteCounters[60], 100);
    EXPECT_EQ(piece.tracks[0].chase.controllerValues[7], kNone);
    // Forward again, continuing from where it stood.
    LocateTracks(piece, ScorePosition{650}, false);
    EXPECT_EQ(piece.tracks[0].chase.noteCounters[60], 0);
    EXPECT_EQ(piece.tracks[0].chase.controllerValues[7], 10);
}

TEST(LocateBeat, ShowsTheBeatAtOrBeforeWithTheTempoOfItsLength) {
    Piece piece = PieceOf({{On(0, 60), Off(3000, 60)}});
    piece.beatMap = {BeatRecord{0, 1, 1, 0}, BeatRecord{500, 1, 2, 4}, BeatRecord{1250, 2, 1, 8}};
    const LocatedBeat between = LocateBeat(piece, ScorePosition{700}, kOwnTempoSpeed);
    EXPECT_EQ(between.nextBeat, 2);
    EXPECT_EQ(between.display.beat, 2);
    EXPECT_EQ(between.display.tempo, 80);  // a 750 ms beat
    const LocatedBeat onBeat =
        LocateBeat(piece, ScorePosition{500}, SpeedFactor{kOwnTempoSpeed.Raw() / 2});
    EXPECT_EQ(onBeat.nextBeat, 1);
    EXPECT_EQ(onBeat.display.tempo, 40);
    // The last beat takes the length of the one before.
    EXPECT_EQ(LocateBeat(piece, ScorePosition{2000}, kOwnTempoSpeed).display.tempo, 80);
    EXPECT_EQ(LocateBeat(piece, ScorePosition{2000}, kOwnTempoSpeed).display.measure, 2);
}

TEST(LocateSysEx, MessagesAtThePositionCountAsPassed) {
    Piece piece = PieceOf({{On(0, 60)}});
    piece.sysExList = {SysExRecord{0}, SysExRecord{100}, SysExRecord{100}, SysExRecord{200}};
    EXPECT_EQ(LocateSysEx(piece, ScorePosition{0}), 1);
    EXPECT_EQ(LocateSysEx(piece, ScorePosition{99}), 1);
    EXPECT_EQ(LocateSysEx(piece, ScorePosition{100}), 3);
    EXPECT_EQ(LocateSysEx(piece, ScorePosition{500}), 4);
}

// The history's entries, newest first.
std::array<ScorePosition, 4> Starts(int a, int b, int c, int d) {
    return {ScorePosition{a}, ScorePosition{b}, ScorePosition{c}, ScorePosition{d}};
}

TEST(StartHistory, ARepeatedStartMovesToTheFrontAndANewOneDropsTheOldest) {
    StartHistory history;
    for (const int start : {10, 20, 30, 40})
        history.Record(ScorePosition{start});
    EXPECT_EQ(history.Entries(), Starts(40, 30, 20, 10));
    history.Record(ScorePosition{20});
    EXPECT_EQ(history.Entries(), Starts(20, 40, 30, 10));
    // Only the first three are searched: the fourth gives way as for a new one.
    history.Record(ScorePosition{10});
    EXPECT_EQ(history.Entries(), Starts(10, 20, 40, 30));
    history.Record(ScorePosition{50});
    EXPECT_EQ(history.Entries(), Starts(50, 10, 20, 40));
    EXPECT_EQ(history.After(ScorePosition{10}), ScorePosition{20});
    EXPECT_EQ(history.After(ScorePosition{40}),
              ScorePosition{50});  // not among the first three: wraps to the front
}

}  // namespace
}  // namespace ostinel
