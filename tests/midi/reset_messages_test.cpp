#include "midi/reset_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi_test_rig.h"

namespace ostinel {
namespace {

using testing::Bytes;
using testing::MidiRig;

const std::vector<Bytes> kResetMessages{
    {0xFF},
    {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x00, 0x0F, 0xF7},
    {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x38, 0x00, 0x07, 0xF7},
};

TEST(ResetMessages, GoInOrderToEachDeviceOnce) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({1, 1, 2, 2, 1, 2, 1, 2}));
    SendResetMessages(rig.output);
    EXPECT_EQ(rig.system.Output(1).Bytes(), kResetMessages);
    EXPECT_EQ(rig.system.Output(2).Bytes(), kResetMessages);
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 0u);
    const auto sent = rig.system.Output(1).Messages();
    EXPECT_FALSE(sent[0].isLong);
    for (std::size_t i = 1; i < sent.size(); ++i)
        EXPECT_TRUE(sent[i].isLong);
}

TEST(ResetMessages, MidiResetAsksFirst) {
    MidiRig rig;
    ASSERT_TRUE(rig.RouteOutputs({0, 0, 0, 0, 0, 0, 0, 0}));
    rig.ui.answer = false;
    EXPECT_FALSE(MidiReset(rig.ui, rig.output));
    EXPECT_EQ(rig.ui.confirmations,
              std::vector<std::string>{"Are you sure you want to reset your MIDI system?"});
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 0u);

    rig.ui.answer = true;
    EXPECT_TRUE(MidiReset(rig.ui, rig.output));
    EXPECT_EQ(rig.ui.confirmations.size(), 2u);
    EXPECT_EQ(rig.system.Output(0).Bytes(), kResetMessages);
}

}  // namespace
}  // namespace ostinel
