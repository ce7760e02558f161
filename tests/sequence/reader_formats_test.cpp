// How each file format becomes tracks: which chunks are read, how events are
// split by channel, and what every kept track starts with.

#include <gtest/gtest.h>

#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

using testing::LoadFile;

std::vector<std::uint8_t> Keys(const Track& track) {
    std::vector<std::uint8_t> keys;
    for (const TrackEvent& event : track.events)
        keys.push_back(event.data1);
    return keys;
}

TEST(ReaderFormats, FormatZeroBecomesOneTrackPerChannelInChannelOrder) {
    smf::FileBuilder file(0, 480);
    file.AddTrack()
        .NoteOn(0, 9, 36, 100)
        .NoteOn(0, 1, 60, 90)
        .NoteOn(0, 0, 48, 80)
        .NoteOff(480, 1, 60)
        .NoteOff(0, 0, 48)
        .NoteOff(0, 9, 36)
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);

    EXPECT_EQ(piece.format, 0);
    ASSERT_EQ(piece.TrackCount(), 3);
    ASSERT_EQ(piece.tracks.size(), 4u);
    EXPECT_EQ(piece.tracks[0].fileChannel, 0);
    EXPECT_EQ(piece.tracks[1].fileChannel, 1);
    EXPECT_EQ(piece.tracks[2].fileChannel, 9);
    EXPECT_EQ(piece.tracks[0].name, "Track 1");
    EXPECT_EQ(piece.tracks[1].name, "Track 2");
    EXPECT_EQ(piece.tracks[2].name, "Track 3");
    EXPECT_EQ(Keys(piece.tracks[0]), (std::vector<std::uint8_t>{48, 48}));
    EXPECT_EQ(Keys(piece.tracks[1]), (std::vector<std::uint8_t>{60, 60}));
    EXPECT_EQ(Keys(piece.tracks[2]), (std::vector<std::uint8_t>{36, 36}));
    EXPECT_EQ(piece.PerformanceTrack().name, "(Performance Track)");
    EXPECT_TRUE(piece.loaded);
}

TEST(ReaderFormats, FormatZeroKeepsItsSystemExclusiveMessagesOnce) {
    smf::FileBuilder file(0, 480);
    file.AddTrack().SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}).NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.sysExList.size(), 1u);
    EXPECT_EQ(piece.sysExBuffers.size(), 1u);
}

TEST(ReaderFormats, FormatOneReadsEveryChunkAfterTheConductorAsOneTrack) {
    smf::FileBuilder file(1, 480);
    file.AddTrack()
        .Tempo(0, 500000)
        .NoteOn(0, 0, 1, 1)
        .EndOfTrack();  // conductor's note is dropped
    file.AddTrack().NoteOn(0, 3, 60, 100).NoteOn(0, 5, 64, 100).EndOfTrack();
    file.AddTrack().Controller(0, 7, 7, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);

    EXPECT_EQ(piece.format, 1);
    ASSERT_EQ(piece.TrackCount(), 2);
    EXPECT_EQ(Keys(piece.tracks[0]), (std::vector<std::uint8_t>{60, 64}));
    EXPECT_EQ(piece.tracks[0].fileChannel, 3) << "the channel of the first channel event";
    EXPECT_EQ(piece.tracks[1].fileChannel, 7);
    EXPECT_EQ(piece.tracks[1].events.at(0).kind, kControlChange);
}

TEST(ReaderFormats, FormatTwoPlaysOnlyTheChunkAfterTheFirstSplitByChannel) {
    smf::FileBuilder file(2, 480);
    file.AddTrack().Tempo(0, 500000).NoteOn(0, 6, 1, 1).EndOfTrack();
    file.AddTrack().NoteOn(0, 2, 62, 100).NoteOn(0, 0, 60, 100).EndOfTrack();
    file.AddTrack().NoteOn(0, 4, 64, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);

    EXPECT_EQ(piece.format, 2);
    ASSERT_EQ(piece.TrackCount(), 2);
    EXPECT_EQ(piece.tracks[0].fileChannel, 0);
    EXPECT_EQ(Keys(piece.tracks[0]), std::vector<std::uint8_t>{60});
    EXPECT_EQ(piece.tracks[1].fileChannel, 2);
    EXPECT_EQ(Keys(piece.tracks[1]), std::vector<std::uint8_t>{62});
}

