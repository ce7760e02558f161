#include "settings/settings_persistence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/manual/memory_settings_store.h"
#include "platform/real/file_settings_store.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using platform::MemorySettingsStore;

const MidiDeviceNames kDevices{{"Keyboard", "Pedals"}, {"Ostinel Synth", "Piano", "Organ"}};

// A store whose writes under one key fail, to see where storing stops.
class KeyFailingStore final : public platform::SettingsStore {
  public:
    explicit KeyFailingStore(std::string failingKey) : failingKey_(std::move(failingKey)) {}

    std::optional<Bytes> Read(std::string_view key, std::string_view valueName) const override {
        return inner_.Read(key, valueName);
    }
    bool Write(std::string_view key, std::string_view valueName,
               std::span<const std::uint8_t> bytes) override {
        return key != failingKey_ && inner_.Write(key, valueName, bytes);
    }
    bool Remove(std::string_view key, std::string_view valueName) override {
        return inner_.Remove(key, valueName);
    }
    bool RemoveKey(std::string_view key) override { return inner_.RemoveKey(key); }
    std::vector<std::string> Keys() const override { return inner_.Keys(); }
    std::vector<std::string> ValueNames(std::string_view key) const override {
        return inner_.ValueNames(key);
    }

  private:
    std::string failingKey_;
    MemorySettingsStore inner_;
};

void StampCurrent(platform::SettingsStore& store) {
    ASSERT_TRUE(store.Write(kSettingsVersionKey, ".", Bytes{0, 0}));
}

SystemSettingsState ChangedState() {
    SystemSettingsState state;
    state.settings.autoStopDelayMs = 7000;
    state.settings.metronomeOn = 1;
    state.settings.outputDevice[0] = 1;
    state.settings.inputDevice[3] = 1;
    state.remote[0] = NoteBinding(60);
    state.filePath = "/home/player/pieces/air.mid";
    return state;
}

TEST(SystemSettingsStore, AFreshStoreIsStampedAndGivesTheDefaults) {
    MemorySettingsStore store;
    SystemSettingsState live = ChangedState();
    live.method = FollowingMethod::Matching;
    const SystemSettingsLoad load = LoadSystemSettings(store, ".", false, true, kDevices, live);
    EXPECT_FALSE(load.storeWasCurrent);
    // New settings follow by probability; matching is one choice away.
    EXPECT_EQ(live.method, FollowingMethod::Probability);
    EXPECT_FALSE(load.settingsFromStore);
    EXPECT_FALSE(load.remoteFromStore);
    EXPECT_FALSE(load.fileToOpen.has_value());
    EXPECT_EQ(live.settings, DefaultSystemSettings());
    EXPECT_EQ(live.remote, DefaultRemoteTable());
    EXPECT_EQ(store.Read(kSettingsVersionKey, "."), (Bytes{0, 0}));
    EXPECT_TRUE(LoadSystemSettings(store, ".", false, true, kDevices, live).storeWasCurrent);
}

TEST(SystemSettingsStore, AnotherVersionWipesTheStoredSettings) {
    for (const Bytes& version : {Bytes{1, 0}, Bytes{0}, Bytes{0, 0, 0}}) {
        MemorySettingsStore store;
        ASSERT_TRUE(store.Write(kSettingsVersionKey, ".", version));
        ASSERT_TRUE(StoreSystemSettings(store, ".", ChangedState(), kDevices));
        ASSERT_TRUE(StoreSystemSettings(store, "Mine", ChangedState(), kDevices));
        ASSERT_TRUE(StoreMainWindow(store, {1, 2, 3, 4}));
        SystemSettingsState live;
        const auto load = LoadSystemSettings(store, ".", false, true, kDevices, live);
        EXPECT_FALSE(load.storeWasCurrent);
        EXPECT_FALSE(load.fileToOpen.has_value());
        EXPECT_EQ(live.settings, DefaultSystemSettings());
        EXPECT_EQ(store.Keys(),
                  (Names{std::string(kSettingsVersionKey), std::string(kMainWindowKey)}));
        EXPECT_EQ(store.Read(kSettingsVersionKey, "."), (Bytes{0, 0}));
    }
}

TEST(SystemSettingsStore, StoredSettingsLoadBack) {
    MemorySettingsStore store;
    StampCurrent(store);
    const SystemSettingsState stored = ChangedState();
    ASSERT_TRUE(StoreSystemSettings(store, "Concert", stored, kDevices));
    EXPECT_EQ(store.Read(kSystemVariablesKey, "Concert")->size(), 236u);
    EXPECT_EQ(store.Read(kRemoteCommandsKey, "Concert")->size(), 28u);
    EXPECT_FALSE(store.Read(kFilePathKey, "Concert").has_value());

    SystemSettingsState live;
    const auto load = LoadSystemSettings(store, "Concert", false, true, kDevices, live);
    EXPECT_TRUE(load.storeWasCurrent);
    EXPECT_TRUE(load.settingsFromStore);
    EXPECT_TRUE(load.remoteFromStore);
    EXPECT_FALSE(load.fileToOpen.has_value());  // only "." keeps a path
    EXPECT_EQ(live.settings, stored.settings);
    EXPECT_EQ(live.remote, stored.remote);
}

