#include "midi/piece_sysex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "midi_test_rig.h"

namespace ostinel {
namespace {

using platform::ClockMs;
using platform::RecordedMessage;
using testing::Bytes;
using testing::MidiRig;

// A piece whose channel events run from 100 ms to 5000 ms, with one
// system-exclusive message at each of the given times; message i carries the
// data byte i and is stored as the reader keeps it: F0, data, F7, F7.
std::unique_ptr<Piece> PieceWithSysexAt(const std::vector<std::uint32_t>& times) {
    auto piece = std::make_unique<Piece>();
    piece->firstEventTime = 100;
    piece->lastEventTime = 5000;
    for (std::size_t i = 0; i < times.size(); ++i) {
        piece->sysExList.push_back({times[i], 0xF0, 0, static_cast<std::uint16_t>(i)});
        piece->sysExBuffers.push_back({0xF0, 0x41, static_cast<std::uint8_t>(i), 0xF7, 0xF7});
    }
    piece->loaded = true;
    return piece;
}

Bytes Message(std::uint8_t index) {
    return {0xF0, 0x41, index, 0xF7};
}

class PieceSysexTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.RouteOutputs({0, 1, 2, 0, 0, 0, 0, 0})); }

    // Plays the idle pass: wakes at each due time and sends.
    void RunQueue() {
        while (sysex.SysexPending()) {
            const ClockMs due = *sysex.NextSysexDue();
            if (platform::ClockDifference(due, rig.clock.Now()) > 0) rig.clock.Set(due);
            sysex.SendDueSysex();
        }
    }

    std::vector<RecordedMessage> Sent(int device) { return rig.system.Output(device).Messages(); }

    MidiRig rig;
    PieceSysex sysex{rig.output, rig.clock};
};

TEST_F(PieceSysexTest, LeadingTakesTheMessagesAtOrBeforeTheFirstEvent) {
    const auto piece = PieceWithSysexAt({0, 100, 101, 5000, 5001});
    EXPECT_TRUE(sysex.SendLeadingSysex(*piece));
    RunQueue();
    EXPECT_EQ(Sent(0), (std::vector<RecordedMessage>{{Message(0), platform::ClockMs{1000}, true},
                                                     {Message(1), platform::ClockMs{1060}, true}}));
}

TEST_F(PieceSysexTest, ClosingTakesTheMessagesAfterTheLastEvent) {
    const auto piece = PieceWithSysexAt({0, 100, 5000, 5001, 9000});
    EXPECT_TRUE(sysex.SendClosingSysex(*piece));
    RunQueue();
    EXPECT_EQ(Sent(0), (std::vector<RecordedMessage>{{Message(3), platform::ClockMs{1000}, true},
                                                     {Message(4), platform::ClockMs{1060}, true}}));
}

TEST_F(PieceSysexTest, TheFirstGoesAtOnceAndTheNextWaitsSixtyMs) {
    const auto piece = PieceWithSysexAt({0, 10, 20});
    sysex.SendLeadingSysex(*piece);
    EXPECT_EQ(Sent(0).size(), 1u);
    EXPECT_TRUE(sysex.SysexPending());
    EXPECT_EQ(sysex.NextSysexDue(), ClockMs{1060});
    rig.clock.Set(platform::ClockMs{1059});
    sysex.SendDueSysex();
    EXPECT_EQ(Sent(0).size(), 1u);
    rig.clock.Set(platform::ClockMs{1075});
    sysex.SendDueSysex();
    sysex.SendDueSysex();  // one per step: the third must wait for its own gap
    EXPECT_EQ(Sent(0).size(), 2u);
    EXPECT_EQ(sysex.NextSysexDue(), ClockMs{1135});
    RunQueue();
    EXPECT_EQ(Sent(0).back().time, platform::ClockMs{1135u});
    EXPECT_FALSE(sysex.SysexPending());
    EXPECT_EQ(sysex.NextSysexDue(), std::nullopt);
}

TEST_F(PieceSysexTest, ARefusedMessageIsRetriedWithoutHoldingUpTheNext) {
    const auto piece = PieceWithSysexAt({0, 10});
    rig.system.Output(0).RefuseNext(1);
    sysex.SendLeadingSysex(*piece);
    EXPECT_TRUE(Sent(0).empty());
    EXPECT_EQ(sysex.NextSysexDue(), ClockMs{1060});
    rig.timers.Advance(10);
    EXPECT_EQ(Sent(0).at(0).time, platform::ClockMs{1010u});
}

TEST_F(PieceSysexTest, GoesToTheSysexPort) {
    OutputSettings settings;
    settings.sysexPort = 1;
    rig.output.SetSettings(settings);
    const auto piece = PieceWithSysexAt({0});
    sysex.SendLeadingSysex(*piece);
    EXPECT_EQ(Sent(1).size(), 1u);
    EXPECT_TRUE(Sent(0).empty());
    EXPECT_TRUE(Sent(2).empty());
}

