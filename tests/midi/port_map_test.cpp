#include "midi/port_map.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "midi_test_rig.h"

namespace ostinel {
namespace {

using testing::MidiRig;

const std::string kOutputInUse =
    "The MIDI output device 'Module' is apparently already in use.  Please select another device "
    "from the MIDI Ports & Devices dialog box.  If you quit the application that is using this "
    "device, you should then be able to access it.";
const std::string kInputInUse =
    "The MIDI input device 'Pads In' is apparently already in use.  Please select another device "
    "from the MIDI Ports & Devices dialog box.  If you quit the application that is using this "
    "device, you should then be able to access it.";

struct Intake {
    static void Take(void* self, int port, std::span<const std::uint8_t>, platform::ClockMs) {
        static_cast<Intake*>(self)->ports.push_back(port);
    }
    std::vector<int> ports;
};

constexpr std::array<std::uint8_t, 3> kNoteOn{0x90, 64, 90};

std::uint16_t FilterOf(const PortMap& ports, int port) {
    std::uint16_t mask = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (ports.ChannelEnabled(port, channel)) mask |= static_cast<std::uint16_t>(1u << channel);
    }
    return mask;
}

// ---- output devices -------------------------------------------------------

TEST(PortMapOutput, TwoPortsOnOneDeviceOpenItOnce) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(rig.system.OutputOpenCount(1), 1);
    EXPECT_EQ(rig.system.OutputOpenCount(0), 1);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), 0);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(0), 2);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(2), kDeviceClosed);
    // A second pass with nothing changed leaves every device as it is.
    ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    EXPECT_EQ(rig.system.OutputOpenCount(1), 1);
    EXPECT_EQ(rig.system.OutputCloseCount(1), 0);
}

TEST(PortMapOutput, SwitchingTheSecondPortLeavesTheSharedDeviceAlone) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({1, 1, 0, 0, 0, 0, 0, 0}));
    rig.ports.SetOutputDevice(1, 2);
    ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    EXPECT_TRUE(rig.system.OutputIsOpen(1));
    EXPECT_EQ(rig.system.OutputOpenCount(1), 1);
    EXPECT_EQ(rig.system.OutputCloseCount(1), 0);
    EXPECT_TRUE(rig.system.OutputIsOpen(2));
}

TEST(PortMapOutput, SwitchingTheOpeningPortHandsTheDeviceToTheOther) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({1, 1, 0, 0, 0, 0, 0, 0}));
    rig.ports.SetOutputDevice(0, 2);
    ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    // Port A opened device 1 and no longer uses it, so it is closed and
    // opened again for port B: still open once, now owned by B.
    EXPECT_TRUE(rig.system.OutputIsOpen(1));
    EXPECT_EQ(rig.system.OutputOpenCount(1), 2);
    EXPECT_EQ(rig.system.OutputCloseCount(1), 1);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), 1);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(2), 0);
}

TEST(PortMapOutput, ClosesADeviceNoPortUses) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({1, 1, 0, 0, 0, 0, 0, 0}));
    rig.ports.SetOutputDevice(0, 2);
    rig.ports.SetOutputDevice(1, 2);
    ASSERT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    EXPECT_FALSE(rig.system.OutputIsOpen(1));
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), kDeviceClosed);
    EXPECT_EQ(rig.system.OutputOpenCount(2), 1);
}

TEST(PortMapOutput, DeviceInUseGivesOneMessagePerPassAndFalse) {
    MidiRig rig;
    rig.system.SetOutputInUse(1, true);
    EXPECT_FALSE(rig.RouteOutputs({0, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{kOutputInUse});
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), kDeviceClosed);
    EXPECT_TRUE(rig.system.OutputIsOpen(0));

    // The failure marks do not outlive the pass: the next one tries again.
    EXPECT_FALSE(rig.ports.OpenOutputPorts(rig.ui));
    EXPECT_EQ(rig.ui.messages.size(), 2u);
    rig.system.SetOutputInUse(1, false);
    EXPECT_TRUE(rig.ports.OpenOutputPorts(rig.ui));
    EXPECT_EQ(rig.ui.messages.size(), 2u);
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), 1);
}

