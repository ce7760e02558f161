#include "settings/settings_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ostinel {
namespace {

TEST(SystemSettingsRecord, DefaultsSitAtTheirOffsetsLittleEndian) {
    const SystemSettingsBytes bytes = EncodeSystemSettings(DefaultSystemSettings());
    EXPECT_EQ(bytes[0], 0x88);  // 5000 = 0x1388
    EXPECT_EQ(bytes[1], 0x13);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[6], 4);      // timingFollowLevel
    EXPECT_EQ(bytes[8], 2);      // volumeFollowLevel
    EXPECT_EQ(bytes[12], 3);     // loopRestartDelaySec
    EXPECT_EQ(bytes[16], 0xFD);  // thruChannel -3
    EXPECT_EQ(bytes[17], 0xFF);
    EXPECT_EQ(bytes[54], 0xFE);  // thruPort -2
    EXPECT_EQ(bytes[59], 0xFF);  // syncPort -2, high byte
    EXPECT_EQ(bytes[62], 3);     // frameRate
    EXPECT_EQ(bytes[68], 1);     // tempoAfterPerformed
    EXPECT_EQ(bytes[72], 0xFE);  // reserved, written -2
    EXPECT_EQ(bytes[75], 0xFF);
    EXPECT_EQ(bytes[76], 9);    // metronomeChannel
    EXPECT_EQ(bytes[77], 255);  // metronomePatch
    EXPECT_EQ(bytes[78], 75);
    EXPECT_EQ(bytes[79], 127);
    EXPECT_EQ(bytes[81], 100);
    EXPECT_EQ(bytes[91], 1);    // jumpEnabled
    EXPECT_EQ(bytes[95], 255);  // tapNote
    EXPECT_EQ(bytes[96], 255);  // tapController
    for (std::size_t at = 97; at < 225; ++at)
        EXPECT_EQ(bytes[at], 1) << "channelEnabled at " << at;
    EXPECT_EQ(bytes[225], 1);  // requireShiftDrag
    EXPECT_EQ(bytes[230], 0);
    EXPECT_EQ(bytes[231], 1);  // allowViewsToMove
    EXPECT_EQ(bytes[235], 0);
}

TEST(SystemSettingsRecord, EveryFieldRoundTrips) {
    SystemSettings settings;
    settings.autoStopDelayMs = 0x01020304;
    settings.followSource = 1;
    settings.reserved14 = 0xBEEF;
    settings.thruChannel = 15;
    settings.inputDevice[7] = 0x1234;
    settings.outputDevice[0] = 3;
    settings.syncPort = 5;
    settings.reserved74 = 7;
    settings.tapController = 64;
    settings.channelEnabled[127] = 0;
    settings.reserved227 = 9;
    settings.allowViewsToMove = 0;
    settings.reserved232 = {1, 2, 3, 4};
    const SystemSettingsBytes bytes = EncodeSystemSettings(settings);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[34], 0x34);  // inputDevice[7]
    EXPECT_EQ(bytes[35], 0x12);
    EXPECT_EQ(bytes[224], 0);  // the last channel of port H
    EXPECT_EQ(bytes[232], 1);
    EXPECT_EQ(bytes[235], 4);
    const auto back = DecodeSystemSettings(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, settings);
}

TEST(SystemSettingsRecord, WrongSizesAreRefused) {
    const SystemSettingsBytes bytes = EncodeSystemSettings(DefaultSystemSettings());
    const std::span<const std::uint8_t> all(bytes);
    EXPECT_FALSE(DecodeSystemSettings(all.first(235)).has_value());
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_FALSE(DecodeSystemSettings(longer).has_value());
    EXPECT_FALSE(DecodeSystemSettings({}).has_value());
}

