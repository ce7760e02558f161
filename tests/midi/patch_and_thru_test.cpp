#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "midi/midi_output.h"
#include "midi_test_rig.h"
#include "sequence/piece.h"

namespace ostinel {
namespace {

using testing::Bytes;
using testing::MidiRig;

class PatchAndThruTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.RouteOutputs({0, 1, 2, 0, 0, 0, 0, 0})); }

    std::vector<Bytes> SentTo(int device) { return rig.system.Output(device).Bytes(); }

    static PatchEntry FilePatch(PatchKind kind, std::uint8_t v1, std::uint8_t v2 = 0,
                                std::uint8_t v3 = 0) {
        PatchEntry entry;
        entry.file = Patch{kind, {v1, v2, v3}};
        return entry;
    }

    MidiRig rig;
};

// ---- patches --------------------------------------------------------------

TEST_F(PatchAndThruTest, Kind4SendsBothBanksThenTheProgramInOrder) {
    rig.output.SendPatch(FilePatch(PatchKind::Bank0Bank32Program, 1, 2, 3), 0, 0, false);
    EXPECT_EQ(SentTo(0),
              (std::vector<Bytes>{{0xB0, 0x00, 0x01}, {0xB0, 0x20, 0x02}, {0xC0, 0x03}}));
}

TEST_F(PatchAndThruTest, EachKindSendsItsMessagesOnTheChannel) {
    struct Case {
        PatchKind kind;
        std::vector<Bytes> expected;
    };
    const std::vector<Case> cases{
        {PatchKind::Program, {{0xC9, 10}}},
        {PatchKind::Bank0Program, {{0xB9, 0, 10}, {0xC9, 20}}},
        {PatchKind::Bank32Program, {{0xB9, 32, 10}, {0xC9, 20}}},
        {PatchKind::Bank0Bank32Program, {{0xB9, 0, 10}, {0xB9, 32, 20}, {0xC9, 30}}},
        {PatchKind::HighProgramThenProgram, {{0xC9, 10}, {0xC9, 20}}},
    };
    for (const Case& c : cases) {
        rig.system.Output(1).Clear();
        rig.output.SendPatch(FilePatch(c.kind, 10, 20, 30), 9, 1, false);
        EXPECT_EQ(SentTo(1), c.expected) << "kind " << static_cast<int>(c.kind);
    }
}

TEST_F(PatchAndThruTest, NoChangeAndUnknownKindsSendNothing) {
    rig.output.SendPatch(FilePatch(PatchKind::None, 10, 20, 30), 0, 0, false);
    rig.output.SendPatch(FilePatch(static_cast<PatchKind>(6), 10, 20, 30), 0, 0, false);
    rig.output.SendPatch(FilePatch(static_cast<PatchKind>(255), 10, 20, 30), 0, 0, false);
    EXPECT_EQ(rig.system.Output(0).AttemptCount(), 0u);
}

TEST_F(PatchAndThruTest, SubstituteOrFilePatchAsAsked) {
    PatchEntry entry = FilePatch(PatchKind::Program, 40);
    entry.substitute = Patch{PatchKind::Bank0Program, {8, 73, 0}};
    rig.output.SendPatch(entry, 3, 2, false);
    rig.output.SendPatch(entry, 3, 2, true);
    EXPECT_EQ(SentTo(2), (std::vector<Bytes>{{0xC3, 40}, {0xB3, 0, 8}, {0xC3, 73}}));
}

TEST_F(PatchAndThruTest, SubstituteNoChangeSendsNothing) {
    rig.output.SendPatch(FilePatch(PatchKind::Program, 40), 3, 2, true);
    EXPECT_TRUE(SentTo(2).empty());
}

TEST_F(PatchAndThruTest, PatchToAllPortsReachesEveryDevice) {
    rig.output.SendPatch(FilePatch(PatchKind::Program, 7), 15, kAllPorts, false);
    for (int device = 0; device < 3; ++device) {
        EXPECT_EQ(SentTo(device), (std::vector<Bytes>{Bytes({0xCF, 7})})) << "device " << device;
    }
}

// ---- thru -----------------------------------------------------------------

TEST_F(PatchAndThruTest, ThruSameAsInputKeepsTheChannel) {
    OutputSettings settings;
    settings.thruPort = 1;
    settings.thruChannel = kThruSameAsInput;
    rig.output.SetSettings(settings);
    rig.output.SendThru(Bytes{0x94, 60, 100});  // channel 5
    EXPECT_EQ(SentTo(1), (std::vector<Bytes>{Bytes({0x94, 60, 100})}));
}

TEST_F(PatchAndThruTest, ThruChannelReplacesTheChannelOfChannelMessages) {
    OutputSettings settings;
    settings.thruPort = 2;
    settings.thruChannel = 0;  // channel 1
    rig.output.SetSettings(settings);
    rig.output.SendThru(Bytes{0x94, 60, 100});
    rig.output.SendThru(Bytes{0xCB, 12});
    rig.output.SendThru(Bytes{0xEF, 0, 64});
    EXPECT_EQ(SentTo(2), (std::vector<Bytes>{{0x90, 60, 100}, {0xC0, 12}, {0xE0, 0, 64}}));
}

TEST_F(PatchAndThruTest, ThruPassesSystemMessagesUnchanged) {
    OutputSettings settings;
    settings.thruPort = 0;
    settings.thruChannel = 7;
    rig.output.SetSettings(settings);
    rig.output.SendThru(Bytes{0xF8});
    rig.output.SendThru(Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    rig.output.SendThru(Bytes{0xF2, 0x10, 0x00});
    EXPECT_EQ(SentTo(0), (std::vector<Bytes>{
                             {0xF8}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xF2, 0x10, 0x00}}));
}

TEST_F(PatchAndThruTest, ThruToAllPortsByDefault) {
    rig.output.SendThru(Bytes{0x80, 60, 0});
    for (int device = 0; device < 3; ++device) {
        EXPECT_EQ(SentTo(device), (std::vector<Bytes>{Bytes({0x80, 60, 0})}));
    }
}

TEST_F(PatchAndThruTest, ThruIsSilentWhileTheMetronomeDialogTakesInput) {
    OutputSettings settings;
    settings.thruPort = 0;
    rig.output.SetSettings(settings);
    rig.output.SetThruSuppressed(true);
    rig.output.SendThru(Bytes{0x90, 60, 100});
    EXPECT_TRUE(SentTo(0).empty());
    rig.output.SetThruSuppressed(false);
    rig.output.SendThru(Bytes{0x90, 60, 100});
    EXPECT_EQ(SentTo(0).size(), 1u);
}

TEST_F(PatchAndThruTest, SettingsStartAtTheirDefaults) {
    const OutputSettings& settings = rig.output.Settings();
    EXPECT_FALSE(settings.transmitExternalSync);
    EXPECT_EQ(settings.syncPort, kAllPorts);
    EXPECT_EQ(settings.syncType, kSyncTypeMidiSync);
    EXPECT_EQ(settings.frameRate, 3);
    EXPECT_FALSE(settings.thruOn);
    EXPECT_EQ(settings.thruPort, kAllPorts);
    EXPECT_EQ(settings.thruChannel, kThruSameAsInput);
    EXPECT_FALSE(settings.thruProcessFirst);
    EXPECT_TRUE(settings.transmitSysex);
    EXPECT_EQ(settings.sysexPort, kAllPorts);
    EXPECT_EQ(settings.sysexMode, kSysexWhenFileOpened);
    EXPECT_TRUE(settings.soundHeldNotes);
}

}  // namespace
}  // namespace ostinel
