#include "midi/midi_output.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "midi_test_rig.h"

namespace ostinel {
namespace {

using platform::MidiSendResult;
using platform::RecordedMessage;
using testing::Bytes;
using testing::MidiRig;

constexpr std::array<std::uint8_t, 3> kNoteOn{0x91, 60, 100};
constexpr std::array<std::uint8_t, 3> kNoteOff{0x81, 60, 0};

class MidiOutputTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.RouteOutputs({0, 0, 1, 1, 1, 1, 1, 1})); }

    MidiRig rig;
};

// ---- where a message goes -------------------------------------------------

TEST_F(MidiOutputTest, AllPortsReachesEachDeviceOnce) {
    rig.output.SendMidi(kNoteOn, kAllPorts);
    EXPECT_EQ(rig.system.Output(0).Bytes(), (std::vector<Bytes>{Bytes{0x91, 60, 100}}));
    EXPECT_EQ(rig.system.Output(1).Bytes(), (std::vector<Bytes>{Bytes{0x91, 60, 100}}));
    EXPECT_EQ(rig.system.Output(2).MessageCount(), 0u);
}

TEST_F(MidiOutputTest, AllPortsGoesInPortOrderAndSkipsClosedDevices) {
    ASSERT_TRUE(rig.RouteOutputs({2, 0, 2, 1, 0, 2, 1, 2}));
    rig.ports.CloseOutputDevice(1);
    // Device 2 (port A) refuses once: device 0 (port B) is not held up by
    // its retry, which comes 10 ms later.
    rig.system.Output(2).RefuseNext(1);
    rig.output.SendMidi(kNoteOn, kAllPorts);
    EXPECT_EQ(
        rig.system.Output(0).Messages(),
        (std::vector<RecordedMessage>{{Bytes{0x91, 60, 100}, platform::ClockMs{1000}, false}}));
    EXPECT_EQ(rig.system.Output(2).AttemptCount(), 1u);
    rig.timers.Advance(10);
    EXPECT_EQ(
        rig.system.Output(2).Messages(),
        (std::vector<RecordedMessage>{{Bytes{0x91, 60, 100}, platform::ClockMs{1010}, false}}));
    EXPECT_EQ(rig.system.Output(1).AttemptCount(), 0u);
}

TEST_F(MidiOutputTest, OnePortReachesItsDeviceOnly) {
    rig.output.SendMidi(kNoteOn, 1);
    rig.output.SendMidi(kNoteOff, 4);
    EXPECT_EQ(rig.system.Output(0).Bytes(), (std::vector<Bytes>{Bytes{0x91, 60, 100}}));
    EXPECT_EQ(rig.system.Output(1).Bytes(), (std::vector<Bytes>{Bytes{0x81, 60, 0}}));
}

TEST_F(MidiOutputTest, PortsOutsideTheTableSendNothing) {
    rig.output.SendMidi(kNoteOn, 8);
    rig.output.SendMidi(kNoteOn, -1);
    rig.output.SendMidi(kNoteOn, -3);
    EXPECT_EQ(rig.system.Output(0).AttemptCount() + rig.system.Output(1).AttemptCount(), 0u);
}

TEST_F(MidiOutputTest, APortWhoseDeviceIsClosedSendsNothing) {
    rig.ports.CloseOutputDevice(1);
    rig.output.SendMidi(kNoteOn, 2);
    EXPECT_EQ(rig.system.Output(1).AttemptCount(), 0u);
    EXPECT_FALSE(rig.output.LastSendFailed());
}

// ---- message forms --------------------------------------------------------

TEST_F(MidiOutputTest, SysexBufferIsSentUpToTheFirstF7) {
    const Bytes buffer{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7, 0xF7};
    rig.output.SendMidi(buffer, 0);
    const std::vector<RecordedMessage> sent = rig.system.Output(0).Messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes, (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_TRUE(sent[0].isLong);
}

TEST_F(MidiOutputTest, SysexWithoutAnEndIsNotSent) {
    rig.output.SendMidi(Bytes{0xF0, 0x43, 0x10}, 0);
    rig.output.SendMidi(Bytes{0xF0}, 0);
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 0u);
}