TEST(PortMapOutput, DeviceNumbersThisMachineLacksAreLeftWithoutComplaint) {
    MidiRig rig;
    EXPECT_TRUE(rig.RouteOutputs({7, 15, 16, -1, 0, 0, 0, 0}));
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_FALSE(rig.ports.UseOutput(0));
    EXPECT_TRUE(rig.ports.UseOutput(4));
}

TEST(PortMapOutput, CloseOutputDeviceAndCloseAll) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 1, 2, 0, 0, 0, 0, 0}));
    rig.ports.CloseOutputDevice(1);
    EXPECT_FALSE(rig.system.OutputIsOpen(1));
    EXPECT_FALSE(rig.ports.UseOutput(1));
    EXPECT_EQ(rig.ports.OutputDeviceOwner(1), kDeviceClosed);
    rig.ports.CloseAllDevices();
    EXPECT_FALSE(rig.system.OutputIsOpen(0));
    EXPECT_FALSE(rig.system.OutputIsOpen(2));
}

TEST(PortMapOutput, DestroyingTheMapClosesItsDevices) {
    testing::MidiRig rig;
    {
        PortMap ports{rig.system};
        ports.SetOutputDevice(3, 2);
        ASSERT_TRUE(ports.OpenOutputPorts(rig.ui));
        EXPECT_TRUE(rig.system.OutputIsOpen(2));
    }
    EXPECT_FALSE(rig.system.OutputIsOpen(2));
}

TEST(PortMapOutput, PortNamesCarryTheDeviceName) {
    MidiRig rig;
    rig.ports.SetOutputDevice(0, 0);
    rig.ports.SetOutputDevice(7, 2);
    rig.ports.SetOutputDevice(3, 9);
    EXPECT_EQ(rig.ports.OutputPortName(0), "&A--Ostinel Synth");
    EXPECT_EQ(rig.ports.OutputPortName(7), "&H--Sampler");
    EXPECT_EQ(rig.ports.OutputPortName(3), "&D--");
    EXPECT_EQ(rig.ports.OutputPortName(8), "");
}

// ---- input devices --------------------------------------------------------

TEST(PortMapInput, OpensEachDeviceOnceWithTheOpeningPort) {
    MidiRig rig;
    Intake intake;
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetInputDevice(port, 2);
    rig.ports.SetInputDevice(0, 1);
    ASSERT_TRUE(rig.ports.OpenInputPorts(rig.ui, &Intake::Take, &intake));
    EXPECT_EQ(rig.system.InputOpenCount(1), 1);
    EXPECT_EQ(rig.system.InputOpenCount(2), 1);
    EXPECT_FALSE(rig.system.InputIsOpen(0));
    EXPECT_TRUE(rig.system.Input(2).Inject(kNoteOn, platform::ClockMs{5}));
    EXPECT_TRUE(rig.system.Input(1).Inject(kNoteOn, platform::ClockMs{6}));
    EXPECT_EQ(intake.ports, (std::vector<int>{1, 0}));
}

TEST(PortMapInput, ClosingStopsTheMessages) {
    MidiRig rig;
    Intake intake;
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetInputDevice(port, 1);
    ASSERT_TRUE(rig.ports.OpenInputPorts(rig.ui, &Intake::Take, &intake));
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetInputDevice(port, 2);
    ASSERT_TRUE(rig.ports.OpenInputPorts(rig.ui, &Intake::Take, &intake));
    EXPECT_FALSE(rig.system.Input(1).Inject(kNoteOn, platform::ClockMs{5}));
    EXPECT_FALSE(rig.system.InputIsOpen(1));
    EXPECT_TRUE(rig.system.InputIsOpen(2));
    rig.ports.CloseInputDevice(2);
    EXPECT_FALSE(rig.system.Input(2).Inject(kNoteOn, platform::ClockMs{6}));
    EXPECT_TRUE(intake.ports.empty());
    EXPECT_EQ(rig.ports.InputDeviceOwner(2), kDeviceClosed);
}