TEST(ReaderFormats, TempoAndMeterOutsideTheFirstChunkOfFormatOneAreIgnored) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack().Tempo(0, 250000).TimeSignature(0, 3, 2).NoteOn(480, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.tempoMap.size(), 1u) << "only the closing record";
    ASSERT_EQ(piece.meters.size(), 1u);
    EXPECT_EQ(piece.tracks[0].events.at(0).time, 500u) << "480 ticks at 1042 µs";
    EXPECT_EQ(piece.initialMeter.numerator, 4);
}

TEST(ReaderFormats, FormatZeroHeaderWithExtraBytesIsReadAgainFromItsFirstChunk) {
    smf::Bytes bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 10, 0, 0, 0, 1, 0x01, 0xE0, 9, 9, 9, 9};
    smf::TrackBuilder track;
    track.NoteOn(0, 4, 60, 100).NoteOff(480, 4, 60).EndOfTrack();
    const smf::Bytes& events = track.Events();
    const smf::Bytes chunk = {'M', 'T', 'r', 'k',
                              0,   0,   0,   static_cast<std::uint8_t>(events.size())};
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    bytes.insert(bytes.end(), events.begin(), events.end());
    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.TrackCount(), 1);
    EXPECT_EQ(piece.tracks[0].fileChannel, 4);
    EXPECT_EQ(piece.tracks[0].events.size(), 2u);
}

TEST(ReaderFormats, EveryTrackStartsReadyToPlay) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(480, 0, 60).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    for (const Track& track : piece.tracks) {
        EXPECT_EQ(track.count, static_cast<std::int32_t>(track.events.size()));
        EXPECT_EQ(track.nextIndex, 0);
        EXPECT_EQ(track.volume, 256);
        EXPECT_EQ(track.playFlag, 1);
        EXPECT_FALSE(track.userName.has_value());
        EXPECT_EQ(track.chase.pitchBendLsb, kNone);
        EXPECT_EQ(track.chase.pitchBendMsb, kNone);
        EXPECT_EQ(track.chase.programIndex, kNone);
        for (std::uint8_t value : track.chase.controllerValues)
            ASSERT_EQ(value, kNone);
        for (const TrackEvent& event : track.events)
            EXPECT_EQ(event.mark, 0);
    }
    EXPECT_EQ(piece.tracks[0].count, 2);
    EXPECT_EQ(piece.tracks[0].substituteFlag, 0);
    const Track& performance = piece.PerformanceTrack();
    EXPECT_EQ(performance.count, 0);
    EXPECT_EQ(performance.fileChannel, 0);
    EXPECT_EQ(performance.substituteFlag, 1);
}

TEST(ReaderFormats, EventsKeepKindAndDataWithoutTheChannel) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack()
        .NoteOn(0, 5, 60, 100)
        .KeyPressure(0, 5, 60, 33)
        .Controller(0, 5, 64, 127)
        .ChannelPressure(0, 5, 44)
        .PitchWheel(0, 5, 0x2001)
        .NoteOff(0, 5, 60, 12)
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    const std::vector<TrackEvent>& events = piece.tracks[0].events;
    ASSERT_EQ(events.size(), 6u);
    const std::vector<std::array<int, 3>> expected = {
        {kNoteOn, 60, 100},        {kKeyPressure, 60, 33}, {kControlChange, 64, 127},
        {kChannelPressure, 44, 0}, {kPitchWheel, 1, 0x40}, {kNoteOff, 60, 12}};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i][0]) << i;
        EXPECT_EQ(events[i].data1, expected[i][1]) << i;
        EXPECT_EQ(events[i].data2, expected[i][2]) << i;
    }
}

TEST(ReaderFormats, FirstAndLastEventTimesSpanEveryTrack) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).EndOfTrack();
    file.AddTrack().NoteOn(960, 0, 60, 100).NoteOff(480, 0, 60).EndOfTrack();
    file.AddTrack().NoteOn(480, 1, 60, 100).NoteOff(4800, 1, 60).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.firstEventTime, 500u);
    EXPECT_EQ(piece.lastEventTime, 5500u);
}

}  // namespace
}  // namespace ostinel
