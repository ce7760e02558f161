#include "app/named_settings.h"

#include <gtest/gtest.h>

#include "app/piece_settings_application.h"
#include "app/system_settings_application.h"
#include "settings/piece_settings_file.h"
#include "settings_test_rig.h"
#include "strings/string_ids.h"

namespace ostinel {
namespace {

using namespace settings_command;
using testing::EngineWithSettings;
using testing::Ensemble;
using testing::Message;

MetronomeSettings MetronomeOn() {
    MetronomeSettings metronome;
    metronome.on = true;
    return metronome;
}

std::vector<std::string> Texts(const std::array<SettingsMenuItem, kNamedSetCount>& items) {
    std::vector<std::string> texts;
    for (const SettingsMenuItem& item : items)
        texts.push_back(item.text);
    return texts;
}

class NamedSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { named_.StartUp(false); }

    void SaveSystemAs(const std::string& name) {
        rig_.window.nextName = name;
        ASSERT_TRUE(named_.DispatchSettingsCommand(kSaveSystemAs));
    }

    void SavePieceAs(const std::string& name) {
        rig_.window.nextName = name;
        ASSERT_TRUE(named_.DispatchSettingsCommand(kSavePieceAs));
    }

    testing::TestFolder folder_{"ostinel-named-settings"};
    platform::MemorySettingsStore store_;
    EngineWithSettings rig_{store_};
    Engine& engine_ = rig_.engine;
    NamedSettings named_{engine_};
};

TEST_F(NamedSettingsTest, AFreshStoreListsNoSystemSets) {
    const SettingsMenu& menu = named_.SystemMenu().items;
    EXPECT_EQ(Texts(menu.load), std::vector<std::string>(4, "(no settings saved)"));
    EXPECT_FALSE(menu.load[0].enabled);
    EXPECT_FALSE(menu.remove[3].enabled);
    EXPECT_EQ(menu.saveOver[2].id, 43);
    EXPECT_EQ(menu.remove[1].id, 51);
    EXPECT_TRUE(menu.saveAsEnabled);
}

TEST_F(NamedSettingsTest, FourSystemSetsMakeSaveAsUnavailableUntilOneIsRemoved) {
    for (const char* name : {"Church", "Hall", "Studio", "Home"})
        SaveSystemAs(name);
    const SettingsMenu& menu = named_.SystemMenu().items;
    EXPECT_EQ(Texts(menu.load), (std::vector<std::string>{"Church", "Hall", "Studio", "Home"}));
    EXPECT_TRUE(menu.load[3].enabled);
    EXPECT_TRUE(menu.saveOver[3].enabled);
    EXPECT_FALSE(menu.saveAsEnabled);

    rig_.ui.confirm = false;
    named_.DispatchSettingsCommand(kRemoveSystemSet + 1);
    EXPECT_EQ(rig_.ui.asked,
              std::vector<std::string>{"Are you sure you want to remove the settings 'Hall'?"});
    EXPECT_FALSE(named_.SystemMenu().items.saveAsEnabled);

    rig_.ui.confirm = true;
    named_.DispatchSettingsCommand(kRemoveSystemSet + 1);
    EXPECT_EQ(Texts(named_.SystemMenu().items.remove),
              (std::vector<std::string>{"Church", "Studio", "Home", "(no settings saved)"}));
    EXPECT_TRUE(named_.SystemMenu().items.saveAsEnabled);
    EXPECT_FALSE(store_.Read("System Variables", "Hall").has_value());
    EXPECT_FALSE(store_.Read("Remote Commands", "Hall").has_value());
}

TEST_F(NamedSettingsTest, AFifthStoredSetIsNotListed) {
    const SystemSettingsState state = CaptureSystemSettings(engine_);
    const MidiDeviceNames devices = DeviceNamesOf(rig_.midi);
    for (const char* name : {"One", "Two", "Three", "Four", "Five"})
        ASSERT_TRUE(StoreSystemSettings(store_, name, state, devices));
    named_.RebuildSystemSettingsMenu();
    EXPECT_EQ(named_.SystemMenu().names, (std::vector<std::string>{"One", "Two", "Three", "Four"}));
    EXPECT_FALSE(named_.SystemMenu().items.saveAsEnabled);
}

TEST_F(NamedSettingsTest, LoadingASystemSetKeepsARevertPoint) {
    engine_.GetTransport().SetMetronomeSettings(MetronomeOn());
    SaveSystemAs("Click");
    DefaultSystemSettings(engine_, false);
    EXPECT_FALSE(engine_.GetTransport().Metronome().on);
    named_.DispatchSettingsCommand(kLoadSystemSet);
    EXPECT_TRUE(engine_.GetTransport().Metronome().on);
    named_.DispatchSettingsCommand(kRevertSystem);
    EXPECT_FALSE(engine_.GetTransport().Metronome().on);
}

TEST_F(NamedSettingsTest, SavingOverASystemSetAsksFirst) {
    SaveSystemAs("Stage");
    engine_.GetTransport().SetMetronomeSettings(MetronomeOn());
    rig_.ui.confirm = false;
    named_.DispatchSettingsCommand(kSaveOverSystemSet);
    EXPECT_EQ(rig_.ui.asked,
              std::vector<std::string>{"Are you sure you want to replace the settings 'Stage'?"});
    EXPECT_EQ(DecodeSystemSettings(*store_.Read("System Variables", "Stage"))->metronomeOn, 0);
    rig_.ui.confirm = true;
    named_.DispatchSettingsCommand(kSaveOverSystemSet);
    EXPECT_EQ(DecodeSystemSettings(*store_.Read("System Variables", "Stage"))->metronomeOn, 1);
}

TEST_F(NamedSettingsTest, ASetNamedDotReplacesTheRevertPointAndIsNotListed) {
    engine_.GetTransport().SetMetronomeSettings(MetronomeOn());
    SaveSystemAs(".");
    EXPECT_TRUE(named_.SystemMenu().names.empty());
    DefaultSystemSettings(engine_, false);
    named_.DispatchSettingsCommand(kRevertSystem);
    EXPECT_TRUE(engine_.GetTransport().Metronome().on);
}

TEST_F(NamedSettingsTest, ASystemSetThatCannotBeSavedIsReportedAndCancelSavesNothing) {
    named_.DispatchSettingsCommand(kSaveSystemAs);  // the dialog was cancelled
    EXPECT_TRUE(named_.SystemMenu().names.empty());
    EXPECT_TRUE(rig_.ui.shown.empty());
    store_.SetChangesFail(true);
    SaveSystemAs("Full disk");
    EXPECT_EQ(rig_.ui.shown, std::vector<std::string>{Message(string_id::kCannotSaveSettings)});
    EXPECT_TRUE(named_.SystemMenu().names.empty());
}

TEST_F(NamedSettingsTest, PieceListsAreNotBuiltBeforeAFileIsOpened) {
    EXPECT_FALSE(named_.PieceMenu().built);
    SavePieceAs("Nothing open");
    named_.DispatchSettingsCommand(kLoadPieceSlot);
    named_.DispatchSettingsCommand(kRevertPiece);
    EXPECT_FALSE(named_.PieceMenu().built);
    EXPECT_TRUE(rig_.ui.shown.empty());
    EXPECT_FALSE(named_.DispatchSettingsCommand(100));
}

TEST_F(NamedSettingsTest, RemovingPieceSlotTwoOfThreeMovesTheThirdDown) {
    const std::string path = folder_.Write("trio.mid", Ensemble(3));
    ASSERT_EQ(named_.OpenPiece(path), LoadResult::Loaded);
    EXPECT_TRUE(named_.PieceMenu().built);
    engine_.GetTransport().SetMasterSettings({SpeedFactor{4096}, 256, 1});
    SavePieceAs("Up one");
    engine_.GetTransport().SetMasterSettings({SpeedFactor{4096}, 256, 2});
    SavePieceAs("Up two");
    engine_.GetTransport().SetMasterSettings({SpeedFactor{4096}, 256, 3});
    SavePieceAs("Up three");
    EXPECT_EQ(Texts(named_.PieceMenu().items.load),
              (std::vector<std::string>{"Up one", "Up two", "Up three", "(no settings saved)"}));

    named_.DispatchSettingsCommand(kRemovePieceSlot + 1);
    EXPECT_EQ(rig_.ui.asked,
              std::vector<std::string>{"Are you sure you want to remove the settings 'Up two'?"});
    const PieceSettingsMenu& menu = named_.PieceMenu();
    EXPECT_EQ(menu.slotUsed, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(Texts(menu.items.load),
              (std::vector<std::string>{"Up one", "Up three", "(no settings saved)",
                                        "(no settings saved)"}));
    named_.DispatchSettingsCommand(kLoadPieceSlot + 1);
    EXPECT_EQ(engine_.GetTransport().Master().transpose, 3);
    const auto stored = ReadPieceSettingsStore(path);
    ASSERT_TRUE(stored.has_value());
    EXPECT_FALSE(stored->SlotUsed(3));
}

TEST_F(NamedSettingsTest, FourPieceSlotsMakeSaveAsUnavailableAndAFifthSaveIsRefused) {
    ASSERT_EQ(named_.OpenPiece(folder_.Write("duo.mid", Ensemble(2))), LoadResult::Loaded);
    for (const char* name : {"A", "B", "C", "D"})
        SavePieceAs(name);
    EXPECT_FALSE(named_.PieceMenu().items.saveAsEnabled);
    SavePieceAs("E");
    EXPECT_EQ(rig_.ui.shown, std::vector<std::string>{Message(string_id::kCannotSaveSettings)});
}

TEST_F(NamedSettingsTest, LoadItemsAreUnavailableWhilePlaying) {
    ASSERT_EQ(named_.OpenPiece(folder_.Write("duo.mid", Ensemble(2))), LoadResult::Loaded);
    SavePieceAs("Take");
    SaveSystemAs("Room");
    engine_.GetTransport().SetMasterSettings({SpeedFactor{4096}, 256, 5});
    engine_.OpenOutputPorts();
    engine_.GetTransport().PlayFile();
    ASSERT_TRUE(engine_.GetTransport().Mode().playing);
    named_.RebuildPieceSettingsMenu();
    named_.RebuildSystemSettingsMenu();
    EXPECT_FALSE(named_.PieceMenu().items.load[0].enabled);
    EXPECT_TRUE(named_.PieceMenu().items.saveOver[0].enabled);
    EXPECT_FALSE(named_.SystemMenu().items.load[0].enabled);
    EXPECT_TRUE(named_.SystemMenu().items.remove[0].enabled);
    // Loading, reverting and defaulting wait for the stop.
    EXPECT_TRUE(named_.DispatchSettingsCommand(kDefaultPiece));
    EXPECT_TRUE(named_.DispatchSettingsCommand(kLoadPieceSlot));
    EXPECT_TRUE(named_.DispatchSettingsCommand(kDefaultSystem));
    EXPECT_TRUE(rig_.ui.shown.empty());
    EXPECT_EQ(engine_.GetTransport().Master().transpose, 5);
    engine_.GetTransport().Stop();
}

TEST_F(NamedSettingsTest, SavingOverAPieceSlotAsksWithTheSlotsName) {
    ASSERT_EQ(named_.OpenPiece(folder_.Write("duo.mid", Ensemble(2))), LoadResult::Loaded);
    SavePieceAs("Slow");
    engine_.GetTransport().SetMasterSettings({SpeedFactor{2048}, 256, 0});
    named_.DispatchSettingsCommand(kSaveOverPieceSlot);
    EXPECT_EQ(rig_.ui.asked,
              std::vector<std::string>{"Are you sure you want to replace the settings 'Slow'?"});
    engine_.GetTransport().SetMasterSettings({SpeedFactor{4096}, 256, 0});
    named_.DispatchSettingsCommand(kLoadPieceSlot);
    EXPECT_EQ(engine_.GetTransport().Master().speed, SpeedFactor{2048});
    EXPECT_EQ(named_.PieceMenu().items.load[0].text, "Slow");
}

}  // namespace
}  // namespace ostinel
