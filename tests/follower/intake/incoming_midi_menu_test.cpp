#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "follower/intake/incoming_midi_menu.h"
#include "midi/midi_test_rig.h"

namespace ostinel {
namespace {

class IncomingMidiMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Ports A and C share the keyboard; B has its own device; the rest the wind controller.
        const std::vector<int> devices{0, 1, 0, 2, 2, 2, 2, 2};
        for (int port = 0; port < kPortCount; ++port)
            rig.ports.SetInputDevice(port, devices[static_cast<std::size_t>(port)]);
    }

    int AcceptedOn(int port) {
        int count = 0;
        for (int channel = 0; channel < kChannelCount; ++channel)
            count += rig.ports.ChannelEnabled(port, channel) ? 1 : 0;
        return count;
    }

    testing::MidiRig rig;
};

TEST_F(IncomingMidiMenuTest, CommandIdsRoundTrip) {
    EXPECT_EQ(IncomingMidiCommandOf(200), (IncomingMidiCommand{0, IncomingMidiAction::All, 0}));
    EXPECT_EQ(IncomingMidiCommandOf(221), (IncomingMidiCommand{1, IncomingMidiAction::None, 0}));
    EXPECT_EQ(IncomingMidiCommandOf(202 + 40 + 15),
              (IncomingMidiCommand{2, IncomingMidiAction::Channel, 15}));
    for (int id = 200; id < 360; ++id) {
        const std::optional<IncomingMidiCommand> command = IncomingMidiCommandOf(id);
        if (id % 20 >= 18) {
            EXPECT_FALSE(command) << id;
        } else {
            ASSERT_TRUE(command) << id;
            EXPECT_EQ(IncomingMidiCommandId(*command), id);
        }
    }
    EXPECT_FALSE(IncomingMidiCommandOf(199));
    EXPECT_FALSE(IncomingMidiCommandOf(360));
}

TEST_F(IncomingMidiMenuTest, PopupListsAllNoneAndTheChannelsWithChecks) {
    rig.ports.SetChannelEnabled(1, 9, false);
    const std::vector<IncomingMidiMenuItem> items = IncomingMidiItems(rig.ports, 1);
    ASSERT_EQ(items.size(), 19u);
    EXPECT_EQ(items[0], (IncomingMidiMenuItem{220, "&All", false, false}));
    EXPECT_EQ(items[1], (IncomingMidiMenuItem{221, "&None", false, false}));
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3], (IncomingMidiMenuItem{222, "Channel &1", false, true}));
    EXPECT_EQ(items[12], (IncomingMidiMenuItem{231, "Channel 10", false, false}));
    EXPECT_EQ(items[18], (IncomingMidiMenuItem{237, "Channel 16", false, true}));
}

TEST_F(IncomingMidiMenuTest, ChannelItemTogglesOnEveryPortOfTheDevice) {
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 202 + 3));
    EXPECT_FALSE(rig.ports.ChannelEnabled(0, 3));
    EXPECT_FALSE(rig.ports.ChannelEnabled(2, 3));
    EXPECT_TRUE(rig.ports.ChannelEnabled(1, 3));
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 242 + 3));  // the same channel from port C
    EXPECT_TRUE(rig.ports.ChannelEnabled(0, 3));
}

TEST_F(IncomingMidiMenuTest, NoneAndAllSetEveryChannelOfThePortsOnTheDevice) {
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 201));
    EXPECT_EQ(AcceptedOn(0), 0);
    EXPECT_EQ(AcceptedOn(2), 0);
    EXPECT_EQ(AcceptedOn(1), 16);
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 242 + 7));  // port C: channel 8 back on
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 200));
    EXPECT_EQ(AcceptedOn(0), 16);
    EXPECT_EQ(AcceptedOn(2), 16);
}

TEST_F(IncomingMidiMenuTest, AllOnlyTogglesChannelsThatDiffer) {
    // Toggling gives every port on the device the new state of the port the command is for.
    rig.ports.SetChannelEnabled(0, 5, false);
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 200));
    EXPECT_TRUE(rig.ports.ChannelEnabled(0, 5));
    EXPECT_TRUE(rig.ports.ChannelEnabled(2, 5));
    rig.ports.SetChannelEnabled(2, 6, false);
    ASSERT_TRUE(CarryOutIncomingMidi(rig.ports, 200));  // A's channel 6 is already on
    EXPECT_FALSE(rig.ports.ChannelEnabled(2, 6));
}

TEST_F(IncomingMidiMenuTest, IdsOutsideTheMenuChangeNothing) {
    EXPECT_FALSE(CarryOutIncomingMidi(rig.ports, 218));
    EXPECT_FALSE(CarryOutIncomingMidi(rig.ports, 12));
    EXPECT_EQ(AcceptedOn(0), 16);
}

}  // namespace
}  // namespace ostinel