TEST(SystemSettingsStore, RecordsOfTheWrongSizeGiveTheDefaults) {
    for (std::size_t size : {235u, 237u, 0u}) {
        MemorySettingsStore store;
        StampCurrent(store);
        ASSERT_TRUE(store.Write(kSystemVariablesKey, "x", Bytes(size, 0)));
        ASSERT_TRUE(store.Write(kRemoteCommandsKey, "x", Bytes(size % 28 + 27, 0)));
        SystemSettingsState live = ChangedState();
        live.settings.reserved227 = 5;
        const auto load = LoadSystemSettings(store, "x", false, false, kDevices, live);
        EXPECT_FALSE(load.settingsFromStore);
        EXPECT_FALSE(load.remoteFromStore);
        EXPECT_EQ(live.settings.autoStopDelayMs, 5000u);
        EXPECT_EQ(live.settings.reserved227, 5);  // the defaults leave it alone
        EXPECT_EQ(live.remote, DefaultRemoteTable());
    }
}

TEST(SystemSettingsStore, ValuesOutOfRangeLoadAsTheirDefaults) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettings damaged = DefaultSystemSettings();
    damaged.tapSource = 6;
    damaged.timingFollowLevel = 5;
    damaged.frameRate = 4;
    damaged.thruChannel = 16;
    damaged.syncPort = 8;
    damaged.metronomePort = 9;
    damaged.metronomeChannel = 16;
    damaged.metronomeOtherNote = 128;
    damaged.metronomeDownbeatVelocity = 200;
    damaged.loopRestartDelaySec = 11;
    damaged.outputDevice[3] = 999;
    damaged.channelEnabled[17] = 2;
    damaged.loopOn = 7;
    damaged.thruPort = 3;  // in range: kept
    ASSERT_TRUE(store.Write(kSystemVariablesKey, "x", EncodeSystemSettings(damaged)));
    RemoteTable remote = DefaultRemoteTable();
    remote[0] = 60;
    remote[1] = 128;
    remote[2] = ControllerBinding(64);
    remote[3] = ControllerBinding(128);
    ASSERT_TRUE(store.Write(kRemoteCommandsKey, "x", EncodeRemoteTable(remote)));
    SystemSettingsState live;
    LoadSystemSettings(store, "x", false, false, kDevices, live);
    SystemSettings expected = DefaultSystemSettings();
    expected.thruPort = 3;
    EXPECT_EQ(live.settings, expected);
    RemoteTable expectedRemote = DefaultRemoteTable();
    expectedRemote[0] = 60;
    expectedRemote[2] = ControllerBinding(64);
    EXPECT_EQ(live.remote, expectedRemote);
}

TEST(SystemSettingsStore, TheRevertPointKeepsTheLastFile) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettingsState live = ChangedState();
    ASSERT_TRUE(StoreSystemSettings(store, "Other", SystemSettingsState{}, kDevices));
    const auto load = LoadSystemSettings(store, "Other", true, false, kDevices, live);
    EXPECT_TRUE(load.revertPointKept);
    EXPECT_EQ(live.settings, DefaultSystemSettings());

    const Bytes path = *store.Read(kFilePathKey, ".");
    ASSERT_EQ(path.size(), 260u);
    EXPECT_EQ(std::string(path.begin(), path.begin() + 27), "/home/player/pieces/air.mid");
    EXPECT_EQ(path[27], 0);

    SystemSettingsState back;
    const auto revert = LoadSystemSettings(store, ".", false, true, kDevices, back);
    EXPECT_EQ(back.settings, ChangedState().settings);
    EXPECT_EQ(revert.fileToOpen, "/home/player/pieces/air.mid");
    // Without a wish for a file, none is named.
    EXPECT_FALSE(LoadSystemSettings(store, ".", false, false, kDevices, back).fileToOpen);
}

TEST(SystemSettingsStore, LongPathsAreStoredWholeAndEmptyOnesNameNoFile) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettingsState live;
    live.filePath = "/" + std::string(400, 'p') + ".mid";
    ASSERT_TRUE(StoreSystemSettings(store, ".", live, kDevices));
    EXPECT_EQ(store.Read(kFilePathKey, ".")->size(), 406u);
    SystemSettingsState back;
    EXPECT_EQ(LoadSystemSettings(store, ".", false, true, kDevices, back).fileToOpen,
              live.filePath);
    live.filePath.clear();
    ASSERT_TRUE(StoreSystemSettings(store, ".", live, kDevices));
    EXPECT_FALSE(LoadSystemSettings(store, ".", false, true, kDevices, back).fileToOpen);
}