TEST_F(PieceSysexTest, AllPortsSendsEachMessageToEveryDeviceBeforeTheGap) {
    const auto piece = PieceWithSysexAt({0, 50});
    sysex.SendLeadingSysex(*piece);
    RunQueue();
    for (int device = 0; device < 3; ++device) {
        EXPECT_EQ(Sent(device),
                  (std::vector<RecordedMessage>{{Message(0), platform::ClockMs{1000}, true},
                                                {Message(1), platform::ClockMs{1060}, true}}))
            << "device " << device;
    }
}

TEST_F(PieceSysexTest, OtherModesAndTransmitOffSendNothing) {
    const auto piece = PieceWithSysexAt({0, 9000});
    for (const std::uint16_t mode : {kSysexAsTheyAppear, kSysexEveryTime}) {
        OutputSettings settings;
        settings.sysexMode = mode;
        rig.output.SetSettings(settings);
        EXPECT_TRUE(sysex.SendLeadingSysex(*piece));
        EXPECT_TRUE(sysex.SendClosingSysex(*piece));
    }
    OutputSettings off;
    off.transmitSysex = false;
    rig.output.SetSettings(off);
    EXPECT_TRUE(sysex.SendLeadingSysex(*piece));
    EXPECT_TRUE(sysex.SendClosingSysex(*piece));
    EXPECT_FALSE(sysex.SysexPending());
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 0u);
}

TEST_F(PieceSysexTest, ThePieceMayBeFreedWhileItsMessagesWait) {
    auto piece = PieceWithSysexAt({6000, 7000, 8000});
    sysex.SendClosingSysex(*piece);
    piece.reset();
    RunQueue();
    EXPECT_EQ(Sent(0).size(), 3u);
    EXPECT_EQ(Sent(0).back().bytes, Message(2));
}

TEST_F(PieceSysexTest, ClosingThenTheNextPiecesLeadingKeepOrderAndGaps) {
    const auto old = PieceWithSysexAt({0, 6000, 7000});
    const auto next = PieceWithSysexAt({0});
    sysex.SendClosingSysex(*old);
    sysex.SendLeadingSysex(*next);
    RunQueue();
    EXPECT_EQ(Sent(0), (std::vector<RecordedMessage>{{Message(1), platform::ClockMs{1000}, true},
                                                     {Message(2), platform::ClockMs{1060}, true},
                                                     {Message(0), platform::ClockMs{1120}, true}}));
}

TEST_F(PieceSysexTest, ANewRunWaitsForTheGapOfTheLastSend) {
    const auto piece = PieceWithSysexAt({0, 9000});
    sysex.SendLeadingSysex(*piece);
    rig.clock.Advance(30);
    sysex.SendClosingSysex(*piece);
    EXPECT_EQ(Sent(0).size(), 1u);
    RunQueue();
    EXPECT_EQ(Sent(0).back().time, platform::ClockMs{1060u});
}

TEST_F(PieceSysexTest, ALongPastSendDoesNotDelayANewRun) {
    const auto piece = PieceWithSysexAt({0, 9000});
    sysex.SendLeadingSysex(*piece);
    rig.clock.Advance(0x90000000u);  // past the range of a signed clock difference
    sysex.SendClosingSysex(*piece);
    EXPECT_EQ(Sent(0).size(), 2u);
}

TEST_F(PieceSysexTest, FinishSendsEverythingWithItsGaps) {
    const auto piece = PieceWithSysexAt({6000, 6001, 6002});
    sysex.SendClosingSysex(*piece);
    sysex.FinishSysex(rig.timers);
    EXPECT_FALSE(sysex.SysexPending());
    std::vector<ClockMs> times;
    for (const RecordedMessage& m : Sent(0))
        times.push_back(m.time);
    EXPECT_EQ(times, (std::vector<ClockMs>{platform::ClockMs{1000}, platform::ClockMs{1060},
                                           platform::ClockMs{1120}}));
}

TEST_F(PieceSysexTest, BuffersWithoutAnEndOrBeyondTheTableAreSkipped) {
    auto piece = PieceWithSysexAt({0, 0});
    piece->sysExBuffers[0] = {0xF0, 0x41, 0x00};
    piece->sysExList.push_back({0, 0xF0, 0, 7});
    sysex.SendLeadingSysex(*piece);
    RunQueue();
    EXPECT_EQ(Sent(0), (std::vector<RecordedMessage>{{Message(1), platform::ClockMs{1000}, true}}));
}

}  // namespace
}  // namespace ostinel