TEST(PortMapInput, DeviceInUseGivesTheInputMessageOnce) {
    MidiRig rig;
    Intake intake;
    rig.system.SetInputInUse(1, true);
    rig.ports.SetInputDevice(2, 1);
    rig.ports.SetInputDevice(5, 1);
    EXPECT_FALSE(rig.ports.OpenInputPorts(rig.ui, &Intake::Take, &intake));
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{kInputInUse});
    EXPECT_TRUE(rig.system.InputIsOpen(0));
    EXPECT_EQ(rig.ports.InputDeviceOwner(1), kDeviceClosed);
}

TEST(PortMapInput, PortsSharingADeviceEndWithTheUnionOfTheirFilters) {
    MidiRig rig;
    Intake intake;
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetInputDevice(port, port % 3);
    // Ports A, D and G share device 0; each switches off different channels.
    rig.ports.SetChannelEnabled(0, 2, false);
    rig.ports.SetChannelEnabled(0, 9, false);
    rig.ports.SetChannelEnabled(3, 9, false);
    rig.ports.SetChannelEnabled(3, 4, false);
    rig.ports.SetChannelEnabled(6, 9, false);
    // Port B switches channel 9 off, but E and H on its device accept it.
    rig.ports.SetChannelEnabled(1, 9, false);
    ASSERT_TRUE(rig.ports.OpenInputPorts(rig.ui, &Intake::Take, &intake));

    const std::uint16_t expected = static_cast<std::uint16_t>(0xFFFF & ~(1u << 9));
    EXPECT_EQ(FilterOf(rig.ports, 0), expected);
    EXPECT_EQ(FilterOf(rig.ports, 3), expected);
    EXPECT_EQ(FilterOf(rig.ports, 6), expected);
    EXPECT_EQ(FilterOf(rig.ports, 1), 0xFFFF);
    EXPECT_EQ(FilterOf(rig.ports, 4), 0xFFFF);
    EXPECT_EQ(FilterOf(rig.ports, 7), 0xFFFF);
    EXPECT_EQ(FilterOf(rig.ports, 2), 0xFFFF);
}

TEST(PortMapInput, TogglingAChannelTogglesItOnEveryPortOfTheDevice) {
    MidiRig rig;
    for (int port = 0; port < kPortCount; ++port)
        rig.ports.SetInputDevice(port, 2);
    rig.ports.SetInputDevice(4, 1);
    rig.ports.ToggleInputChannel(1, 5);
    for (int port = 0; port < kPortCount; ++port) {
        EXPECT_EQ(rig.ports.ChannelEnabled(port, 5), port == 4) << "port " << port;
        EXPECT_TRUE(rig.ports.ChannelEnabled(port, 6));
    }
    rig.ports.ToggleInputChannel(7, 5);
    for (int port = 0; port < kPortCount; ++port)
        EXPECT_TRUE(rig.ports.ChannelEnabled(port, 5));
}

TEST(PortMapInput, ToggleTakesTheOppositeOfThisPortsValue) {
    MidiRig rig;
    rig.ports.SetInputDevice(0, 1);
    rig.ports.SetInputDevice(1, 1);
    rig.ports.SetChannelEnabled(1, 0, false);  // filters differ until a pass joins them
    rig.ports.ToggleInputChannel(0, 0);
    EXPECT_FALSE(rig.ports.ChannelEnabled(0, 0));
    EXPECT_FALSE(rig.ports.ChannelEnabled(1, 0));
}

TEST(PortMapInput, EveryChannelIsAcceptedAtFirst) {
    MidiRig rig;
    for (int port = 0; port < kPortCount; ++port)
        EXPECT_EQ(FilterOf(rig.ports, port), 0xFFFF);
    EXPECT_FALSE(rig.ports.ChannelEnabled(0, 16));
    EXPECT_FALSE(rig.ports.ChannelEnabled(8, 0));
}

TEST(PortMapInput, PortNamesCarryTheDeviceName) {
    MidiRig rig;
    rig.ports.SetInputDevice(1, 1);
    rig.ports.SetInputDevice(2, 4);
    EXPECT_EQ(rig.ports.InputPortName(0), "&A--Keys In");
    EXPECT_EQ(rig.ports.InputPortName(1), "&B--Pads In");
    EXPECT_EQ(rig.ports.InputPortName(2), "&C--");
}

}  // namespace
}  // namespace ostinel
