#include "settings/piece_settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "sequence/midi_file_writer.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes TwoTrackFile() {
    std::vector<MidiFileTrack> tracks(2);
    tracks[0].AddTempo(0, 500000);
    tracks[0].AddTimeSignature(0, 4, 2);
    const std::uint8_t noteOn[] = {0x90, 60, 100};
    const std::uint8_t noteOff[] = {0x80, 60, 0};
    tracks[1].AddMessage(0, noteOn);
    tracks[1].AddMessage(480, noteOff);
    return EncodeMidiFile(1, 480, tracks);
}

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Be32(const Bytes& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

PieceSettingsEntry SampleEntry() {
    PieceSettingsEntry entry;
    entry.settings = DefaultPieceSettings(2000);
    entry.settings.tempoScale = 2048;
    entry.tracks.resize(2);
    entry.tracks[1].name = "Melody";
    entry.displayName = "Little tune";
    entry.markers.waitForSoloist = {ScorePosition{500}};
    return entry;
}

constexpr std::size_t kFirstEventAt = 22;  // 14 header bytes, "MTrk" and its length
constexpr std::size_t kTrackLengthAt = 18;

TEST(PieceSettingsEvent, EmptyStoreEventBytes) {
    const Bytes event = EncodePieceSettingsEvent(PieceSettingsStore());
    ASSERT_EQ(event.size(), 848u + 8 + 2);
    // L = 853 = 6 x 128 + 85
    EXPECT_EQ(Bytes(event.begin(), event.begin() + 18),
              (Bytes{0x00, 0xFF, 0x7F, 0x86, 0x55, 0x00, 0x6B, 0x3D, 0x04, 0x00, 0x00, 0x04, 0x00,
                     0x00, 0x00, 0x00, 0x03, 0x50}));
}

TEST(PieceSettingsEvent, InsertedAtTheFirstTrackStartWithTheTrackLengthGrown) {
    const Bytes file = TwoTrackFile();
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 0, std::nullopt, SampleEntry()));
    const auto changed = ReplacePieceSettingsEvent(file, store);
    ASSERT_TRUE(changed.has_value());
    const Bytes event = EncodePieceSettingsEvent(store);
    ASSERT_EQ(changed->size(), file.size() + event.size());
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + kTrackLengthAt, changed->begin()));
    EXPECT_EQ(Be32(*changed, kTrackLengthAt), Be32(file, kTrackLengthAt) + event.size());
    EXPECT_TRUE(std::equal(event.begin(), event.end(), changed->begin() + kFirstEventAt));
    EXPECT_TRUE(std::equal(file.begin() + kFirstEventAt, file.end(),
                           changed->begin() + kFirstEventAt + static_cast<long>(event.size())));

    const auto found = FindPieceSettingsStore(*changed);
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::ranges::equal(found->Bytes(), store.Bytes()));

    // Replacing it again with the same blob changes nothing; an empty store shrinks it back.
    EXPECT_EQ(ReplacePieceSettingsEvent(*changed, store), changed);
    const auto emptied = ReplacePieceSettingsEvent(*changed, PieceSettingsStore());
    ASSERT_TRUE(emptied.has_value());
    EXPECT_EQ(emptied->size(), file.size() + 858);
    EXPECT_EQ(Be32(*emptied, kTrackLengthAt), Be32(file, kTrackLengthAt) + 858);
}

