#include "playback/master_tempo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace ostinel {
namespace {

TEST(MasterTempo, PercentToSpeedTable) {
    struct Case {
        std::int32_t percent;
        SpeedFactor speed;
    };
    const std::vector<Case> cases = {
        {100, SpeedFactor{4096}}, {50, SpeedFactor{2048}}, {200, SpeedFactor{8192}},
        {150, SpeedFactor{6144}}, {1, SpeedFactor{41}},    {33, SpeedFactor{1352}},
        {99, SpeedFactor{4055}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpeedFromPercent(c.percent), c.speed) << c.percent;
        EXPECT_EQ(PercentFromSpeed(c.speed), c.percent) << c.speed.Raw();
    }
    EXPECT_EQ(PercentFromSpeed(SpeedFactor{0}), 0);
    EXPECT_EQ(PercentFromSpeed(SpeedFactor{2047}), 50);  // 49.98
    EXPECT_EQ(PercentFromSpeed(SpeedFactor{65535}), 1600);
}

TEST(MasterTempo, EveryPercentRoundTrips) {
    for (std::int32_t percent = 1; percent <= 200; ++percent) {
        EXPECT_EQ(PercentFromSpeed(SpeedFromPercent(percent)), percent);
    }
}

TEST(MasterTempo, EverySpeedComesBackToTheNearestPercentStep) {
    // One percent is 40.96 speed units: a speed shown as a percentage and
    // entered again moves by at most half of that.
    for (std::int32_t speed = 21; speed <= 8192; ++speed) {
        const SpeedFactor back =
            SpeedFromPercent(PercentFromSpeed(SpeedFactor(static_cast<std::uint16_t>(speed))));
        EXPECT_LE(std::abs(back.Raw() - speed), 21) << speed;
    }
}

TEST(MasterTempo, BeatsPerMinuteTable) {
    struct Case {
        std::int32_t beatMs;
        std::int32_t percent;
        std::int32_t bpm;
    };
    const std::vector<Case> cases = {
        {500, 100, 120}, {500, 50, 60},   {500, 200, 240}, {500, 1, 1},
        {600, 100, 100}, {1000, 100, 60}, {250, 100, 240}, {750, 100, 80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BpmFromPercent(c.percent, BeatLengthFromMs(c.beatMs)), c.bpm)
            << c.percent << " % of a " << c.beatMs << " ms beat";
        EXPECT_EQ(PercentFromBpm(c.bpm, BeatLengthFromMs(c.beatMs)), c.percent)
            << c.bpm << " bpm for a " << c.beatMs << " ms beat";
    }
    EXPECT_EQ(PercentFromBpm(121, BeatLengthFromMs(500)), 101);  // 100.83
    EXPECT_EQ(BpmFromPercent(101, BeatLengthFromMs(500)), 121);  // 121.2
    // 300 bpm of a 2 s beat: bpm × L = 2.46 × 10^9, past 32 bits.
    EXPECT_EQ(PercentFromBpm(300, BeatLengthFromMs(2000)), 1000);
    EXPECT_EQ(BpmFromPercent(100, 0), 0);
}

TEST(MasterTempo, BeatsPerMinuteRoundTripWhereTheyAreTheFinerUnit) {
    // A 250 ms beat: a percent is 2.4 bpm, so a percentage survives.
    for (std::int32_t percent = 1; percent <= 200; ++percent) {
        const std::int64_t beat = BeatLengthFromMs(250);
        EXPECT_EQ(PercentFromBpm(BpmFromPercent(percent, beat), beat), percent);
    }
    // A 2000 ms beat: a bpm is 3.33 percent, so a bpm survives.
    for (std::int32_t bpm = 1; bpm <= 60; ++bpm) {
        const std::int64_t beat = BeatLengthFromMs(2000);
        EXPECT_EQ(BpmFromPercent(PercentFromBpm(bpm, beat), beat), bpm);
    }
}

TEST(MasterVolume, PercentShown) {
    struct Case {
        std::int16_t volume;
        std::int32_t percent;
    };
    const std::vector<Case> cases = {
        {256, 100}, {128, 50}, {512, 200}, {0, 0}, {1, 0}, {2, 1}, {3, 1}, {255, 100}, {254, 99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MasterVolumePercent(c.volume), c.percent) << c.volume;
}

TEST(DisplayedTempo, NearestWholeBeatsPerMinute) {
    struct Case {
        SpeedFactor speed;
        std::int32_t beatMs;
        std::int32_t bpm;
    };
    const std::vector<Case> cases = {
        {SpeedFactor{4096}, 500, 120},   {SpeedFactor{4096}, 600, 100},
        {SpeedFactor{2048}, 500, 60},    {SpeedFactor{6144}, 500, 180},
        {SpeedFactor{4096}, 1000, 60},   {SpeedFactor{4096}, 501, 120},  // 119.76
        {SpeedFactor{4096}, 498, 120},                                   // 120.48
        {SpeedFactor{4096}, 497, 121},                                   // 120.72
        {SpeedFactor{4096}, 40000, 2},                                   // 1.5, halves up
        {SpeedFactor{4096}, 24000, 3},                                   // 2.5
        {SpeedFactor{65535}, 500, 1920},  // 1919.97; speed × 60000 is past 2^31
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayedBeatTempo(c.speed, c.beatMs), c.bpm) << c.speed.Raw() << " " << c.beatMs;
    }
    EXPECT_EQ(DisplayedBeatTempo(SpeedFactor{4096}, 0), std::nullopt);
}

}  // namespace
}  // namespace ostinel
