#include "playback/position_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace ostinel {
namespace {

using platform::ClockDifference;
using platform::ClockMs;

PositionClock Playing(ScorePosition anchorPosition, ClockMs anchorTime, SpeedFactor speed,
                      PlaybackMotion motion = PlaybackMotion::Playing,
                      ScorePosition end = ScorePosition{10'000'000}) {
    PositionClock clock;
    clock.anchor = PositionAnchor{anchorPosition, anchorTime};
    clock.speed = speed;
    clock.motion = motion;
    clock.end = end;
    return clock;
}

struct PositionCase {
    PositionClock clock;
    ClockMs now;
    ScorePosition expected;
};

TEST(CurrentPosition, AdvancesWithTheClockAtTheSpeed) {
    const std::vector<PositionCase> cases = {
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
         platform::ClockMs{51000}, ScorePosition{2000}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{2048}),
         platform::ClockMs{51000}, ScorePosition{1500}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{6144}),
         platform::ClockMs{51000}, ScorePosition{2500}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::FastForward),
         platform::ClockMs{51000}, ScorePosition{5000}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{2048},
                 PlaybackMotion::FastForward),
         platform::ClockMs{51000}, ScorePosition{3000}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
         platform::ClockMs{50000}, ScorePosition{1000}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
         platform::ClockMs{50001}, ScorePosition{1001}},
        // 3 ms at 1 %: 0.03 score ms rounds to nothing.
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{41}),
         platform::ClockMs{50003}, ScorePosition{1000}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{41}),
         platform::ClockMs{51000}, ScorePosition{1010}},
    };
    for (const PositionCase& c : cases) {
        EXPECT_EQ(CurrentPosition(c.clock, c.now), ScorePosition{c.expected})
            << "speed " << c.clock.speed.Raw() << " now " << c.now.Ms();
    }
}

TEST(CurrentPosition, StoppedAndRewindingStayAtTheAnchor) {
    for (const PlaybackMotion motion : {PlaybackMotion::Stopped, PlaybackMotion::Rewinding}) {
        const PositionClock clock = Playing(ScorePosition{1000}, platform::ClockMs{50000},
                                            SpeedFactor{4096}, motion, ScorePosition{500});
        EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{90000}), ScorePosition{1000});
        EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{10000}), ScorePosition{1000});
    }
}

TEST(CurrentPosition, NeverPassesTheEnd) {
    const std::vector<PositionCase> cases = {
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::Playing, ScorePosition{1500}),
         platform::ClockMs{51000}, ScorePosition{1500}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::Playing, ScorePosition{1500}),
         platform::ClockMs{50499}, ScorePosition{1499}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::FastForward, ScorePosition{1500}),
         platform::ClockMs{50200}, ScorePosition{1500}},
        // Far from the anchor: four times the largest advance would wrap 32
        // bits; the position still stops at the end.
        {Playing(ScorePosition{2'000'000'000}, platform::ClockMs{0}, SpeedFactor{4096},
                 PlaybackMotion::FastForward, ScorePosition::Max()),
         platform::ClockMs{0x7FFFFFFF}, ScorePosition::Max()},
    };
    for (const PositionCase& c : cases) {
        EXPECT_EQ(CurrentPosition(c.clock, c.now), ScorePosition{c.expected}) << c.now.Ms();
    }
}

TEST(CurrentPosition, ANowBeforeTheAnchorTimeReadsTheAnchor) {
    for (const PlaybackMotion motion : {PlaybackMotion::Playing, PlaybackMotion::FastForward}) {
        const PositionClock clock =
            Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}, motion);
        EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{49999}), ScorePosition{1000});
        EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{40000}), ScorePosition{1000});
    }
}

TEST(CurrentPosition, TheClockWrapIsASmallStep) {
    const PositionClock clock =
        Playing(ScorePosition{1000}, platform::ClockMs{0xFFFFFF00u}, SpeedFactor{4096});
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{0xFFFFFFFFu}), ScorePosition{1255});
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{0x00000100u}), ScorePosition{1512});
    // Just before the anchor, across no wrap: still the anchor.
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{0xFFFFFE00u}), ScorePosition{1000});

    const PositionClock wrapped =
        Playing(ScorePosition{1000}, platform::ClockMs{0x00000080u}, SpeedFactor{4096});
    EXPECT_EQ(CurrentPosition(wrapped, platform::ClockMs{0xFFFFFF80u}),
              ScorePosition{1000});  // 256 ms before the anchor
}

ScorePosition FollowerAt7777(void*) {
    return ScorePosition{7777};
}
ScorePosition FollowerFromContext(void* context) {
    return *static_cast<ScorePosition*>(context);
}

TEST(CurrentPosition, FollowingAsksTheFollower) {
    PositionClock clock = Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                                  PlaybackMotion::Following, ScorePosition{9000});
    clock.follower = FollowerEstimate{&FollowerAt7777, nullptr, nullptr};
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{51000}), ScorePosition{7777});

    ScorePosition beyond = ScorePosition{12000};
    clock.follower = FollowerEstimate{&FollowerFromContext, nullptr, &beyond};
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{51000}), ScorePosition{9000});

    clock.follower = FollowerEstimate{};
    EXPECT_EQ(CurrentPosition(clock, platform::ClockMs{51000}), ScorePosition{2000});
}

struct DueCase {
    PositionClock clock;
    ScorePosition position;
    DueTime expected;
};

