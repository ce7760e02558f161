#include "midi/sync/midi_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ostinel {
namespace {

BeatRecord Beat(std::uint32_t time, std::uint16_t measure, std::uint16_t beat,
                std::uint32_t sixteenths) {
    BeatRecord record;
    record.time = time;
    record.measure = measure;
    record.beat = beat;
    record.sixteenths = sixteenths;
    return record;
}

// The clocks a tick would send over a beat map, as (score position, count)
// pairs: timed clocks one by one while the sync due time comes before the next
// beat (or on it: the tick serves the sync instant before the beat), then the
// owed clocks together when the beat is served.
struct ClockBurst {
    ScorePosition at;
    std::int32_t clocks;
    friend bool operator==(const ClockBurst&, const ClockBurst&) = default;
};

std::vector<ClockBurst> RunBeats(const std::vector<BeatRecord>& beats) {
    MidiClockSync sync;
    std::vector<ClockBurst> sent;
    for (std::size_t i = 0; i < beats.size(); ++i) {
        const auto beatTime = static_cast<ScorePosition>(beats[i].time);
        while (sync.NextDue() <= beatTime) {
            sent.push_back({sync.NextDue(), 1});
            sync.ClockSent();
        }
        const BeatRecord* next = i + 1 < beats.size() ? &beats[i + 1] : nullptr;
        const std::int32_t owed = sync.BeginBeat(beats[i], next, beatTime);
        if (owed > 0) sent.push_back({beatTime, owed});
    }
    return sent;
}

TEST(MidiClock, ClocksOfABeat) {
    struct Case {
        BeatRecord beat, next;
        ScorePosition from;
        BeatClocks expected;
    };
    const std::vector<Case> cases = {
        // A quarter note of 500 ms: 24 clocks, 20.83 ms apart, rounded.
        {Beat(0, 1, 1, 0), Beat(500, 1, 2, 4), ScorePosition{0}, {24, 21}},
        // A dotted quarter of 750 ms: 36 clocks, 20.83 ms apart.
        {Beat(0, 1, 1, 0), Beat(750, 1, 2, 6), ScorePosition{0}, {36, 21}},
        // An eighth of 250 ms: 12 clocks.
        {Beat(1000, 2, 1, 16), Beat(1250, 2, 2, 18), ScorePosition{1000}, {12, 21}},
        // Served 100 ms late: the remaining span is spread over all clocks.
        {Beat(0, 1, 1, 0), Beat(500, 1, 2, 4), ScorePosition{100}, {24, 17}},
        // A damaged map with no sixteenths between two beats has no clocks.
        {Beat(0, 1, 1, 4), Beat(500, 1, 2, 4), ScorePosition{0}, {0, 0}},
    };
    for (const Case& c : cases) {
        const BeatClocks clocks = ClocksOfBeat(c.beat, c.next, c.from);
        EXPECT_EQ(clocks.count, c.expected.count);
        EXPECT_EQ(clocks.intervalMs, c.expected.intervalMs);
    }
}

TEST(MidiClock, QuarterNoteBeatTimesTwentyThreeAndOwesTheOneOnTheNextBeat) {
    const std::vector<ClockBurst> sent =
        RunBeats({Beat(0, 1, 1, 0), Beat(500, 1, 2, 4), Beat(1000, 1, 3, 8)});
    std::vector<ClockBurst> expected;
    for (int i = 1; i <= 23; ++i)
        expected.push_back({ScorePosition{i * 21}, 1});
    expected.push_back({ScorePosition{500}, 1});
    for (int i = 1; i <= 23; ++i)
        expected.push_back({ScorePosition{500 + i * 21}, 1});
    expected.push_back({ScorePosition{1000}, 1});
    EXPECT_EQ(sent, expected);
}

TEST(MidiClock, DottedQuarterSendsTwentyThreeOnTimeAndThirteenAtTheNextBeat) {
    const std::vector<ClockBurst> sent =
        RunBeats({Beat(0, 1, 1, 0), Beat(750, 1, 2, 6), Beat(1500, 2, 1, 12)});
    std::vector<ClockBurst> expected;
    for (int i = 1; i <= 23; ++i)
        expected.push_back({ScorePosition{i * 21}, 1});
    expected.push_back({ScorePosition{750}, 13});
    for (int i = 1; i <= 23; ++i)
        expected.push_back({ScorePosition{750 + i * 21}, 1});
    expected.push_back({ScorePosition{1500}, 13});
    EXPECT_EQ(sent, expected);
}

TEST(MidiClock, EighthNoteBeatTimesAllItsClocks) {
    // 12 clocks 21 ms apart: the 12th falls at 252, after the next beat at 250,
    // so it is owed and sent with that beat.
    const std::vector<ClockBurst> sent =
        RunBeats({Beat(0, 1, 1, 0), Beat(250, 1, 2, 2), Beat(500, 1, 3, 4)});
    std::vector<ClockBurst> expected;
    for (int i = 1; i <= 11; ++i)
        expected.push_back({ScorePosition{i * 21}, 1});
    expected.push_back({ScorePosition{250}, 1});
    for (int i = 1; i <= 11; ++i)
        expected.push_back({ScorePosition{250 + i * 21}, 1});
    expected.push_back({ScorePosition{500}, 1});
    EXPECT_EQ(sent, expected);
}

TEST(MidiClock, AfterTheTwentyThirdClockNothingIsTimedUntilTheNextBeat) {
    MidiClockSync sync;
    const BeatRecord beat = Beat(0, 1, 1, 0);
    const BeatRecord next = Beat(750, 1, 2, 6);
    EXPECT_EQ(sync.BeginBeat(beat, &next, ScorePosition{0}), 0);
    for (int i = 0; i < 22; ++i)
        sync.ClockSent();
    EXPECT_EQ(sync.NextDue(), ScorePosition{23 * 21});
    sync.ClockSent();
    EXPECT_EQ(sync.NextDue(), ScorePosition{kNoSyncDue});
    EXPECT_EQ(sync.ClocksSent(), 23);
}

TEST(MidiClock, TheLastBeatTimesNoClocks) {
    MidiClockSync sync;
    const BeatRecord first = Beat(0, 1, 1, 0);
    const BeatRecord last = Beat(500, 1, 2, 4);
    sync.BeginBeat(first, &last, ScorePosition{0});
    for (int i = 0; i < 23; ++i)
        sync.ClockSent();
    EXPECT_EQ(sync.BeginBeat(last, nullptr, ScorePosition{500}), 1);
    EXPECT_EQ(sync.NextDue(), ScorePosition{kNoSyncDue});
}

struct LocateCase {
    ScorePosition position;
    std::int32_t songPosition;
    std::int32_t clocksSent;
    ScorePosition nextDue;
};

TEST(MidiClock, SongPositionAtALocate) {
    // Beat 1:3 at 1000 ms, 8 sixteenths in; the next beat 500 ms and 4
    // sixteenths later: 24 clocks 21 ms apart, 126 ms a sixteenth.
    const BeatRecord beat = Beat(1000, 1, 3, 8);
    const BeatRecord next = Beat(1500, 1, 4, 12);
    const std::vector<LocateCase> cases = {
        // On the beat: all clocks but the one the beat itself sends.
        {ScorePosition{1000}, 8, 23, ScorePosition{1021}},
        {ScorePosition{1125}, 8, 0, ScorePosition{1146}},
        {ScorePosition{1126}, 9, 6, ScorePosition{1147}},
        {ScorePosition{1200}, 9, 6, ScorePosition{1221}},
        {ScorePosition{1252}, 10, 12, ScorePosition{1273}},
        {ScorePosition{1499}, 11, 18, ScorePosition{1520}},
    };
    for (const LocateCase& c : cases) {
        MidiClockSync sync;
        EXPECT_EQ(sync.Locate(c.position, beat, &next), c.songPosition) << c.position.Ms();
        EXPECT_EQ(sync.ClocksSent(), c.clocksSent) << c.position.Ms();
        EXPECT_EQ(sync.ClockCount(), 24) << c.position.Ms();
        EXPECT_EQ(sync.NextDue(), ScorePosition{c.nextDue}) << c.position.Ms();
    }
}

TEST(MidiClock, LocateOnABeatSendsItsClockWhenTheBeatIsServed) {
    const BeatRecord beat = Beat(1000, 1, 3, 8);
    const BeatRecord next = Beat(1500, 1, 4, 12);
    const BeatRecord after = Beat(2000, 2, 1, 16);
    MidiClockSync sync;
    sync.Locate(ScorePosition{1000}, beat, &next);
    EXPECT_EQ(sync.BeginBeat(beat, &next, ScorePosition{1000}), 1);
    EXPECT_EQ(sync.NextDue(), ScorePosition{1021});

    // Inside the beat, 6 clocks (one whole sixteenth) count as sent: the
    // clocks after the position are timed until the next beat and the rest
    // owed there, so the receiver reaches the next beat's sixteenth with it.
    MidiClockSync inside;
    inside.Locate(ScorePosition{1200}, beat, &next);
    int timed = 0;
    while (inside.NextDue() <= ScorePosition{1500}) {
        EXPECT_EQ(inside.NextDue(), ScorePosition{1221 + timed * 21});
        inside.ClockSent();
        ++timed;
    }
    EXPECT_EQ(timed, 14);
    const std::int32_t owed = inside.BeginBeat(next, &after, ScorePosition{1500});
    EXPECT_EQ(owed, 4);
    EXPECT_EQ(6 + timed + owed, 24);
}

TEST(MidiClock, LocateInTheLastBeatTimesNoClocks) {
    MidiClockSync sync;
    EXPECT_EQ(sync.Locate(ScorePosition{2300}, Beat(2000, 2, 1, 16), nullptr), 16);
    EXPECT_EQ(sync.NextDue(), ScorePosition{kNoSyncDue});
}

TEST(MidiClock, SongPositionPointerBytes) {
    struct Case {
        std::int32_t sixteenths;
        SongPositionMessage bytes;
    };
    const std::vector<Case> cases = {
        {0, {0xF2, 0x00, 0x00}},     {5, {0xF2, 0x05, 0x00}},     {127, {0xF2, 0x7F, 0x00}},
        {128, {0xF2, 0x00, 0x01}},   {300, {0xF2, 0x2C, 0x02}},   {8191, {0xF2, 0x7F, 0x3F}},
        {16383, {0xF2, 0x7F, 0x7F}}, {16384, {0xF2, 0x00, 0x00}},  // 14 bits wrap
    };
    for (const Case& c : cases) {
        SongPositionMessage message{};
        BuildSongPosition(c.sixteenths, message);
        EXPECT_EQ(message, c.bytes) << c.sixteenths;
        EXPECT_EQ(message[1] | (message[2] << 7), c.sixteenths & 0x3FFF);
    }
}

TEST(MidiClock, StartFromTheBeginningContinueFromElsewhere) {
    EXPECT_EQ(StartOrContinue(ScorePosition{0}), 0xFA);
    EXPECT_EQ(StartOrContinue(ScorePosition{1}), 0xFB);
    EXPECT_EQ(StartOrContinue(ScorePosition{125000}), 0xFB);
    EXPECT_EQ(kMidiStop, 0xFC);
    EXPECT_EQ(kMidiTimingClock, 0xF8);
}

}  // namespace
}  // namespace ostinel
