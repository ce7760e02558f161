#include "settings/piece_settings_store.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;

PieceSettingsEntry SampleEntry(int tracks, const std::string& displayName) {
    PieceSettingsEntry entry;
    entry.settings = DefaultPieceSettings(60000);
    entry.settings.masterTranspose = -3;
    entry.tracks.resize(static_cast<std::size_t>(tracks));
    for (int i = 0; i < tracks; ++i) {
        entry.tracks[static_cast<std::size_t>(i)].port = static_cast<std::uint16_t>(i);
        entry.tracks[static_cast<std::size_t>(i)].name = "Track " + std::to_string(i);
    }
    entry.displayName = displayName;
    entry.markers.rehearsalPoints = {ScorePosition{1000}, ScorePosition{2000}};
    entry.markers.waitForSoloist = {ScorePosition{3000}};
    entry.markers.restoreTempo = {ScorePosition{4000}, ScorePosition{5000}, ScorePosition{6000}};
    entry.markers.ignoreSoloist = {{ScorePosition{7000}, ScorePosition{8000}}};
    return entry;
}

void ExpectSameEntry(const PieceSettingsEntry& actual, const PieceSettingsEntry& expected) {
    EXPECT_EQ(actual.settings, expected.settings);
    EXPECT_EQ(actual.tracks, expected.tracks);
    EXPECT_EQ(actual.displayName, expected.displayName);
    EXPECT_EQ(actual.markers.rehearsalPoints, expected.markers.rehearsalPoints);
    EXPECT_EQ(actual.markers.waitForSoloist, expected.markers.waitForSoloist);
    EXPECT_EQ(actual.markers.waitForSignal, expected.markers.waitForSignal);
    EXPECT_EQ(actual.markers.restoreTempo, expected.markers.restoreTempo);
    ASSERT_EQ(actual.markers.ignoreSoloist.size(), expected.markers.ignoreSoloist.size());
    for (std::size_t i = 0; i < actual.markers.ignoreSoloist.size(); ++i) {
        EXPECT_EQ(actual.markers.ignoreSoloist[i].start,
                  ScorePosition{expected.markers.ignoreSoloist[i].start});
        EXPECT_EQ(actual.markers.ignoreSoloist[i].end,
                  ScorePosition{expected.markers.ignoreSoloist[i].end});
    }
}

std::uint32_t Be32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

TEST(PieceSettingsStore, AnEmptyStoreIsTheHeaderAlone) {
    const PieceSettingsStore store;
    const auto bytes = store.Bytes();
    ASSERT_EQ(bytes.size(), 848u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0, 4, 0, 0, 0, 0, 3, 0x50}));
    for (std::size_t at = 8; at < 848; ++at)
        ASSERT_EQ(bytes[at], 0) << at;
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_FALSE(store.SlotUsed(slot));
        EXPECT_FALSE(ReadPieceSettingsEntry(store, slot).has_value());
    }
}

TEST(PieceSettingsStore, FromBytesRefusesAWrongHeader) {
    const PieceSettingsStore empty;
    const Bytes good(empty.Bytes().begin(), empty.Bytes().end());
    EXPECT_TRUE(PieceSettingsStore::FromBytes(good).has_value());
    Bytes wrongVersion = good;
    wrongVersion[1] = 5;
    EXPECT_FALSE(PieceSettingsStore::FromBytes(wrongVersion).has_value());
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_FALSE(PieceSettingsStore::FromBytes(longer).has_value());
    Bytes shorter(good.begin(), good.end() - 1);
    shorter[7] = 0x4F;
    EXPECT_FALSE(PieceSettingsStore::FromBytes(shorter).has_value());
    EXPECT_FALSE(PieceSettingsStore::FromBytes({}).has_value());
}

TEST(PieceSettingsStore, AnEntryIsLaidOutAndReadBack) {
    PieceSettingsStore store;
    const PieceSettingsEntry entry = SampleEntry(2, "Air");
    ASSERT_TRUE(WritePieceSettingsEntry(store, 0, "ignored", entry));
    const auto bytes = store.Bytes();
    const std::size_t expectedSize = 848 + 2 * 524 + 4 + 8 + 4 + 12 + 8;
    ASSERT_EQ(bytes.size(), expectedSize);
    EXPECT_EQ(Be32(bytes, 4), expectedSize);
    EXPECT_EQ(bytes[8], 1);  // slot 0 is named " "
    EXPECT_EQ(bytes[9], ' ');
    EXPECT_EQ(bytes[8 + 32 + 12], 0xFF);  // masterTranspose -3, big-endian
    EXPECT_EQ(bytes[8 + 32 + 13], 0xFD);
    // Blocks in entry order, each appended at the end.
    EXPECT_EQ(Be32(bytes, 8 + 112), 848u);
    EXPECT_EQ(Be32(bytes, 8 + 116), 1048u);
    EXPECT_EQ(Be32(bytes, 8 + 120), 1896u);
    EXPECT_EQ(Be32(bytes, 8 + 124), 4u);
    EXPECT_EQ(Be32(bytes, 8 + 144), 0u);  // no Wait for Special Signal markers
    EXPECT_EQ(Be32(bytes, 8 + 148), 0u);
    EXPECT_EQ(Bytes(bytes.begin() + 1896, bytes.begin() + 1900), (Bytes{3, 'A', 'i', 'r'}));
    ASSERT_EQ(store.SlotName(0), " ");
    const auto back = ReadPieceSettingsEntry(store, 0);
    ASSERT_TRUE(back.has_value());
    ExpectSameEntry(*back, entry);
}

