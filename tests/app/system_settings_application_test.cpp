#include "app/system_settings_application.h"

#include <gtest/gtest.h>

#include "app/named_settings.h"
#include "app/piece_settings_application.h"
#include "platform/real/file_settings_store.h"
#include "settings_test_rig.h"
#include "strings/string_ids.h"

namespace ostinel {
namespace {

using testing::EngineWithSettings;
using testing::Message;

// Every field away from its default, within what the dialogs allow.
SystemSettingsState Unusual() {
    SystemSettingsState state;
    state.method = FollowingMethod::Matching;
    SystemSettings& s = state.settings;
    s.autoStopDelayMs = 7000;
    s.followSource = 1;
    s.timingFollowLevel = 2;
    s.volumeFollowLevel = 0;
    s.tapSource = 4;
    s.loopRestartDelaySec = 7;
    s.reserved14 = 0x1234;
    s.thruChannel = 5;
    s.sysexMode = 2;
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        s.inputDevice[port] = static_cast<std::uint16_t>(kSettingsPortCount - 1 - port);
        s.outputDevice[port] = static_cast<std::uint16_t>(port % 3);
    }
    s.metronomePort = 2;
    s.thruPort = 1;
    s.sysexPort = 3;
    s.syncPort = 4;
    s.syncType = 1;
    s.frameRate = 1;
    s.performancePlayMode = 2;
    s.tempoBeforePerformed = 1;
    s.tempoAfterPerformed = 2;
    s.tempoDuringPerformed = 0;
    s.reserved72 = 9;
    s.reserved74 = -7;
    s.metronomeChannel = 3;
    s.metronomePatch = 12;
    s.metronomeDownbeatNote = 60;
    s.metronomeDownbeatVelocity = 90;
    s.metronomeOtherNote = 62;
    s.metronomeOtherVelocity = 70;
    s.rememberViewLocations = 0;
    s.previewBeforeStarting = 1;
    s.waitForSoloToStart = 1;
    s.transmitSysex = 0;
    s.restartLoopAutomatically = 0;
    s.setLoopPointsAutomatically = 1;
    s.metronomeOn = 1;
    s.loopOn = 1;
    s.thruOn = 1;
    s.jumpEnabled = 0;
    s.soundHeldNotes = 0;
    s.startAutomatically = 0;
    s.stopAutomatically = 1;
    s.tapNote = 36;
    s.tapController = 64;
    for (std::size_t i = 0; i < s.channelEnabled.size(); ++i)
        s.channelEnabled[i] = (i % 3 == 0) ? 0 : 1;
    s.requireShiftDrag = 0;
    s.transmitExternalSync = 1;
    s.reserved227 = 5;
    s.playTappedNotes = 1;
    s.thruProcessFirst = 1;
    s.jumpSeveralBeatsOnly = 1;
    s.allowViewsToMove = 0;
    s.reserved232 = {1, 2, 3, 4};
    for (std::size_t entry = 0; entry < state.remote.size(); ++entry)
        state.remote[entry] = static_cast<std::int16_t>(entry % 2 ? 40 + entry : 256 + entry);
    return state;
}

class SystemSettingsApplication : public ::testing::Test {
  protected:
    void SetUp() override { named_.StartUp(false); }