TEST_F(MidiOutputTest, ShortMessagesTakeTheLengthTheirStatusCallsFor) {
    rig.output.SendMidi(Bytes{0xC3, 12, 99}, 0);      // program change: 2 bytes
    rig.output.SendMidi(Bytes{0xD0, 40, 1, 2}, 0);    // channel pressure: 2 bytes
    rig.output.SendMidi(Bytes{0xE5, 0, 64, 9}, 0);    // pitch wheel: 3 bytes
    rig.output.SendMidi(Bytes{0xF2, 5, 1}, 0);        // song position: 3 bytes
    rig.output.SendMidi(Bytes{0xF1, 0x23, 0x45}, 0);  // quarter frame: 2 bytes
    rig.output.SendMidi(Bytes{0xF8, 0x00, 0x00}, 0);  // timing clock: 1 byte
    rig.output.SendMidi(Bytes{0xB0, 7}, 0);           // missing data byte goes as 0
    rig.output.SendMidi(Bytes{0x40, 1, 2}, 0);        // a data byte is no message
    rig.output.SendMidi(Bytes{}, 0);
    const std::vector<Bytes> expected{{0xC3, 12},   {0xD0, 40}, {0xE5, 0, 64}, {0xF2, 5, 1},
                                      {0xF1, 0x23}, {0xF8},     {0xB0, 7, 0}};
    EXPECT_EQ(rig.system.Output(0).Bytes(), expected);
    for (const RecordedMessage& m : rig.system.Output(0).Messages())
        EXPECT_FALSE(m.isLong);
}

// ---- refusal and retry ----------------------------------------------------

TEST_F(MidiOutputTest, RefusedShortMessageIsRetriedOnceTenMsLaterWithoutWaiting) {
    rig.system.Output(0).RefuseNext(1);
    rig.output.SendMidi(kNoteOn, 0);
    EXPECT_EQ(rig.clock.Now(), platform::ClockMs{1000u});  // the sender went on at once
    EXPECT_EQ(rig.system.Output(0).MessageCount(), 0u);
    rig.timers.Advance(10);
    const std::vector<RecordedMessage> sent = rig.system.Output(0).Messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].time, platform::ClockMs{1010u});
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 2u);
    EXPECT_FALSE(rig.output.LastSendFailed());
}

TEST_F(MidiOutputTest, AfterAFailedRetryTheNextRefusalIsNotRetried) {
    rig.system.Output(0).RefuseNext(2);
    rig.output.SendMidi(kNoteOn, 0);
    rig.timers.Advance(10);
    EXPECT_TRUE(rig.output.LastSendFailed());

    rig.system.Output(0).RefuseNext(1);
    rig.output.SendMidi(kNoteOff, 0);
    EXPECT_EQ(rig.timers.PendingCount(), 0u);  // no retry
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 3u);
    EXPECT_EQ(rig.system.Output(0).MessageCount(), 0u);
    EXPECT_FALSE(rig.output.LastSendFailed());
}

TEST_F(MidiOutputTest, ADeviceThatKeepsRefusingGetsEveryOtherMessageRetriedAndNeverAWait) {
    rig.system.Output(0).AnswerAlways(MidiSendResult::Refused);
    for (int i = 0; i < 4; ++i) {
        const platform::ClockMs before = rig.clock.Now();
        rig.output.SendMidi(kNoteOn, 0);
        EXPECT_EQ(rig.clock.Now(), before);
        rig.timers.Advance(10);
    }
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 6u);
}

TEST_F(MidiOutputTest, RefusedSysexIsRetriedToo) {
    rig.system.Output(0).RefuseNext(1);
    rig.output.SendMidi(Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, 0);
    EXPECT_EQ(rig.system.Output(0).MessageCount(), 0u);
    rig.timers.Advance(10);
    const std::vector<RecordedMessage> sent = rig.system.Output(0).Messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].isLong);
    EXPECT_EQ(sent[0].time, platform::ClockMs{1010u});
}

TEST_F(MidiOutputTest, ASentMessageClearsTheFailure) {
    rig.system.Output(0).RefuseNext(2);
    rig.output.SendMidi(kNoteOn, 0);
    rig.timers.Advance(10);
    ASSERT_TRUE(rig.output.LastSendFailed());
    rig.output.SendMidi(kNoteOff, 0);
    EXPECT_FALSE(rig.output.LastSendFailed());
    rig.system.Output(0).RefuseNext(1);
    rig.output.SendMidi(kNoteOn, 0);
    rig.timers.Advance(10);  // retried again
    EXPECT_EQ(rig.system.Output(0).MessageCount(), 2u);
}