TEST(PieceSettingsStore, ValuesOutOfRangeReadBackAsTheirDefaults) {
    PieceSettingsStore store;
    PieceSettingsEntry entry = SampleEntry(1, "");
    entry.settings.masterVolume = 513;
    entry.settings.tempoScale = 0;
    entry.settings.masterTranspose = -128;
    entry.settings.followTrack2 = -4;
    entry.settings.viewOrder = {0, 1, 2, 3, 4, 5, 6, 6};
    entry.settings.viewShown[2] = 3;
    entry.settings.twoFollowTracks = 2;
    entry.tracks[0].volume = 385;
    entry.tracks[0].transpose = 200;
    entry.tracks[0].port = 8;
    entry.tracks[0].play = 2;
    entry.tracks[0].programTable[4] = 6;     // entry 0's substitute: no such kind
    entry.tracks[0].programTable[13] = 128;  // entry 1's substitute: no such program
    entry.tracks[0].programTable[1] = 200;   // the file's own patch is not applied: kept
    entry.markers.rehearsalPoints = {ScorePosition{1000}, ScorePosition{-5}, ScorePosition{2000}};
    entry.markers.ignoreSoloist = {{ScorePosition{3000}, ScorePosition{2000}},
                                   {ScorePosition{4000}, ScorePosition{5000}}};
    ASSERT_TRUE(WritePieceSettingsEntry(store, 1, "Damaged", entry));
    const auto back = ReadPieceSettingsEntry(store, 1);
    ASSERT_TRUE(back.has_value());
    const PieceSettings defaults = PieceSettings{};
    EXPECT_EQ(back->settings.masterVolume, defaults.masterVolume);
    EXPECT_EQ(back->settings.tempoScale, defaults.tempoScale);
    EXPECT_EQ(back->settings.masterTranspose, 0);
    EXPECT_EQ(back->settings.followTrack2, 0);
    EXPECT_EQ(back->settings.viewOrder, defaults.viewOrder);
    EXPECT_EQ(back->settings.viewShown[2], 1);
    EXPECT_EQ(back->settings.twoFollowTracks, 0);
    const TrackSettingsBlock& track = back->tracks[0];
    EXPECT_EQ(track.volume, 256);
    EXPECT_EQ(track.transpose, 0);
    EXPECT_EQ(track.port, 0);
    EXPECT_EQ(track.play, 1);
    EXPECT_EQ(Bytes(track.programTable.begin() + 4, track.programTable.begin() + 8),
              (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Bytes(track.programTable.begin() + 12, track.programTable.begin() + 16),
              (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(track.programTable[1], 200);
    EXPECT_EQ(back->markers.rehearsalPoints,
              (std::vector<ScorePosition>{ScorePosition{1000}, ScorePosition{2000}}));
    ASSERT_EQ(back->markers.ignoreSoloist.size(), 1u);
    EXPECT_EQ(back->markers.ignoreSoloist[0].start, ScorePosition{4000});
}

TEST(PieceSettingsStore, SlotNamesAreGivenKeptOrCut) {
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 2, "Concert", SampleEntry(1, "")));
    EXPECT_EQ(store.SlotName(2), "Concert");
    ASSERT_TRUE(WritePieceSettingsEntry(store, 2, std::nullopt, SampleEntry(3, "")));
    EXPECT_EQ(store.SlotName(2), "Concert");
    ASSERT_TRUE(WritePieceSettingsEntry(store, 3, std::string(40, 'n'), SampleEntry(1, "")));
    EXPECT_EQ(store.SlotName(3), std::string(31, 'n'));
    ASSERT_TRUE(WritePieceSettingsEntry(store, 2, "Rehearsal", SampleEntry(1, "")));
    EXPECT_EQ(store.SlotName(2), "Rehearsal");
    // A display name that is gone takes its block away.
    ASSERT_TRUE(WritePieceSettingsEntry(store, 3, std::nullopt, SampleEntry(1, "")));
    EXPECT_EQ(store.Block(3, PieceBlock::DisplayName).length, 0u);
}

TEST(PieceSettingsStore, RemovingABlockMovesEveryLaterOffsetInAllEntries) {
    PieceSettingsStore store;
    const PieceSettingsEntry first = SampleEntry(1, "One");
    const PieceSettingsEntry second = SampleEntry(3, "Two");
    ASSERT_TRUE(WritePieceSettingsEntry(store, 1, "A", first));
    ASSERT_TRUE(WritePieceSettingsEntry(store, 4, "B", second));
    const PieceBlockRef tracks = store.Block(1, PieceBlock::Tracks);
    const PieceBlockRef laterOwn = store.Block(1, PieceBlock::DisplayName);
    const PieceBlockRef laterOther = store.Block(4, PieceBlock::Tracks);
    const std::size_t size = store.Bytes().size();

    store.RemoveBlock(1, PieceBlock::Tracks);
    EXPECT_EQ(store.Block(1, PieceBlock::Tracks).offset, 0u);
    EXPECT_EQ(store.Block(1, PieceBlock::Tracks).length, 0u);
    EXPECT_EQ(store.Block(1, PieceBlock::DisplayName).offset, laterOwn.offset - tracks.length);
    EXPECT_EQ(store.Block(4, PieceBlock::Tracks).offset, laterOther.offset - tracks.length);
    EXPECT_EQ(store.Bytes().size(), size - tracks.length);
    EXPECT_EQ(Be32(store.Bytes(), 4), size - tracks.length);

    PieceSettingsEntry firstWithoutTracks = first;
    firstWithoutTracks.tracks.clear();
    ExpectSameEntry(*ReadPieceSettingsEntry(store, 1), firstWithoutTracks);
    ExpectSameEntry(*ReadPieceSettingsEntry(store, 4), second);
}

TEST(PieceSettingsStore, ReplacingWithNothingRemoves) {
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 1, "A", SampleEntry(1, "Name")));
    const std::size_t size = store.Bytes().size();
    ASSERT_TRUE(store.ReplaceBlock(1, PieceBlock::DisplayName, {}));
    EXPECT_EQ(store.Bytes().size(), size - 5);
    EXPECT_EQ(store.Block(1, PieceBlock::DisplayName).offset, 0u);
    EXPECT_EQ(ReadPieceSettingsEntry(store, 1)->displayName, "");
}

