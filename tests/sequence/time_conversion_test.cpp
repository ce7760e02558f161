// Ticks to milliseconds through the tempo map, and back.

#include "sequence/time_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

TempoMap MakeTempoMap(std::uint16_t division,
                      const std::vector<std::pair<std::int32_t, std::uint32_t>>& changes) {
    TempoMap map;
    for (const auto& [tick, tempo] : changes)
        AppendTempoRecord(map, tick, tempo, division);
    CloseTempoMap(map);
    return map;
}

// The time of a note that is the first event of its track at `tick`.
std::uint32_t NoteTimeMs(const smf::TrackBuilder& conductor, std::uint16_t division,
                         std::uint32_t tick) {
    smf::FileBuilder file(1, division);
    file.AddTrack().RawBytes(conductor.Events());
    file.AddTrack().NoteOn(tick, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    return piece.tracks.empty() ? 0 : piece.tracks[0].events.at(0).time;
}

struct TickCase {
    std::uint32_t tick;
    std::uint32_t ms;
};

class PieceTickRounding : public ::testing::TestWithParam<TickCase> {};

// 1000 µs a quarter and 3 ticks a quarter: a tick lasts 333.3 µs, so the
// times fall on thirds of a millisecond and show the rounding.
TEST_P(PieceTickRounding, EventTimesRoundToTheNearestMillisecond) {
    smf::TrackBuilder conductor;
    conductor.Tempo(0, 1000).EndOfTrack();
    EXPECT_EQ(NoteTimeMs(conductor, 3, GetParam().tick), GetParam().ms);
}

INSTANTIATE_TEST_SUITE_P(PieceTimesInThirdsOfAMillisecond, PieceTickRounding,
                         ::testing::Values(TickCase{0, 0}, TickCase{1, 0}, TickCase{2, 1},
                                           TickCase{3, 1}, TickCase{4, 1}, TickCase{5, 2},
                                           TickCase{3000, 1000}, TickCase{3001, 1000},
                                           TickCase{3002, 1001}));

TEST(PieceTimeConversion, WithoutTempoEveryTickLasts1042Microseconds) {
    smf::TrackBuilder conductor;
    conductor.EndOfTrack();
    EXPECT_EQ(NoteTimeMs(conductor, 480, 1), 1u);
    EXPECT_EQ(NoteTimeMs(conductor, 480, 12), 13u) << "12.504 ms rounds up";
    EXPECT_EQ(NoteTimeMs(conductor, 480, 480), 500u);  // 500.16 ms
    EXPECT_EQ(NoteTimeMs(conductor, 96, 480), 500u) << "whatever the division";
    EXPECT_EQ(NoteTimeMs(conductor, 480, 10000), 10420u);
}

TEST(PieceTimeConversion, TempoAtTheStartAppliesFromTheFirstTick) {
    smf::TrackBuilder conductor;
    conductor.Tempo(0, 500000).EndOfTrack();
    EXPECT_EQ(NoteTimeMs(conductor, 480, 480), 500u);
    EXPECT_EQ(NoteTimeMs(conductor, 480, 960), 1000u);
    EXPECT_EQ(NoteTimeMs(conductor, 96, 960), 5000u);
}

TEST(PieceTimeConversion, BeforeALaterFirstTempoTicksLast1042Microseconds) {
    smf::TrackBuilder conductor;
    conductor.Tempo(960, 250000).EndOfTrack();
    EXPECT_EQ(NoteTimeMs(conductor, 480, 480), 500u);
    EXPECT_EQ(NoteTimeMs(conductor, 480, 960), 1000u);  // 1000.32 ms
    EXPECT_EQ(NoteTimeMs(conductor, 480, 1440), 1250u);
}

TEST(PieceTimeConversion, TempoChangesAreCrossedWithinOneDelta) {
    smf::TrackBuilder conductor;
    conductor.Tempo(0, 500000).Tempo(480, 1000000).Tempo(480, 250000).EndOfTrack();
    // 500 ms + 1000 ms + 250 ms
    EXPECT_EQ(NoteTimeMs(conductor, 480, 1440), 1750u);
}

TEST(PieceTimeConversion, TempoRecordTimesFollowThePreviousTempo) {
    const TempoMap map = MakeTempoMap(480, {{960, 500000}, {1440, 250000}, {1920, 1000000}});
    ASSERT_EQ(map.size(), 4u);
    EXPECT_EQ(map[0].timeUs, 960u * 1042);
    EXPECT_EQ(map[1].timeUs, 960u * 1042 + 500000);
    EXPECT_EQ(map[2].timeUs, 960u * 1042 + 750000);
    EXPECT_EQ(map[3].tick, kEndTick);
    EXPECT_EQ(map[3].timeUs, kEndTimeUs);
}

TEST(PieceTimeConversion, PiecesLongerThan71MinutesKeepTheirTimes) {
    // 72 minutes at 120 beats a minute is 8640 quarters; 32-bit microseconds
    // would wrap after 71.6 minutes.
    const std::uint32_t ticks72Minutes = 8640 * 480;
    smf::TrackBuilder conductor;
    conductor.Tempo(0, 500000).Tempo(ticks72Minutes, 250000).EndOfTrack();
    EXPECT_EQ(NoteTimeMs(conductor, 480, ticks72Minutes), 4320000u);
    EXPECT_EQ(NoteTimeMs(conductor, 480, ticks72Minutes + 480), 4320250u);
}

TEST(PieceTimeConversion, TickClockAccumulatesEachAdvanceSeparately) {
    const TempoMap map = MakeTempoMap(3, {{0, 1000}});
    TickClock clock(map, 3);
    EXPECT_EQ(clock.TempoUs(), 1000u);
    clock.Advance(1);
    clock.Advance(1);
    EXPECT_EQ(clock.Tick(), 2);
    EXPECT_EQ(clock.MicrosecondSum(), 500u + 333 + 333) << "each step truncates on its own";
    EXPECT_EQ(clock.TimeMs(), 1u);
}

TEST(PieceTimeConversion, TickClockWithoutTempoMapStartsAt1042MicrosecondsATick) {
    const TempoMap empty;
    TickClock clock(empty, 120);
    EXPECT_EQ(clock.TempoUs(), 120u * 1042);
    clock.Advance(1000);
    EXPECT_EQ(clock.MicrosecondSum(), 500u + 1042000);
}

struct MsCase {
    std::uint32_t ms;
    std::uint32_t ticks;
};

TEST(PieceTimeConversion, MillisecondsToTicksBeforeAndAfterTempoChanges) {
    const TempoMap map = MakeTempoMap(480, {{0, 500000}, {960, 250000}});
    const std::vector<MsCase> cases = {{0, 0},       {1, 1},      {500, 480},  {1000, 960},
                                       {1250, 1440}, {1001, 962}, {2000, 2880}};
    for (const MsCase& c : cases)
        EXPECT_EQ(MsToTicks(c.ms, map, 480), c.ticks) << c.ms << " ms";
}

TEST(PieceTimeConversion, MillisecondsToTicksBeforeTheFirstTempoUse1042Microseconds) {
    const TempoMap map = MakeTempoMap(480, {{960, 250000}});
    EXPECT_EQ(MsToTicks(500, map, 480), 480u);
    EXPECT_EQ(MsToTicks(1, map, 480), 1u);
    EXPECT_EQ(MsToTicks(1250, map, 480), 1439u) << "tick 1440 falls at 1250.82 ms";
    const TempoMap none = MakeTempoMap(480, {});
    EXPECT_EQ(MsToTicks(10420, none, 480), 10000u);
}

TEST(PieceTimeConversion, MillisecondsToTicksInvertsTickTimesWithinATick) {
    const TempoMap map =
        MakeTempoMap(480, {{480, 600000}, {2000, 333333}, {5000, 1500000}, {9000, 400000}});
    for (std::uint32_t tick = 0; tick < 12000; tick += 7) {
        TickClock clock(map, 480);
        clock.Advance(tick);
        const std::uint32_t back = MsToTicks(clock.TimeMs(), map, 480);
        const double msPerTick = clock.TempoUs() / 480.0 / 1000.0;
        // Both ways round to whole milliseconds, so the way back may miss by
        // the ticks in one millisecond.
        EXPECT_LE(std::abs(static_cast<double>(back) - tick), 1.0 / msPerTick + 1) << tick;
    }
}

TEST(PieceTimeConversion, MillisecondsToTicksAtTempoZeroStaysAtTheChange) {
    const TempoMap map = MakeTempoMap(480, {{0, 500000}, {480, 0}});
    EXPECT_EQ(MsToTicks(10000, map, 480), 480u);
}

}  // namespace
}  // namespace ostinel
