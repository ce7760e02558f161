// Meta events: the first track's key, meter and other meta events, and the
// port and name events of the other tracks.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

using testing::LoadFile;

Piece LoadWithConductor(const smf::TrackBuilder& conductor) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().RawBytes(conductor.Events());
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    return piece;
}

struct KeyCase {
    int sharpsOrFlats;
    bool minor;
    int key;
    bool flats;
};

class PieceInitialKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PieceInitialKey, ComesFromTheFirstKeySignature) {
    const KeyCase& c = GetParam();
    smf::TrackBuilder conductor;
    conductor.KeySignature(0, c.sharpsOrFlats, c.minor).KeySignature(10, 3, false).EndOfTrack();
    const Piece piece = LoadWithConductor(conductor);
    EXPECT_EQ(piece.initialKey, c.key);
    EXPECT_EQ(piece.initialKeyHasFlats, c.flats);
}

INSTANTIATE_TEST_SUITE_P(PieceKeysMajorAndMinor, PieceInitialKey,
                         ::testing::Values(KeyCase{0, false, 7, false},    // C major
                                           KeyCase{-7, false, 0, true},    // C flat major
                                           KeyCase{7, false, 14, false},   // C sharp major
                                           KeyCase{-3, false, 4, true},    // E flat major
                                           KeyCase{0, true, 22, false},    // A minor
                                           KeyCase{-7, true, 15, true},    // A flat minor
                                           KeyCase{7, true, 29, false},    // A sharp minor
                                           KeyCase{2, true, 24, false}));  // B minor

TEST(ReaderMeta, NoKeySignatureLeavesTheKeyUnknown) {
    smf::TrackBuilder conductor;
    conductor.Tempo(0, 500000).EndOfTrack();
    const Piece piece = LoadWithConductor(conductor);
    EXPECT_EQ(piece.initialKey, -1);
    EXPECT_FALSE(piece.initialKeyHasFlats);
}

TEST(ReaderMeta, KeySignatureBeyondSevenAccidentalsNamesNoKey) {
    smf::TrackBuilder conductor;
    conductor.Meta(0, 0x59, {0x09, 0x00}).EndOfTrack();
    const Piece piece = LoadWithConductor(conductor);
    EXPECT_EQ(piece.initialKey, -1);
    EXPECT_FALSE(piece.conductorMeta.empty()) << "the event itself is still kept";
}

TEST(ReaderMeta, FirstTimeSignatureSetsTheInitialMeter) {
    smf::TrackBuilder conductor;
    conductor.TimeSignature(0, 6, 3, 36, 8).TimeSignature(1440, 2, 2).EndOfTrack();
    const Piece piece = LoadWithConductor(conductor);
    EXPECT_EQ(piece.initialMeter.numerator, 6);
    EXPECT_EQ(piece.initialMeter.denominator, 8u);
    ASSERT_EQ(piece.meters.size(), 3u);
    EXPECT_EQ(piece.meters[0].tick, 0);
    EXPECT_EQ(piece.meters[0].clocksPerClick, 36);
    EXPECT_EQ(piece.meters[0].thirtySecondsPerQuarter, 8);
    EXPECT_EQ(piece.meters[1].tick, 1440);
    EXPECT_EQ(piece.meters[1].numerator, 2);
    EXPECT_EQ(piece.meters[2].tick, kEndTick);
}

TEST(ReaderMeta, NoTimeSignatureMeansFourFour) {
    smf::TrackBuilder conductor;
    conductor.EndOfTrack();
    const Piece piece = LoadWithConductor(conductor);
    EXPECT_EQ(piece.initialMeter.numerator, 4);
    EXPECT_EQ(piece.initialMeter.denominator, 4u);
}

void AppendEntry(std::vector<std::uint8_t>& stream, std::uint32_t tick, std::uint8_t type,
                 const std::vector<std::uint8_t>& lengthBytes,
                 const std::vector<std::uint8_t>& data) {
    std::uint8_t native[4];
    std::memcpy(native, &tick, sizeof native);
    stream.insert(stream.end(), native, native + 4);
    stream.push_back(type);
    stream.insert(stream.end(), lengthBytes.begin(), lengthBytes.end());
    stream.insert(stream.end(), data.begin(), data.end());
}

TEST(ReaderMeta, ConductorStreamKeepsOtherMetaEventsWithTheirTicks) {
    const std::vector<std::uint8_t> longText(200, 'x');
    const std::vector<std::uint8_t> otherVendor = {0x00, 0x00, 0x41, 0x01, 0x02};
    smf::TrackBuilder conductor;
    conductor.TrackName(0, "Song")
        .Tempo(0, 500000)
        .TimeSignature(0, 3, 2)
        .Meta(0, 0x7F, {0x00, 0x6B, 0x3D, 0x04, 0x00, 0x01, 0x02})  // the program's settings
        .Meta(10, 0x7F, otherVendor)
        .Meta(10, 0x7F, {0x00, 0x6B, 0x3D, 0x04})  // too short to be the settings event
        .Meta(20, 0x06, longText)
        .KeySignature(0, -2, true)
        .EndOfTrack(5);
    const Piece piece = LoadWithConductor(conductor);

    std::vector<std::uint8_t> expected;
    AppendEntry(expected, 0, 0x03, {4}, {'S', 'o', 'n', 'g'});
    AppendEntry(expected, 10, 0x7F, {5}, otherVendor);
    AppendEntry(expected, 20, 0x7F, {4}, {0x00, 0x6B, 0x3D, 0x04});
    AppendEntry(expected, 40, 0x06, {0x81, 0x48}, longText);
    AppendEntry(expected, 40, 0x59, {2}, {0xFE, 0x01});
    EXPECT_EQ(piece.conductorMeta, expected);
}

