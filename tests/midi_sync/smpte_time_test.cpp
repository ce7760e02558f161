#include "midi/sync/smpte_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "midi_sync/smpte_readings.h"

namespace ostinel {
namespace {

constexpr std::array<SmpteFrameRate, 4> kAllRates = {
    SmpteFrameRate::Fps24, SmpteFrameRate::Fps25, SmpteFrameRate::Fps30Drop, SmpteFrameRate::Fps30};

// The reading one quarter frame later.
SmpteTime NextQuarter(const SmpteTime& t, SmpteFrameRate rate) {
    if (t.hundredths == 75) return NextWholeFrame(t, rate);
    SmpteTime next = t;
    next.hundredths = static_cast<std::uint8_t>(t.hundredths + 25);
    return next;
}

TEST(SmpteRates, TableRows) {
    struct Row {
        SmpteFrameRate rate;
        SmpteRate expected;
    };
    const std::vector<Row> rows = {
        {SmpteFrameRate::Fps24, {24, 3, 125, 0}},
        {SmpteFrameRate::Fps25, {25, 1, 40, 1}},
        {SmpteFrameRate::Fps30Drop, {30, 2997, 100000, 2}},
        {SmpteFrameRate::Fps30, {30, 3, 100, 3}},
    };
    for (const Row& row : rows) {
        const SmpteRate& r = RateOf(row.rate);
        EXPECT_EQ(r.framesPerSecond, row.expected.framesPerSecond);
        EXPECT_EQ(r.numerator, row.expected.numerator);
        EXPECT_EQ(r.denominator, row.expected.denominator);
        EXPECT_EQ(r.rateBits, row.expected.rateBits);
    }
    EXPECT_EQ(RateOf(static_cast<SmpteFrameRate>(9)).rateBits, 3);
}

struct ReadingCase {
    SmpteFrameRate rate;
    ScorePosition ms;
    SmpteTime reading;
};

TEST(SmpteTime, PositionsRead) {
    const std::vector<ReadingCase> cases = {
        // Drop frame: the last frames of minute 0, then minute 1 starts at frame 2.
        {SmpteFrameRate::Fps30Drop, ScorePosition{60000}, Reading(0, 0, 59, 28, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{60100}, Reading(0, 1, 0, 3, 0, true)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{600000}, Reading(0, 10, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{59999}, Reading(0, 0, 59, 28, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{60040}, Reading(0, 0, 59, 29, 25, true)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{60067}, Reading(0, 1, 0, 2, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{120054}, Reading(0, 2, 0, 2, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{599990}, Reading(0, 9, 59, 29, 50, true)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{3600000}, Reading(1, 0, 0, 0, 0, false)},
        {SmpteFrameRate::Fps25, ScorePosition{60100}, Reading(0, 1, 0, 2, 50, false)},
        {SmpteFrameRate::Fps25, ScorePosition{1000},
         Reading(0, 0, 1, 0, 0, true)},  // 25 frames so far: odd
        {SmpteFrameRate::Fps24, ScorePosition{0}, Reading(0, 0, 0, 0, 0, false)},
        {SmpteFrameRate::Fps24, ScorePosition{1000}, Reading(0, 0, 1, 0, 0, false)},
        {SmpteFrameRate::Fps24, ScorePosition{1041}, Reading(0, 0, 1, 0, 75, false)},
        {SmpteFrameRate::Fps24, ScorePosition{1042}, Reading(0, 0, 1, 1, 0, true)},
        {SmpteFrameRate::Fps30, ScorePosition{3723004}, Reading(1, 2, 3, 0, 0, false)},
        {SmpteFrameRate::Fps30, ScorePosition{3723034}, Reading(1, 2, 3, 1, 0, true)},
        // The piece starts at 0.
        {SmpteFrameRate::Fps30, ScorePosition{-500}, Reading(0, 0, 0, 0, 0, false)},
    };
    for (const ReadingCase& c : cases) {
        EXPECT_EQ(ToSmpteTime(c.ms, c.rate), c.reading)
            << c.ms.Ms() << " ms at rate " << int(c.rate);
    }
}

TEST(SmpteTime, ReadingsPositioned) {
    const std::vector<ReadingCase> cases = {
        {SmpteFrameRate::Fps24, ScorePosition{1000}, Reading(0, 0, 1, 0, 0, false)},
        {SmpteFrameRate::Fps24, ScorePosition{83}, Reading(0, 0, 0, 2, 0, false)},   // 83.33
        {SmpteFrameRate::Fps24, ScorePosition{10}, Reading(0, 0, 0, 0, 25, false)},  // 10.42
        {SmpteFrameRate::Fps24, ScorePosition{21}, Reading(0, 0, 0, 0, 50, false)},  // 20.83
        {SmpteFrameRate::Fps24, ScorePosition{31}, Reading(0, 0, 0, 0, 75, false)},  // 31.25
        {SmpteFrameRate::Fps25, ScorePosition{60100}, Reading(0, 1, 0, 2, 50, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{600000}, Reading(0, 10, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{60060}, Reading(0, 1, 0, 2, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{120053}, Reading(0, 2, 0, 2, 0, false)},
        {SmpteFrameRate::Fps30Drop, ScorePosition{3600000}, Reading(1, 0, 0, 0, 0, false)},
        // The hours byte's rate code (2 × 32) is not part of the hours.
        {SmpteFrameRate::Fps30Drop, ScorePosition{3600000}, Reading(65, 0, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30, ScorePosition{3723000}, Reading(1, 2, 3, 0, 0, false)},
        {SmpteFrameRate::Fps30, ScorePosition{3723025}, Reading(1, 2, 3, 0, 75, false)},
    };
    for (const ReadingCase& c : cases) {
        EXPECT_EQ(ToScorePosition(c.reading, c.rate), c.ms) << ::testing::PrintToString(c.reading);
    }
}

// Every position from 0 to just past 11 minutes, then every 997th to 32
// hours: the reading converted back is never after the position and at most
// the stated number of milliseconds before it, and that bound is reached.
TEST(SmpteTime, PositionRoundTripStaysWithinAQuarterFrame) {
    const std::array<std::int32_t, 4> tolerance = {11, 9, 9, 8};
    for (std::size_t r = 0; r < kAllRates.size(); ++r) {
        const SmpteFrameRate rate = kAllRates[r];
        std::int32_t largest = 0;
        auto check = [&](std::int32_t ms) {
            const std::int32_t back =
                ToScorePosition(ToSmpteTime(ScorePosition{ms}, rate), rate).Ms();
            const std::int32_t early = ms - back;
            largest = std::max(largest, early);
            return early >= 0 && early <= tolerance[r];
        };
        for (std::int32_t ms = 0; ms <= 660000; ++ms) {
            ASSERT_TRUE(check(ms)) << ms << " ms at rate " << r;
        }
        EXPECT_EQ(largest, tolerance[r]) << "rate " << r;
        for (std::int32_t ms = 660000; ms < 32 * 3600 * 1000; ms += 997) {
            ASSERT_TRUE(check(ms)) << ms << " ms at rate " << r;
        }
    }
}

// Every reading of the first 11 minutes and of the minutes around 1, 10 and
// 31 hours: its position read with a lead of 2 ms gives it back exactly, and
// so does every lead in the rate's window (24 fps 1-9 ms, 25 fps 0-9, 30 fps
// with or without drop frame 1-7), which is as wide as it gets: one lead
// beyond either end fails somewhere. With no lead the reading comes back or
// the quarter frame before it does.
TEST(SmpteTime, ReadingRoundTripIsExactTwoMillisecondsOn) {
    const std::array<std::int32_t, 4> firstLead = {1, 0, 1, 1};
    const std::array<std::int32_t, 4> lastLead = {9, 9, 7, 7};
    for (std::size_t r = 0; r < kAllRates.size(); ++r) {
        const SmpteFrameRate rate = kAllRates[r];
        bool shorterLeadFails = firstLead[r] == 0;
        bool longerLeadFails = false;
        for (const std::int32_t startHour : {0, 1, 10, 31}) {
            SmpteTime t = startHour == 0
                              ? SmpteTime{}
                              : ToSmpteTime(ScorePosition{startHour * 3600000 - 60000}, rate);
            const int quarters = startHour == 0 ? 11 * 60 * 30 * 4 : 2 * 60 * 30 * 4;
            ScorePosition previous{-1};
            for (int i = 0; i < quarters; ++i) {
                const ScorePosition back = ToScorePosition(t, rate);
                ASSERT_EQ(ToSmpteTime(back + 2, rate), t) << back.Ms();
                for (std::int32_t lead = firstLead[r]; lead <= lastLead[r]; ++lead) {
                    ASSERT_EQ(ToSmpteTime(back + lead, rate), t) << back.Ms() << " + " << lead;
                }
                if (firstLead[r] > 0 && !(ToSmpteTime(back + firstLead[r] - 1, rate) == t)) {
                    shorterLeadFails = true;
                }
                if (!(ToSmpteTime(back + lastLead[r] + 1, rate) == t)) longerLeadFails = true;
                const SmpteTime plain = ToSmpteTime(back, rate);
                ASSERT_TRUE(plain == t || NextQuarter(plain, rate) == t)
                    << ::testing::PrintToString(t) << " read back as "
                    << ::testing::PrintToString(plain);
                ASSERT_GT(back, previous) << ::testing::PrintToString(t);
                previous = back;
                t = NextQuarter(t, rate);
            }
        }
        EXPECT_TRUE(shorterLeadFails) << "rate " << r;
        EXPECT_TRUE(longerLeadFails) << "rate " << r;
    }
}

struct NextFrameCase {
    SmpteFrameRate rate;
    SmpteTime from;
    SmpteTime to;
};

TEST(SmpteTime, NextWholeFrameCarries) {
    const std::vector<NextFrameCase> cases = {
        {SmpteFrameRate::Fps24, Reading(0, 0, 0, 23, 0, true), Reading(0, 0, 1, 0, 0, false)},
        {SmpteFrameRate::Fps25, Reading(0, 0, 59, 24, 50, false), Reading(0, 1, 0, 0, 0, true)},
        {SmpteFrameRate::Fps30, Reading(0, 0, 59, 29, 0, true), Reading(0, 1, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 0, 0, 5, 50, true), Reading(0, 0, 0, 6, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 0, 1, 29, 0, true), Reading(0, 0, 2, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 0, 59, 29, 0, true), Reading(0, 1, 0, 2, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 1, 0, 2, 0, false), Reading(0, 1, 0, 3, 0, true)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 9, 59, 29, 75, true),
         Reading(0, 10, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(0, 59, 59, 29, 0, true), Reading(1, 0, 0, 0, 0, false)},
        {SmpteFrameRate::Fps30Drop, Reading(1, 0, 59, 29, 0, true), Reading(1, 1, 0, 2, 0, false)},
    };
    for (const NextFrameCase& c : cases) {
        EXPECT_EQ(NextWholeFrame(c.from, c.rate), c.to) << ::testing::PrintToString(c.from);
    }
}

TEST(SmpteTime, FullFrameMessageBytes) {
    struct Case {
        SmpteFrameRate rate;
        SmpteTime time;
        FullFrameMessage bytes;
    };
    const std::vector<Case> cases = {
        {SmpteFrameRate::Fps24,
         Reading(0, 0, 0, 0, 0, false),
         {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7}},
        {SmpteFrameRate::Fps25,
         Reading(23, 59, 59, 24, 50, false),
         {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x37, 0x3B, 0x3B, 0x18, 0xF7}},
        {SmpteFrameRate::Fps30Drop,
         Reading(1, 2, 3, 4, 0, false),
         {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x41, 0x02, 0x03, 0x04, 0xF7}},
        {SmpteFrameRate::Fps30,
         Reading(10, 20, 30, 29, 75, true),
         {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x6A, 0x14, 0x1E, 0x1D, 0xF7}},
        // Hours beyond 31 keep to their five bits, leaving the rate code intact.
        {SmpteFrameRate::Fps24,
         Reading(33, 0, 0, 0, 0, false),
         {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0xF7}},
    };
    for (const Case& c : cases) {
        FullFrameMessage message{};
        BuildFullFrame(c.time, c.rate, message);
        EXPECT_EQ(message, c.bytes) << ::testing::PrintToString(c.time);
    }
}

}  // namespace
}  // namespace ostinel