TEST(SystemSettingsRecord, FillingDefaultsKeepsTheReservedBytesNeverWritten) {
    SystemSettings settings;
    settings.reserved14 = 0x1111;
    settings.reserved227 = 0x22;
    settings.reserved232 = {9, 8, 7, 6};
    settings.reserved72 = 0;
    settings.autoStopDelayMs = 1;
    settings.thruOn = 1;
    FillSystemSettingsDefaults(settings);
    EXPECT_EQ(settings.reserved14, 0x1111);
    EXPECT_EQ(settings.reserved227, 0x22);
    EXPECT_EQ(settings.reserved232, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
    EXPECT_EQ(settings.reserved72, -2);
    EXPECT_EQ(settings.autoStopDelayMs, 5000u);
    EXPECT_EQ(settings.thruOn, 0);
}

TEST(RemoteTableRecord, DefaultIsAllOnesAndRoundTrips) {
    const RemoteTableBytes none = EncodeRemoteTable(DefaultRemoteTable());
    for (std::uint8_t byte : none)
        EXPECT_EQ(byte, 0xFF);
    RemoteTable table = DefaultRemoteTable();
    table[0] = NoteBinding(60);
    table[13] = ControllerBinding(64);
    const RemoteTableBytes bytes = EncodeRemoteTable(table);
    EXPECT_EQ(bytes[0], 60);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[26], 64);  // 256 + 64, little-endian
    EXPECT_EQ(bytes[27], 1);
    EXPECT_EQ(DecodeRemoteTable(bytes), table);
    EXPECT_FALSE(DecodeRemoteTable(std::span<const std::uint8_t>(bytes).first(27)).has_value());
}

TEST(PieceSettingsRecord, DefaultsAreBigEndianExceptTheViewOrder) {
    const PieceSettingsBytes bytes = EncodePieceSettings(DefaultPieceSettings(0x00012345));
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 20);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0,    0,    0, 0, 0x00, 0x01, 0x23, 0x45, 0x01, 0x00,
                                               0x10, 0x00, 0, 0, 0,    0,    0,    0,    0,    0}));
    for (std::size_t view = 0; view < 8; ++view) {
        EXPECT_EQ(bytes[20 + 2 * view], view);  // little-endian
        EXPECT_EQ(bytes[21 + 2 * view], 0);
        EXPECT_EQ(bytes[68 + view], 1);
    }
    for (std::size_t at = 36; at < 68; ++at)
        EXPECT_EQ(bytes[at], 0);
    EXPECT_EQ(bytes[76], 0);
    EXPECT_EQ(bytes[77], 0);
}

TEST(PieceSettingsRecord, RoundTripsWithSignedPlaces) {
    PieceSettings settings = DefaultPieceSettings(90000);
    settings.loopBeginMs = 1500;
    settings.masterTranspose = -12;
    settings.followTrack2 = 3;
    settings.viewOrder = {7, 6, 5, 4, 3, 2, 1, 0};
    settings.viewPlace[1] = {-100, 250};
    settings.viewShown[5] = 0;
    settings.twoFollowTracks = 1;
    const PieceSettingsBytes bytes = EncodePieceSettings(settings);
    EXPECT_EQ(bytes[12], 0xFF);  // -12 big-endian
    EXPECT_EQ(bytes[13], 0xF4);
    EXPECT_EQ(bytes[40], 0xFF);  // view 1 dy = -100
    EXPECT_EQ(bytes[41], 0x9C);
    EXPECT_EQ(bytes[42], 0x00);  // view 1 dx = 250
    EXPECT_EQ(bytes[43], 0xFA);
    EXPECT_EQ(DecodePieceSettings(bytes), settings);
    EXPECT_FALSE(DecodePieceSettings(std::span<const std::uint8_t>(bytes).first(79)).has_value());
}