    platform::MemorySettingsStore store_;
    EngineWithSettings rig_{store_};
    Engine& engine_ = rig_.engine;
    NamedSettings named_{engine_};
};

TEST_F(SystemSettingsApplication, WhatIsAppliedIsCapturedAgainFieldForField) {
    const SystemSettingsState unusual = Unusual();
    ApplySystemSettings(engine_, unusual);
    const SystemSettingsState captured = CaptureSystemSettings(engine_);
    EXPECT_EQ(captured.settings, unusual.settings);
    EXPECT_EQ(captured.remote, unusual.remote);
    // The subsystems run with them, not only the record.
    EXPECT_EQ(engine_.Following().tapController, 64);
    EXPECT_EQ(engine_.Output().Settings().thruChannel, 5);
    EXPECT_TRUE(engine_.GetTransport().Loop().on);
    EXPECT_EQ(engine_.GetTransport().Metronome().patch, 12);
    EXPECT_EQ(engine_.Ports().OutputDevice(4), 1);
    EXPECT_FALSE(engine_.Ports().ChannelEnabled(0, 0));
    EXPECT_EQ(engine_.Remote().SpecialSignal(), unusual.remote[kSpecialSignalEntry]);
    EXPECT_EQ(rig_.window.buttons, std::make_pair(true, true));
    EXPECT_EQ(rig_.window.portsDialogs, 0);
}

TEST_F(SystemSettingsApplication, ADeviceThatCannotBeOpenedLeadsToThePortsDialog) {
    rig_.midi.SetOutputInUse(2, true);
    ApplySystemSettings(engine_, Unusual());
    EXPECT_EQ(rig_.window.portsDialogs, 1);
    ASSERT_EQ(rig_.ui.shown.size(), 1u);
    EXPECT_NE(rig_.ui.shown[0].find("Expander"), std::string::npos);
}

TEST_F(SystemSettingsApplication, AMissingKeyboardStillLeavesThePieceAudible) {
    for (int device = 0; device < 8; ++device)
        rig_.midi.SetInputInUse(device, true);
    ApplySystemSettings(engine_, Unusual());
    EXPECT_EQ(rig_.window.portsDialogs, 1);
    EXPECT_TRUE(rig_.midi.OutputIsOpen(engine_.Ports().OutputDevice(0)));
    EXPECT_TRUE(rig_.midi.OutputIsOpen(1));
}

TEST_F(SystemSettingsApplication, RevertAfterDefaultUndoesTheDefaultsAndASecondRevertKeepsThem) {
    ApplySystemSettings(engine_, Unusual());
    DefaultSystemSettings(engine_, true);
    SystemSettings defaults = DefaultSystemSettings();
    // The reserved bytes the defaults never write stay as they were.
    defaults.reserved14 = 0x1234;
    defaults.reserved227 = 5;
    defaults.reserved232 = {1, 2, 3, 4};
    EXPECT_EQ(CaptureSystemSettings(engine_).settings, defaults);
    EXPECT_EQ(CaptureSystemSettings(engine_).remote, DefaultRemoteTable());
    EXPECT_EQ(CaptureSystemSettings(engine_).method, FollowingMethod::Probability);

    ASSERT_TRUE(named_.DispatchSettingsCommand(settings_command::kRevertSystem));
    EXPECT_EQ(CaptureSystemSettings(engine_).method, FollowingMethod::Matching);
    EXPECT_EQ(CaptureSystemSettings(engine_).settings, Unusual().settings);
    EXPECT_EQ(CaptureSystemSettings(engine_).remote, Unusual().remote);
    named_.DispatchSettingsCommand(settings_command::kRevertSystem);
    EXPECT_EQ(CaptureSystemSettings(engine_).settings, Unusual().settings);
    EXPECT_TRUE(rig_.ui.shown.empty());
}

TEST_F(SystemSettingsApplication, DefaultsGoOnWhenTheRevertPointCannotBeKept) {
    ApplySystemSettings(engine_, Unusual());
    store_.SetChangesFail(true);
    named_.DispatchSettingsCommand(settings_command::kDefaultSystem);
    EXPECT_EQ(rig_.ui.shown, std::vector<std::string>{Message(string_id::kCannotKeepRevertPoint)});
    EXPECT_EQ(CaptureSystemSettings(engine_).settings.timingFollowLevel, 4);
}

TEST_F(SystemSettingsApplication, LoadingASetThatIsNotThereGivesTheDefaults) {
    ApplySystemSettings(engine_, Unusual());
    LoadSystemSettings(engine_, "never saved", false);
    EXPECT_EQ(CaptureSystemSettings(engine_).settings.followSource, 0);
    EXPECT_EQ(CaptureSystemSettings(engine_).remote, DefaultRemoteTable());
}

TEST(SystemSettingsRestart, TheSettingsTheProgramWasLeftWithComeBackAfterARestart) {
    testing::TestFolder folder("ostinel-settings-restart");
    const std::string storePath = (folder / "settings.txt").string();
    const std::string piecePath = folder.Write("piece.mid", testing::Ensemble(2));
    SystemSettingsState left = Unusual();
    {
        platform::FileSettingsStore store(storePath);
        EngineWithSettings rig(store);
        NamedSettings named(rig.engine);
        EXPECT_FALSE(named.StartUp(true).has_value());
        // Nothing is stored at shutdown before a file open has completed.
        StoreSettingsAtShutdown(rig.engine);
        EXPECT_FALSE(store.Read("System Variables", ".").has_value());
        ASSERT_EQ(named.OpenPiece(piecePath), LoadResult::Loaded);
        ApplySystemSettings(rig.engine, left);
        rig.engine.GetTransport().SetMasterSettings({SpeedFactor{3000}, 200, -2});
        StoreSettingsAtShutdown(rig.engine);
    }
    platform::FileSettingsStore store(storePath);
    EngineWithSettings rig(store);
    NamedSettings named(rig.engine);
    EXPECT_EQ(named.StartUp(true), piecePath);
    const SystemSettingsState back = CaptureSystemSettings(rig.engine);
    EXPECT_EQ(back.settings, left.settings);
    EXPECT_EQ(back.remote, left.remote);
    ASSERT_EQ(named.OpenPiece(piecePath), LoadResult::Loaded);
    EXPECT_EQ(rig.engine.GetTransport().Master().speed, SpeedFactor{3000});
    EXPECT_EQ(rig.engine.GetTransport().Master().transpose, -2);
}

}  // namespace
}  // namespace ostinel