TEST(PieceSettingsEvent, TheLengthQuantityGrowsFromTwoToThreeBytes) {
    const Bytes file = TwoTrackFile();
    PieceSettingsStore store;
    // 16378 bytes make L = 16383, the largest two-byte quantity.
    ASSERT_TRUE(store.ReplaceBlock(1, PieceBlock::RehearsalPoints, Bytes(16378 - 848, 0)));
    const auto two = ReplacePieceSettingsEvent(file, store);
    ASSERT_TRUE(two.has_value());
    EXPECT_EQ((*two)[kFirstEventAt + 3], 0xFF);
    EXPECT_EQ((*two)[kFirstEventAt + 4], 0x7F);
    ASSERT_TRUE(store.ReplaceBlock(1, PieceBlock::RehearsalPoints, Bytes(16379 - 848, 0)));
    const auto three = ReplacePieceSettingsEvent(*two, store);
    ASSERT_TRUE(three.has_value());
    EXPECT_EQ(Bytes(three->begin() + kFirstEventAt + 3, three->begin() + kFirstEventAt + 6),
              (Bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(three->size(), file.size() + 16379 + 8 + 3);
    EXPECT_EQ(Be32(*three, kTrackLengthAt), Be32(file, kTrackLengthAt) + 16379 + 8 + 3);
    EXPECT_TRUE(std::ranges::equal(FindPieceSettingsStore(*three)->Bytes(), store.Bytes()));
}

TEST(PieceSettingsEvent, AFileWithoutOneOrWithADamagedOneReadsAsEmpty) {
    const Bytes file = TwoTrackFile();
    EXPECT_EQ(FindPieceSettingsStore(file)->Bytes().size(), 848u);

    const Bytes withEvent = *ReplacePieceSettingsEvent(file, PieceSettingsStore());
    Bytes wrongSize = withEvent;
    wrongSize[kFirstEventAt + 17] = 0x51;  // size field 849, L - 5 is 848
    EXPECT_EQ(FindPieceSettingsStore(wrongSize)->Bytes().size(), 848u);
    EXPECT_FALSE(FindPieceSettingsStore(wrongSize)->SlotUsed(0));

    // Cut inside the blob: read as empty, and a write replaces what is left.
    PieceSettingsStore full;
    ASSERT_TRUE(WritePieceSettingsEntry(full, 0, std::nullopt, SampleEntry()));
    const Bytes stored = *ReplacePieceSettingsEvent(file, full);
    const Bytes cut(stored.begin(), stored.begin() + 400);
    const auto found = FindPieceSettingsStore(cut);
    ASSERT_TRUE(found.has_value());
    EXPECT_FALSE(found->SlotUsed(0));
    const auto rewritten = ReplacePieceSettingsEvent(cut, full);
    ASSERT_TRUE(rewritten.has_value());
    EXPECT_EQ(rewritten->size(), kFirstEventAt + EncodePieceSettingsEvent(full).size());
}

TEST(PieceSettingsEvent, OnlyMidiFilesAreRead) {
    const Bytes file = TwoTrackFile();
    EXPECT_FALSE(FindPieceSettingsStore({}).has_value());
    EXPECT_FALSE(FindPieceSettingsStore(Bytes(file.begin(), file.begin() + 21)).has_value());
    Bytes noTrack = file;
    noTrack[14] = 'X';
    EXPECT_FALSE(FindPieceSettingsStore(noTrack).has_value());
    EXPECT_FALSE(ReplacePieceSettingsEvent(noTrack, PieceSettingsStore()).has_value());
    Bytes hugeHeader = file;
    hugeHeader[4] = 0x7F;
    EXPECT_FALSE(FindPieceSettingsStore(hugeHeader).has_value());
    // The event start alone, or a length quantity that never ends, is no event.
    Bytes endless(file.begin(), file.begin() + kFirstEventAt);
    endless.insert(endless.end(), {0x00, 0xFF, 0x7F, 0x80, 0x80, 0x80, 0x80, 0x80});
    EXPECT_FALSE(FindPieceSettingsStore(endless)->SlotUsed(0));
}

TEST(PieceSettingsEvent, EveryCutAndEveryChangedHeaderByteGivesAnAnswer) {
    PieceSettingsStore store;
    ASSERT_TRUE(WritePieceSettingsEntry(store, 0, std::nullopt, SampleEntry()));
    const Bytes stored = *ReplacePieceSettingsEvent(TwoTrackFile(), store);
    const std::size_t eventEnd = kFirstEventAt + EncodePieceSettingsEvent(store).size();
    for (std::size_t length = 0; length <= stored.size(); ++length) {
        const std::span<const std::uint8_t> cut(stored.data(), length);
        const auto found = FindPieceSettingsStore(cut);
        EXPECT_EQ(found.has_value(), length >= kFirstEventAt) << length;
        if (found) {
            EXPECT_EQ(found->SlotUsed(0), length >= eventEnd) << length;
        }
        EXPECT_EQ(ReplacePieceSettingsEvent(cut, store).has_value(), length >= kFirstEventAt);
    }
    for (std::size_t at = 0; at < kFirstEventAt + 40; ++at) {
        for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            Bytes changed = stored;
            changed[at] = value;
            const auto found = FindPieceSettingsStore(changed);
            if (found) {
                EXPECT_GE(found->Bytes().size(), 848u);
            }
            const auto rewritten = ReplacePieceSettingsEvent(changed, store);
            if (rewritten) {
                EXPECT_TRUE(FindPieceSettingsStore(*rewritten)->SlotUsed(0)) << at;
            }
        }
    }
}

TEST(PieceSettingsFile, StoreAndReadBackThroughTheFile) {
    const ostinel::testing::TestFolder folder("piece-settings");
    const std::string path = folder.Write("tune.mid", TwoTrackFile());
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(StorePieceSettings(path, 0, std::nullopt, SampleEntry()));
    PieceSettingsEntry named = SampleEntry();
    named.displayName.clear();
    ASSERT_TRUE(StorePieceSettings(path, 1, "Slow", named));

    const auto store = ReadPieceSettingsStore(path);
    ASSERT_TRUE(store.has_value());
    EXPECT_EQ(store->SlotName(0), " ");
    EXPECT_EQ(store->SlotName(1), "Slow");
    const auto slot1 = ReadPieceSettingsEntry(*store, 1);
    ASSERT_TRUE(slot1.has_value());
    EXPECT_EQ(slot1->settings.tempoScale, 2048);
    EXPECT_EQ(slot1->tracks[1].name, "Melody");
    EXPECT_EQ(slot1->displayName, "");
    EXPECT_EQ(ReadPieceSettingsEntry(*store, 0)->displayName, "Little tune");

    const Bytes written = FileBytes(path);
    const Bytes original = TwoTrackFile();
    EXPECT_TRUE(std::equal(original.begin() + kFirstEventAt, original.end(),
                           written.end() - static_cast<long>(original.size() - kFirstEventAt)));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(PieceSettingsFile, WritingThroughALinkChangesTheFileItNames) {
    const ostinel::testing::TestFolder folder("piece-settings");
    const std::string path = folder.Write("tune.mid", TwoTrackFile());
    const std::string link = (folder / "link.mid").string();
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(StorePieceSettings(link, 0, std::nullopt, SampleEntry()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(ReadPieceSettingsStore(path)->SlotUsed(0));
}

TEST(PieceSettingsFile, AFailedWriteLeavesTheFileWhole) {
    const ostinel::testing::TestFolder folder("piece-settings");
    const std::string path = folder.Write("tune.mid", TwoTrackFile());
    ASSERT_TRUE(StorePieceSettings(path, 0, std::nullopt, SampleEntry()));
    const Bytes before = FileBytes(path);
    // Every temporary name the writer may try is taken.
    for (int attempt = 1; attempt <= 100; ++attempt)
        std::filesystem::create_directory(path + ".part" + std::to_string(attempt));
    PieceSettingsEntry changed = SampleEntry();
    changed.settings.masterVolume = 100;
    EXPECT_FALSE(StorePieceSettings(path, 2, "New", changed));
    EXPECT_EQ(FileBytes(path), before);
}

TEST(PieceSettingsFile, MissingAndForeignFilesAreRefusedUnchanged) {
    const ostinel::testing::TestFolder folder("piece-settings");
    const std::string missing = (folder / "none.mid").string();
    EXPECT_FALSE(ReadPieceSettingsStore(missing).has_value());
    EXPECT_FALSE(StorePieceSettings(missing, 0, std::nullopt, SampleEntry()));
    EXPECT_FALSE(std::filesystem::exists(missing));

    const Bytes text{'h', 'e', 'l', 'l', 'o', '\n'};
    const std::string foreign = folder.Write("notes.txt", text);
    EXPECT_FALSE(ReadPieceSettingsStore(foreign).has_value());
    EXPECT_FALSE(WritePieceSettingsStore(foreign, PieceSettingsStore()));
    EXPECT_EQ(FileBytes(foreign), text);

    EXPECT_TRUE(StorePieceSettings("", 0, std::nullopt, SampleEntry()));  // no piece open
}

}  // namespace
}  // namespace ostinel