TEST(SystemSettingsStore, AFailedRevertPointIsReportedAndTheLoadGoesOn) {
    MemorySettingsStore store;
    StampCurrent(store);
    ASSERT_TRUE(StoreSystemSettings(store, "Set", ChangedState(), kDevices));
    store.SetChangesFail(true);
    SystemSettingsState live;
    const auto load = LoadSystemSettings(store, "Set", true, false, kDevices, live);
    EXPECT_FALSE(load.revertPointKept);
    EXPECT_TRUE(load.settingsFromStore);
    EXPECT_EQ(live.settings, ChangedState().settings);
}

TEST(SystemSettingsStore, TheFollowingMethodIsKeptBesideTheRecord) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettingsState stored = ChangedState();
    stored.method = FollowingMethod::Matching;
    ASSERT_TRUE(StoreSystemSettings(store, "Matching", stored, kDevices));
    stored.method = FollowingMethod::Probability;
    ASSERT_TRUE(StoreSystemSettings(store, "Probability", stored, kDevices));
    // The record itself is the same, byte for byte, whichever method is chosen.
    EXPECT_EQ(store.Read(kSystemVariablesKey, "Probability"),
              store.Read(kSystemVariablesKey, "Matching"));
    EXPECT_EQ(store.Read(kFollowingMethodKey, "Probability"), (Bytes{1}));

    SystemSettingsState live;
    LoadSystemSettings(store, "Probability", false, false, kDevices, live);
    EXPECT_EQ(live.method, FollowingMethod::Probability);
    LoadSystemSettings(store, "Matching", false, false, kDevices, live);
    EXPECT_EQ(live.method, FollowingMethod::Matching);

    // Settings stored before the choice existed, or damaged, follow by matching.
    live.method = FollowingMethod::Probability;
    ASSERT_TRUE(store.Remove(kFollowingMethodKey, "Probability"));
    LoadSystemSettings(store, "Probability", false, false, kDevices, live);
    EXPECT_EQ(live.method, FollowingMethod::Matching);
    ASSERT_TRUE(store.Write(kFollowingMethodKey, "Probability", Bytes{1, 0}));
    LoadSystemSettings(store, "Probability", false, false, kDevices, live);
    EXPECT_EQ(live.method, FollowingMethod::Matching);

    EXPECT_TRUE(RemoveSystemSettings(store, "Matching"));
    EXPECT_FALSE(store.Read(kFollowingMethodKey, "Matching").has_value());
}

TEST(SystemSettingsStore, StoringStopsAtTheFirstFailedValue) {
    KeyFailingStore store{std::string(kRemoteCommandsKey)};
    EXPECT_FALSE(StoreSystemSettings(store, ".", ChangedState(), kDevices));
    EXPECT_TRUE(store.Read(kSystemVariablesKey, ".").has_value());
    EXPECT_FALSE(store.Read(kFilePathKey, ".").has_value());
    EXPECT_FALSE(store.Read(kInputDeviceNamesKey, ".").has_value());
    EXPECT_FALSE(store.Read(kSettingsVersionKey, ".").has_value());
}

TEST(SystemSettingsStore, PortsFindTheirDevicesByNameWhenNumbersMoved) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettingsState stored;
    stored.settings.outputDevice = {0, 1, 2, 2, 7, 0, 0, 0};  // 7 names no device
    stored.settings.inputDevice = {1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(StoreSystemSettings(store, ".", stored, kDevices));
    EXPECT_EQ(*DecodeDeviceNames(*store.Read(kOutputDeviceNamesKey, ".")),
              (std::array<std::string, 8>{"Ostinel Synth", "Piano", "Organ", "Organ", "",
                                          "Ostinel Synth", "Ostinel Synth", "Ostinel Synth"}));

    // The piano went away, a new device came before the organ, the pedals moved first.
    const MidiDeviceNames now{{"Pedals", "Keyboard"},
                              {"Ostinel Synth", "Guitar", "Drums", "Organ"}};
    SystemSettingsState live;
    ASSERT_TRUE(LoadSystemSettings(store, ".", false, false, now, live).settingsFromStore);
    EXPECT_EQ(live.settings.outputDevice, (std::array<std::uint16_t, 8>{0, 1, 3, 3, 7, 0, 0, 0}));
    EXPECT_EQ(live.settings.inputDevice, (std::array<std::uint16_t, 8>{0, 1, 1, 1, 1, 1, 1, 1}));
}