TEST(PieceSettingsStore, DamagedReferencesFailTheEntryAndAreOnlyCleared) {
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 1, "A", SampleEntry(1, "N")));
    Bytes bytes(store.Bytes().begin(), store.Bytes().end());
    // Slot 1's Restore Tempo block now claims to reach past the end.
    const std::size_t lengthAt = 8 + 168 + 152 + 4;
    bytes[lengthAt] = 0x10;
    auto damaged = PieceSettingsStore::FromBytes(bytes);
    ASSERT_TRUE(damaged.has_value());
    EXPECT_FALSE(ReadPieceSettingsEntry(*damaged, 1).has_value());
    damaged->RemoveBlock(1, PieceBlock::RestoreTempo);
    EXPECT_EQ(damaged->Bytes().size(), bytes.size());
    const auto repaired = ReadPieceSettingsEntry(*damaged, 1);
    ASSERT_TRUE(repaired.has_value());
    EXPECT_TRUE(repaired->markers.restoreTempo.empty());
    EXPECT_EQ(repaired->markers.rehearsalPoints,
              (std::vector<ScorePosition>{ScorePosition{1000}, ScorePosition{2000}}));

    // A track block that is not a whole number of blocks fails the entry too.
    Bytes partial(store.Bytes().begin(), store.Bytes().end());
    partial[8 + 168 + 116 + 3] = 0x0B;  // length 523 instead of 524
    EXPECT_FALSE(ReadPieceSettingsEntry(*PieceSettingsStore::FromBytes(partial), 1).has_value());
}

TEST(PieceSettingsStore, RemovingASlotMovesTheLaterSlotsDown) {
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 0, std::nullopt, SampleEntry(1, "Zero")));
    ASSERT_TRUE(WritePieceSettingsEntry(store, 1, "One", SampleEntry(1, "1")));
    ASSERT_TRUE(WritePieceSettingsEntry(store, 2, "Two", SampleEntry(2, "2")));
    const PieceSettingsEntry third = SampleEntry(3, "3");
    ASSERT_TRUE(WritePieceSettingsEntry(store, 3, "Three", third));
    store.RemoveSlot(2);
    EXPECT_EQ(store.SlotName(1), "One");
    EXPECT_EQ(store.SlotName(2), "Three");
    EXPECT_FALSE(store.SlotUsed(3));
    EXPECT_FALSE(store.SlotUsed(4));
    ExpectSameEntry(*ReadPieceSettingsEntry(store, 2), third);
    EXPECT_EQ(ReadPieceSettingsEntry(store, 0)->displayName, "Zero");
    EXPECT_EQ(ReadPieceSettingsEntry(store, 1)->displayName, "1");
    for (int index = 0; index < kPieceBlockCount; ++index)
        EXPECT_EQ(store.Block(3, static_cast<PieceBlock>(index)).length, 0u);
}

}  // namespace
}  // namespace ostinel