TEST(DueClockTime, FuturePositionsComeUpAfterTheirDistanceAtTheSpeed) {
    const std::vector<DueCase> cases = {
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
         ScorePosition{2000},
         {false, platform::ClockMs{51000}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
         ScorePosition{1001},
         {false, platform::ClockMs{50001}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{2048}),
         ScorePosition{2000},
         {false, platform::ClockMs{52000}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{8192}),
         ScorePosition{2000},
         {false, platform::ClockMs{50500}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{41}),
         ScorePosition{1010},
         {false, platform::ClockMs{50999}}},  // 10 ms at 1 %: 999.02
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::FastForward),
         ScorePosition{2000},
         {false, platform::ClockMs{50250}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::FastForward),
         ScorePosition{1001},
         {false, platform::ClockMs{50000}}},
        {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096},
                 PlaybackMotion::FastForward),
         ScorePosition{1002},
         {false, platform::ClockMs{50001}}},
        // Across the wrap of the clock.
        {Playing(ScorePosition{1000}, platform::ClockMs{0xFFFFFF00u}, SpeedFactor{4096}),
         ScorePosition{1512},
         {false, platform::ClockMs{0x00000100u}}},
    };
    for (const DueCase& c : cases) {
        const DueTime due = DueClockTime(c.clock, c.position);
        EXPECT_EQ(due.alreadyDue, c.expected.alreadyDue) << c.position.Ms();
        EXPECT_EQ(due.time, c.expected.time)
            << c.position.Ms() << " at speed " << c.clock.speed.Raw();
    }
}

TEST(DueClockTime, PositionsAtOrBeforeTheAnchorAreAlreadyDue) {
    for (const ScorePosition position :
         {ScorePosition{1000}, ScorePosition{999}, ScorePosition{0}, ScorePosition{-5}}) {
        EXPECT_TRUE(
            DueClockTime(Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{4096}),
                         position)
                .alreadyDue)
            << position.Ms();
        EXPECT_TRUE(DueClockTime(Playing(ScorePosition{1000}, platform::ClockMs{50000},
                                         SpeedFactor{4096}, PlaybackMotion::FastForward),
                                 position)
                        .alreadyDue);
    }
}

TEST(DueClockTime, WaitsBeyondASignedDifferenceAreCappedInTheFuture) {
    // Speed 0 never gets there; 2^31 score ms at 1 % would take 6.6 years.
    for (const PositionClock& clock :
         {Playing(ScorePosition{1000}, platform::ClockMs{50000}, SpeedFactor{0}),
          Playing(ScorePosition{0}, platform::ClockMs{50000}, SpeedFactor{41}),
          Playing(ScorePosition::Min(), platform::ClockMs{50000}, SpeedFactor{4096})}) {
        const DueTime due = DueClockTime(clock, ScorePosition::Max());
        EXPECT_FALSE(due.alreadyDue);
        EXPECT_EQ(ClockDifference(due.time, platform::ClockMs{50000}),
                  std::numeric_limits<std::int32_t>::max());
    }
    // 2^29 score ms at a quarter of the speed take 2^31 ms, more than a signed
    // difference holds; fast forward needs a quarter of that, which fits.
    const DueTime quick = DueClockTime(Playing(ScorePosition{0}, platform::ClockMs{50000},
                                               SpeedFactor{1024}, PlaybackMotion::FastForward),
                                       ScorePosition{1 << 29});
    EXPECT_EQ(ClockDifference(quick.time, platform::ClockMs{50000}), 1 << 29);
}

// Both ways. The position read at the due time of p is p exactly up to the
// piece's own tempo, and within 1 above it, where one clock millisecond covers
// more than one score millisecond; fast forward moves in steps of four and
// lands within 5. The due time of the position read at t is t to within the
// clock time half a score millisecond takes at that speed, plus 1.
TEST(DueClockTime, InverseOfTheCurrentPosition) {
    for (const std::uint16_t raw : {41, 100, 1000, 2048, 3000, 4096, 5000, 6144, 8192}) {
        const SpeedFactor speed{raw};
        for (const PlaybackMotion motion : {PlaybackMotion::Playing, PlaybackMotion::FastForward}) {
            const PositionClock clock =
                Playing(ScorePosition{5000}, platform::ClockMs{0xFFFF0000u}, speed, motion);
            const int positionSlack =
                motion == PlaybackMotion::FastForward ? 5 : (speed <= SpeedFactor{4096} ? 0 : 1);
            for (ScorePosition p = ScorePosition{5001}; p < ScorePosition{5000 + 200000}; p += 7) {
                const DueTime due = DueClockTime(clock, p);
                ASSERT_FALSE(due.alreadyDue);
                ASSERT_LE(std::abs(CurrentPosition(clock, due.time) - p), positionSlack)
                    << "speed " << speed.Raw() << " position " << p.Ms();
            }
            const int clockSlack = 2048 / speed.Raw() + 1;
            for (std::int32_t t = 1; t < 200000; t += 7) {
                const ClockMs now = clock.anchor.time + t;
                const ScorePosition p = CurrentPosition(clock, now);
                if (p == clock.anchor.position) continue;
                const DueTime due = DueClockTime(clock, p);
                ASSERT_LE(std::abs(ClockDifference(due.time, now)), clockSlack)
                    << "speed " << speed.Raw() << " clock +" << t;
            }
        }
    }
}

}  // namespace
}  // namespace ostinel