TEST(SystemSettingsStore, DamagedDeviceNamesKeepTheNumbers) {
    MemorySettingsStore store;
    StampCurrent(store);
    SystemSettingsState stored;
    stored.settings.outputDevice[0] = 2;
    ASSERT_TRUE(StoreSystemSettings(store, ".", stored, kDevices));
    ASSERT_TRUE(store.Write(kOutputDeviceNamesKey, ".", Bytes{5, 'O', 'r'}));
    SystemSettingsState live;
    LoadSystemSettings(store, ".", false, false, MidiDeviceNames{{}, {"Organ", "x", "y"}}, live);
    EXPECT_EQ(live.settings.outputDevice[0], 2);
}

TEST(DeviceNames, DecodingIsBoundedAndExact) {
    const std::vector<std::string> devices{"A", "Bee"};
    const std::array<std::uint16_t, 8> numbers{1, 0, 9, 0, 0, 0, 0, 0};
    const Bytes bytes = EncodeDeviceNames(numbers, devices);
    EXPECT_EQ(bytes, (Bytes{3, 'B', 'e', 'e', 1, 'A', 0, 1, 'A', 1, 'A', 1, 'A', 1, 'A', 1, 'A'}));
    EXPECT_TRUE(DecodeDeviceNames(bytes).has_value());
    Bytes longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeDeviceNames(longer).has_value());
    EXPECT_FALSE(DecodeDeviceNames(std::span<const std::uint8_t>(bytes).first(16)).has_value());
    EXPECT_FALSE(DecodeDeviceNames(Bytes{255}).has_value());
    EXPECT_FALSE(DecodeDeviceNames({}).has_value());
}

TEST(DeviceNames, AMatchPastTheSixteenDeviceNumbersIsNotTaken) {
    std::vector<std::string> devices(20, "other");
    devices[17] = "Far";
    std::array<std::string, 8> names;
    names[0] = "Far";
    std::array<std::uint16_t, 8> numbers{3, 0, 0, 0, 0, 0, 0, 0};
    MapDeviceNamesToNumbers(names, devices, numbers);
    EXPECT_EQ(numbers[0], 3);
}

TEST(SystemSettingsStore, NamedSetsLeaveOutTheRevertPointAndStopAtFour) {
    MemorySettingsStore store;
    for (const char* name : {"One", ".", "Two", "Three", "Four", "Five"})
        ASSERT_TRUE(StoreSystemSettings(store, name, SystemSettingsState{}, kDevices));
    EXPECT_EQ(NamedSystemSettings(store), (Names{"One", "Two", "Three", "Four"}));
    ASSERT_TRUE(RemoveSystemSettings(store, "Two"));
    EXPECT_EQ(NamedSystemSettings(store), (Names{"One", "Three", "Four", "Five"}));
    EXPECT_FALSE(store.Read(kRemoteCommandsKey, "Two").has_value());
    EXPECT_FALSE(store.Read(kOutputDeviceNamesKey, "Two").has_value());
    ASSERT_TRUE(RemoveSystemSettings(store, "."));
    EXPECT_TRUE(store.Read(kFilePathKey, ".").has_value());  // the path stays
}

TEST(MainWindowStore, RectangleRoundTripsWithNegatedEdges) {
    MemorySettingsStore store;
    EXPECT_FALSE(LoadMainWindow(store).has_value());
    const StoredWindowRect rect{-10, 20, -800, 600};
    ASSERT_TRUE(StoreMainWindow(store, rect));
    EXPECT_EQ(store.Read(kMainWindowKey, ".")->at(8), 0xE0);  // -800 little-endian
    EXPECT_EQ(LoadMainWindow(store), rect);
    ASSERT_TRUE(store.Write(kMainWindowKey, ".", Bytes(15, 0)));
    EXPECT_FALSE(LoadMainWindow(store).has_value());
}

TEST(SystemSettingsStore, SettingsSurviveARestartInTheFileStore) {
    const ostinel::testing::TestFolder folder("settings-persistence");
    const std::string path = (folder / "settings.txt").string();
    {
        platform::FileSettingsStore store(path);
        SystemSettingsState live;
        LoadSystemSettings(store, ".", false, true, kDevices, live);
        live = ChangedState();
        ASSERT_TRUE(StoreSystemSettings(store, ".", live, kDevices));
    }
    platform::FileSettingsStore store(path);
    SystemSettingsState live;
    const auto load = LoadSystemSettings(store, ".", false, true, kDevices, live);
    EXPECT_TRUE(load.storeWasCurrent);
    EXPECT_EQ(live.settings, ChangedState().settings);
    EXPECT_EQ(live.remote, ChangedState().remote);
    EXPECT_EQ(load.fileToOpen, ChangedState().filePath);
}

}  // namespace
}  // namespace ostinel