Piece LoadTracks(const std::vector<smf::TrackBuilder>& tracks, int format = 1) {
    smf::FileBuilder file(format, 480);
    if (format == 1) file.AddTrack().EndOfTrack();
    for (const smf::TrackBuilder& track : tracks)
        file.AddTrack().RawBytes(track.Events());
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    return piece;
}

smf::TrackBuilder PortTrack(std::string_view port) {
    smf::TrackBuilder track;
    track.Port(0, port).NoteOn(0, 0, 60, 100).EndOfTrack();
    return track;
}

TEST(ReaderMeta, PortNamesNumberTheFilePortsInOrderOfFirstUse) {
    const Piece piece = LoadTracks({PortTrack("B"), PortTrack("A"), PortTrack("B")});
    ASSERT_EQ(piece.TrackCount(), 3);
    EXPECT_EQ(piece.tracks[0].filePort, 0);
    EXPECT_EQ(piece.tracks[1].filePort, 1);
    EXPECT_EQ(piece.tracks[2].filePort, 0);
}

TEST(ReaderMeta, PortNamesBeyondEightWrapAroundToTheFirstPorts) {
    std::vector<smf::TrackBuilder> tracks;
    for (char name = 'A'; name <= 'J'; ++name)
        tracks.push_back(PortTrack(std::string(1, name)));
    tracks.push_back(PortTrack("C"));
    const Piece piece = LoadTracks(tracks);
    ASSERT_EQ(piece.TrackCount(), 11);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(piece.tracks[static_cast<std::size_t>(i)].filePort, i);
    EXPECT_EQ(piece.tracks[8].filePort, 0) << "ninth name";
    EXPECT_EQ(piece.tracks[9].filePort, 1) << "tenth name";
    EXPECT_EQ(piece.tracks[10].filePort, 2) << "C is still the third";
}

TEST(ReaderMeta, PortNamesAreComparedOnTheirFirst255Bytes) {
    const std::string base(255, 'p');
    const Piece piece =
        LoadTracks({PortTrack("other"), PortTrack(base + "1"), PortTrack(base + "2")});
    EXPECT_EQ(piece.tracks[1].filePort, 1);
    EXPECT_EQ(piece.tracks[2].filePort, 1);
}

TEST(ReaderMeta, PortNameInASplitFileSetsEveryChannelTrack) {
    smf::TrackBuilder track;
    track.Port(0, "X").Port(0, "Y").NoteOn(0, 0, 60, 100).NoteOn(0, 3, 60, 100).EndOfTrack();
    const Piece piece = LoadTracks({track}, 0);
    ASSERT_EQ(piece.TrackCount(), 2);
    EXPECT_EQ(piece.tracks[0].filePort, 1);
    EXPECT_EQ(piece.tracks[1].filePort, 1);
}

TEST(PieceTrackNames, TrackNameWinsOverTextAndTheLastNameWins) {
    smf::TrackBuilder textOnly;
    textOnly.Text(0, 0x01, "from text")
        .Text(0, 0x01, "second text")
        .NoteOn(0, 0, 60, 1)
        .EndOfTrack();
    smf::TrackBuilder textThenName;
    textThenName.Text(0, 0x01, "text").TrackName(0, "Name").NoteOn(0, 0, 60, 1).EndOfTrack();
    smf::TrackBuilder twoNames;
    twoNames.TrackName(0, "First").NoteOn(0, 0, 60, 1).TrackName(0, "Second").Text(0, 0x01, "t");
    twoNames.EndOfTrack();
    const Piece piece = LoadTracks({textOnly, textThenName, twoNames});
    EXPECT_EQ(piece.tracks[0].name, "from text");
    EXPECT_EQ(piece.tracks[1].name, "Name");
    EXPECT_EQ(piece.tracks[2].name, "Second");
}

TEST(PieceTrackNames, NamesInSplitFilesAreIgnored) {
    smf::TrackBuilder track;
    track.TrackName(0, "Whole file").NoteOn(0, 0, 60, 1).NoteOn(0, 1, 60, 1).EndOfTrack();
    const Piece piece = LoadTracks({track}, 0);
    EXPECT_EQ(piece.tracks[0].name, "Track 1");
    EXPECT_EQ(piece.tracks[1].name, "Track 2");
}

TEST(PieceTrackNames, UnnamedTracksAreNumberedAfterEmptyTracksAreRemoved) {
    smf::TrackBuilder silent;
    silent.TrackName(0, "Lyrics").Text(0, 0x05, "la").SysEx(0, {0x01, 0xF7}).EndOfTrack();
    smf::TrackBuilder unnamed;
    unnamed.NoteOn(0, 0, 60, 1).EndOfTrack();
    smf::TrackBuilder named;
    named.TrackName(0, "Bass").NoteOn(0, 1, 40, 1).EndOfTrack();
    const Piece piece = LoadTracks({silent, unnamed, silent, named, unnamed});
    ASSERT_EQ(piece.TrackCount(), 3);
    EXPECT_EQ(piece.tracks[0].name, "Track 1");
    EXPECT_EQ(piece.tracks[1].name, "Bass");
    EXPECT_EQ(piece.tracks[2].name, "Track 3");
    EXPECT_EQ(piece.tracks[3].name, "(Performance Track)");
}

TEST(PieceTrackNames, EmptyNameCountsAsNoName) {
    smf::TrackBuilder track;
    track.TrackName(0, "").Text(0, 0x01, "from text").NoteOn(0, 0, 60, 1).EndOfTrack();
    const Piece piece = LoadTracks({track});
    EXPECT_EQ(piece.tracks[0].name, "from text");
}

}  // namespace
}  // namespace ostinel
