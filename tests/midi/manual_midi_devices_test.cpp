#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/manual/injecting_input_device.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/recording_output_device.h"

namespace ostinel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 3> kNoteOn{0x90, 60, 100};
constexpr std::array<std::uint8_t, 4> kSysex{0xF0, 0x7E, 0x09, 0xF7};

struct Heard {
    static void Take(void* self, int port, std::span<const std::uint8_t> message, ClockMs time) {
        auto* heard = static_cast<Heard*>(self);
        heard->ports.push_back(port);
        heard->messages.emplace_back(message.begin(), message.end());
        heard->times.push_back(time);
    }
    std::vector<int> ports;
    std::vector<Bytes> messages;
    std::vector<ClockMs> times;
};

TEST(RecordingOutputDevice, KeepsBytesTimesAndKind) {
    ManualClock clock{platform::ClockMs{500}};
    RecordingOutputDevice device{clock};
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Sent);
    clock.Advance(7);
    EXPECT_EQ(device.SendLong(kSysex), MidiSendResult::Sent);
    const std::vector<RecordedMessage> expected{
        {Bytes{0x90, 60, 100}, platform::ClockMs{500}, false},
        {Bytes{0xF0, 0x7E, 0x09, 0xF7}, platform::ClockMs{507}, true}};
    EXPECT_EQ(device.Messages(), expected);
}

TEST(RecordingOutputDevice, RefusesTheNextSendsAsTold) {
    ManualClock clock;
    RecordingOutputDevice device{clock};
    device.RefuseNext(2);
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Refused);
    EXPECT_EQ(device.SendLong(kSysex), MidiSendResult::Refused);
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Sent);
    EXPECT_EQ(device.MessageCount(), 1u);
    EXPECT_EQ(device.RejectedCount(), 2u);
    EXPECT_EQ(device.AttemptCount(), 3u);
}

TEST(RecordingOutputDevice, AnswersAlwaysUntilToldToAcceptAgain) {
    ManualClock clock;
    RecordingOutputDevice device{clock};
    device.AnswerAlways(MidiSendResult::Failed);
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Failed);
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Failed);
    device.AnswerAlways(MidiSendResult::Sent);
    EXPECT_EQ(device.SendShort(kNoteOn), MidiSendResult::Sent);
    EXPECT_EQ(device.MessageCount(), 1u);
}

TEST(InjectingInputDevice, DeliversOnlyWhileStarted) {
    Heard heard;
    InjectingInputDevice device{&Heard::Take, &heard, 3};
    EXPECT_FALSE(device.Inject(kNoteOn, platform::ClockMs{10}));
    ASSERT_TRUE(device.Start());
    EXPECT_TRUE(device.Inject(kNoteOn, platform::ClockMs{20}));
    device.Stop();
    EXPECT_FALSE(device.Inject(kNoteOn, platform::ClockMs{30}));
    EXPECT_EQ(heard.ports, std::vector<int>{3});
    EXPECT_EQ(heard.times, std::vector<ClockMs>{platform::ClockMs{20}});
    EXPECT_EQ(heard.messages, (std::vector<Bytes>{Bytes(kNoteOn.begin(), kNoteOn.end())}));
}

TEST(ManualMidiSystem, NamesItsDevicesInOrder) {
    ManualClock clock;
    ManualMidiSystem system{clock, {"Keys"}, {"Synth", "Module"}};
    EXPECT_EQ(system.InputDeviceCount(), 1);
    EXPECT_EQ(system.OutputDeviceCount(), 2);
    EXPECT_EQ(system.InputDeviceName(0), "Keys");
    EXPECT_EQ(system.OutputDeviceName(1), "Module");
    EXPECT_EQ(system.OutputDeviceName(2), "");
    EXPECT_EQ(system.InputDeviceName(-1), "");
    EXPECT_TRUE(system.MissingServices().empty());
    system.SetMissingServices({"no MIDI sequencer"});
    EXPECT_EQ(system.MissingServices(), std::vector<std::string>{"no MIDI sequencer"});
}

TEST(ManualMidiSystem, OutputsRecordAcrossOpeningsAndCountThem) {
    ManualClock clock{platform::ClockMs{40}};
    ManualMidiSystem system{clock, {}, {"Synth", "Module"}};
    {
        auto handle = system.OpenOutput(1);
        ASSERT_NE(handle, nullptr);
        EXPECT_TRUE(system.OutputIsOpen(1));
        handle->SendShort(kNoteOn);
    }
    EXPECT_FALSE(system.OutputIsOpen(1));
    auto again = system.OpenOutput(1);
    again->SendLong(kSysex);
    EXPECT_EQ(system.Output(1).MessageCount(), 2u);
    EXPECT_EQ(system.Output(0).MessageCount(), 0u);
    EXPECT_EQ(system.OutputOpenCount(1), 2);
    EXPECT_EQ(system.OutputCloseCount(1), 1);
}

TEST(ManualMidiSystem, DeviceInUseCannotBeOpened) {
    ManualClock clock;
    ManualMidiSystem system{clock, {"Keys"}, {"Synth"}};
    system.SetOutputInUse(0, true);
    system.SetInputInUse(0, true);
    EXPECT_EQ(system.OpenOutput(0), nullptr);
    EXPECT_EQ(system.OpenInput(0, &Heard::Take, nullptr, 0), nullptr);
    EXPECT_EQ(system.OutputOpenCount(0), 0);
    EXPECT_EQ(system.OpenOutput(5), nullptr);
    system.SetOutputInUse(0, false);
    EXPECT_NE(system.OpenOutput(0), nullptr);
}

TEST(ManualMidiSystem, InputReachesTheCallbackOfTheOpeningUntilClosed) {
    ManualClock clock;
    ManualMidiSystem system{clock, {"Keys", "Pads"}, {}};
    Heard heard;
    auto handle = system.OpenInput(1, &Heard::Take, &heard, 6);
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(system.Input(1).Inject(kNoteOn, platform::ClockMs{1}));  // not started yet
    ASSERT_TRUE(handle->Start());
    EXPECT_TRUE(system.Input(1).Inject(kNoteOn, platform::ClockMs{2}));
    handle.reset();
    EXPECT_FALSE(system.Input(1).Inject(kNoteOn, platform::ClockMs{3}));
    EXPECT_EQ(heard.ports, std::vector<int>{6});
    EXPECT_EQ(heard.times, std::vector<ClockMs>{platform::ClockMs{2}});
    EXPECT_EQ(system.InputOpenCount(1), 1);
    EXPECT_EQ(system.InputCloseCount(1), 1);
    EXPECT_FALSE(system.InputIsOpen(1));
}

}  // namespace
}  // namespace ostinel::platform