TEST(TrackSettingsBlockRecord, FieldsNameAndProgramTableAtTheirOffsets) {
    TrackSettingsBlock block;
    block.volume = 0x0180;
    block.channel = 0x1A;  // only the low four bits are kept
    block.transpose = -2;
    block.port = 5;
    block.play = 0;
    block.substitute = 1;
    block.programTable[0] = 0xAA;
    block.programTable[255] = 0xBB;
    block.name = "Violin";
    const TrackSettingsBlockBytes bytes = EncodeTrackSettingsBlock(block);
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 12);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0x01, 0x80, 0x00, 0x0A, 0xFF, 0xFE, 0x00, 0x05, 0, 0,
                                               0, 1}));
    EXPECT_EQ(bytes[12], 0xAA);
    EXPECT_EQ(bytes[267], 0xBB);
    EXPECT_EQ(bytes[268], 6);
    EXPECT_EQ(bytes[269], 'V');
    EXPECT_EQ(bytes[274], 'n');
    EXPECT_EQ(bytes[275], 0);
    const auto back = DecodeTrackSettingsBlock(bytes);
    ASSERT_TRUE(back.has_value());
    block.channel = 0x0A;
    EXPECT_EQ(*back, block);
}

TEST(TrackSettingsBlockRecord, LongNamesAreCutTo255) {
    TrackSettingsBlock block;
    block.name = std::string(300, 'x');
    const TrackSettingsBlockBytes bytes = EncodeTrackSettingsBlock(block);
    EXPECT_EQ(bytes[268], 255);
    EXPECT_EQ(DecodeTrackSettingsBlock(bytes)->name, std::string(255, 'x'));
}

TEST(TrackSettingsBlockRecord, BlocksOfAllTracksRoundTripAndPartialBlocksAreRefused) {
    std::vector<TrackSettingsBlock> blocks(3);
    blocks[1].name = "Bass";
    blocks[2].port = 7;
    const std::vector<std::uint8_t> bytes = EncodeTrackSettingsBlocks(blocks);
    ASSERT_EQ(bytes.size(), 3 * 524u);
    EXPECT_EQ(DecodeTrackSettingsBlocks(bytes), blocks);
    EXPECT_FALSE(
        DecodeTrackSettingsBlocks(std::span<const std::uint8_t>(bytes).first(1000)).has_value());
}

TEST(DisplayNameRecord, LengthByteThenCharactersAndNothingForNoName) {
    EXPECT_TRUE(EncodeDisplayName("").empty());
    const std::vector<std::uint8_t> bytes = EncodeDisplayName("Air");
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{3, 'A', 'i', 'r'}));
    EXPECT_EQ(DecodeDisplayName(bytes), "Air");
    EXPECT_EQ(DecodeDisplayName({}), "");
    const std::vector<std::uint8_t> shortName{5, 'A', 'i'};
    EXPECT_FALSE(DecodeDisplayName(shortName).has_value());
    EXPECT_EQ(EncodeDisplayName(std::string(400, 'n')).size(), 256u);
}

TEST(MarkerListRecord, BigEndianTimesAndPairs) {
    const std::vector<ScorePosition> markers{ScorePosition{1}, ScorePosition{0x01020304}};
    const std::vector<std::uint8_t> bytes = EncodeMarkerList(markers);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 0, 0, 1, 1, 2, 3, 4}));
    EXPECT_EQ(DecodeMarkerList(bytes), markers);
    EXPECT_FALSE(DecodeMarkerList(std::span<const std::uint8_t>(bytes).first(7)).has_value());

    const std::vector<ScoreRange> ranges{{ScorePosition{1000}, ScorePosition{2000}}};
    const std::vector<std::uint8_t> pairs = EncodeIgnoreRanges(ranges);
    EXPECT_EQ(pairs, (std::vector<std::uint8_t>{0, 0, 0x03, 0xE8, 0, 0, 0x07, 0xD0}));
    const auto back = DecodeIgnoreRanges(pairs);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 1u);
    EXPECT_EQ((*back)[0].start, ScorePosition{1000});
    EXPECT_EQ((*back)[0].end, ScorePosition{2000});
    EXPECT_FALSE(DecodeIgnoreRanges(std::span<const std::uint8_t>(pairs).first(4)).has_value());
}

}  // namespace
}  // namespace ostinel