TEST_F(MidiOutputTest, AFailedDeviceIsNotRetried) {
    rig.system.Output(0).AnswerAlways(MidiSendResult::Failed);
    rig.output.SendMidi(kNoteOn, 0);
    EXPECT_EQ(rig.clock.Now(), platform::ClockMs{1000u});
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 1u);
    EXPECT_TRUE(rig.output.LastSendFailed());
    // Now refused while the flag is set: no retry, and the flag clears.
    rig.system.Output(0).AnswerAlways(MidiSendResult::Refused);
    rig.output.SendMidi(kNoteOn, 0);
    EXPECT_EQ(rig.clock.Now(), platform::ClockMs{1000u});
    EXPECT_FALSE(rig.output.LastSendFailed());
}

TEST_F(MidiOutputTest, OneRefusingDeviceOfAllPortsDoesNotStopTheOthers) {
    rig.system.Output(0).AnswerAlways(MidiSendResult::Refused);
    rig.output.SendMidi(kNoteOn, kAllPorts);
    const std::vector<RecordedMessage> sent = rig.system.Output(1).Messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].time, platform::ClockMs{1000u});  // not held up by device 0's retry
}

// ---- delayed sends --------------------------------------------------------

TEST_F(MidiOutputTest, DelayedSendsArriveAtTheirTimesOnTheirPorts) {
    rig.output.SendMidi(kNoteOff, 0, 50);
    rig.output.SendMidi(Bytes{0x92, 70, 0}, 3, 20);
    rig.output.SendMidi(Bytes{0x93, 71, 0}, 1, 50);
    EXPECT_EQ(rig.system.Output(0).MessageCount() + rig.system.Output(1).MessageCount(), 0u);
    EXPECT_EQ(rig.timers.PendingCount(), 3u);
    rig.timers.Advance(100);

    const std::vector<RecordedMessage> device0{
        {Bytes{0x81, 60, 0}, platform::ClockMs{1050}, false},
        {Bytes{0x93, 71, 0}, platform::ClockMs{1050}, false}};
    const std::vector<RecordedMessage> device1{
        {Bytes{0x92, 70, 0}, platform::ClockMs{1020}, false}};
    EXPECT_EQ(rig.system.Output(0).Messages(), device0);
    EXPECT_EQ(rig.system.Output(1).Messages(), device1);
}

TEST_F(MidiOutputTest, ADelayedSendToAllPortsReachesEachDeviceOnce) {
    rig.output.SendMidi(kNoteOff, kAllPorts, 50);
    EXPECT_EQ(rig.timers.PendingCount(), 2u);
    rig.timers.Advance(50);
    EXPECT_EQ(rig.system.Output(0).Messages(),
              (std::vector<RecordedMessage>{{Bytes{0x81, 60, 0}, platform::ClockMs{1050}, false}}));
    EXPECT_EQ(rig.system.Output(1).Messages(),
              (std::vector<RecordedMessage>{{Bytes{0x81, 60, 0}, platform::ClockMs{1050}, false}}));
}

TEST_F(MidiOutputTest, ADelayedSendGoesToTheDeviceItsPortUsesWhenItFires) {
    rig.output.SendMidi(Bytes{0xC0, 5}, 2, 30);
    rig.ports.SetOutputDevice(2, 2);
    ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    rig.timers.Advance(30);
    EXPECT_EQ(rig.system.Output(2).Bytes(), (std::vector<Bytes>{Bytes{0xC0, 5}}));
    EXPECT_EQ(rig.system.Output(1).MessageCount(), 0u);
}

TEST_F(MidiOutputTest, ADelayedSysexGoesAtOnce) {
    rig.output.SendMidi(Bytes{0xF0, 0x01, 0xF7}, 0, 40);
    EXPECT_EQ(rig.timers.PendingCount(), 0u);
    EXPECT_EQ(rig.system.Output(0).Bytes(), (std::vector<Bytes>{Bytes{0xF0, 0x01, 0xF7}}));
}

TEST_F(MidiOutputTest, ARefusedDelayedSendIsRetriedOnTheTimer) {
    rig.system.Output(1).RefuseNext(1);
    rig.output.SendMidi(kNoteOff, 5, 50);
    rig.timers.Advance(100);
    EXPECT_EQ(rig.system.Output(1).Messages(),
              (std::vector<RecordedMessage>{{Bytes{0x81, 60, 0}, platform::ClockMs{1060}, false}}));
}

}  // namespace
}  // namespace ostinel
