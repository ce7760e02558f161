// The beat map and the piece length built from the meter list.

#include "sequence/beat_map.h"

#include <gtest/gtest.h>

#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

// A piece at 120 beats a minute (500 ms a quarter) whose one track ends at `endTick`.
Piece LoadPiece(const smf::TrackBuilder& conductor, std::uint32_t endTick) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).RawBytes(conductor.Events());
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack(endTick);
    Piece piece;
    EXPECT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    return piece;
}

struct Beat {
    std::uint32_t time;
    int measure;
    int beat;
    std::uint32_t sixteenths;
    friend bool operator==(const Beat&, const Beat&) = default;
};

std::vector<Beat> Beats(const Piece& piece) {
    std::vector<Beat> beats;
    for (const BeatRecord& r : piece.beatMap)
        beats.push_back({r.time, r.measure, r.beat, r.sixteenths});
    return beats;
}

void PrintTo(const Beat& b, std::ostream* os) {
    *os << "{" << b.time << " ms, " << b.measure << ":" << b.beat << ", " << b.sixteenths << "}";
}

TEST(PieceBeatMap, WithoutTimeSignatureBeatsAreQuartersInFourFour) {
    smf::TrackBuilder conductor;
    conductor.EndOfTrack();
    const Piece piece = LoadPiece(conductor, 3840);  // two bars
    const std::vector<Beat> expected = {{0, 1, 1, 0},     {500, 1, 2, 4},   {1000, 1, 3, 8},
                                        {1500, 1, 4, 12}, {2000, 2, 1, 16}, {2500, 2, 2, 20},
                                        {3000, 2, 3, 24}, {3500, 2, 4, 28}, {4000, 3, 1, 32}};
    EXPECT_EQ(Beats(piece), expected);
    EXPECT_EQ(piece.length, 4001u);
}

TEST(PieceBeatMap, SixEightCountsEighthNotes) {
    smf::TrackBuilder conductor;
    conductor.TimeSignature(0, 6, 3).EndOfTrack();
    const Piece piece = LoadPiece(conductor, 1440);  // one bar of 6/8
    const std::vector<Beat> expected = {{0, 1, 1, 0},    {250, 1, 2, 2},  {500, 1, 3, 4},
                                        {750, 1, 4, 6},  {1000, 1, 5, 8}, {1250, 1, 6, 10},
                                        {1500, 2, 1, 12}};
    EXPECT_EQ(Beats(piece), expected);
    EXPECT_EQ(piece.length, 1501u);
}

TEST(PieceBeatMap, MeterChangeTakesEffectAtItsTick) {
    smf::TrackBuilder conductor;
    conductor.TimeSignature(1920, 3, 2).EndOfTrack();
    const Piece piece = LoadPiece(conductor, 1920 + 1440 + 480);
    std::vector<std::pair<int, int>> places;
    for (const BeatRecord& r : piece.beatMap)
        places.emplace_back(r.measure, r.beat);
    const std::vector<std::pair<int, int>> expected = {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 1},
                                                       {2, 2}, {2, 3}, {3, 1}, {3, 2}};
    EXPECT_EQ(places, expected);
}

TEST(PieceBeatMap, EndsAtTheFirstBeatAtOrAfterTheLongestTrack) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack(500);
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack(100);
    Piece piece;
    ASSERT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.beatMap.size(), 3u);
    EXPECT_EQ(piece.beatMap.back().time, 1000u);
    EXPECT_EQ(piece.length, 1001u);
}

TEST(PieceBeatMap, FollowsTempoChanges) {
    smf::TrackBuilder conductor;
    conductor.Tempo(960, 1000000).EndOfTrack();
    const Piece piece = LoadPiece(conductor, 1920);
    std::vector<std::uint32_t> times;
    for (const BeatRecord& r : piece.beatMap)
        times.push_back(r.time);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 500, 1000, 2000, 3000}));
}

TEST(PieceBeatMap, DamagedDenominatorStillAdvancesAtLeastATickPerBeat) {
    smf::TrackBuilder conductor;
    conductor.Meta(0, 0x58, {4, 200, 24, 8}).EndOfTrack();
    const Piece piece = LoadPiece(conductor, 8);
    EXPECT_EQ(piece.beatMap.size(), 9u);
    EXPECT_EQ(piece.initialMeter.denominator, 1u << 31);
}

TEST(PieceBeatMap, StopsAtItsLimitWhenBeatsLastMicroseconds) {
    // A tempo of 1 µs a quarter and a long track would ask for 67 million beats.
    smf::FileBuilder file(1, 1);
    file.AddTrack().Tempo(0, 1).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack(0x0FFFFFFF);
    Piece piece;
    ASSERT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.beatMap.size(), kMaxBeats);
}

TEST(PieceBeatMap, TempoZeroAfterTheEndDoesNotStallIt) {
    smf::TrackBuilder conductor;
    conductor.Tempo(480, 0).EndOfTrack();
    const Piece piece = LoadPiece(conductor, 100000);
    EXPECT_EQ(piece.beatMap.size(), 2u);
    EXPECT_EQ(piece.length, 501u);
}

}  // namespace
}  // namespace ostinel
