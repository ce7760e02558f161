// Running status, system-exclusive messages and the other non-channel bytes
// inside a chunk.

#include <gtest/gtest.h>

#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

using testing::LoadFile;

smf::FileBuilder WithTrack(const smf::TrackBuilder& track, smf::FileBuilder file = {1, 480}) {
    file.AddTrack().EndOfTrack();
    file.AddTrack().RawBytes(track.Events());
    return file;
}

TEST(ReaderRunningStatus, DataBytesReuseTheLastChannelStatus) {
    smf::TrackBuilder track;
    track.NoteOn(0, 2, 60, 100).Running(480, {60, 0}).Running(0, {64, 90}).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(WithTrack(track), piece), LoadResult::Loaded);
    const std::vector<TrackEvent>& events = piece.tracks[0].events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, kNoteOn);
    EXPECT_EQ(events[1].data1, 60);
    EXPECT_EQ(events[1].data2, 0);
    EXPECT_EQ(events[1].time, 500u);
    EXPECT_EQ(events[2].data1, 64);
    EXPECT_EQ(events[2].data2, 90);
}

TEST(ReaderRunningStatus, SurvivesMetaAndSystemExclusiveEventsBetween) {
    smf::TrackBuilder track;
    track.Controller(0, 0, 7, 100)
        .Text(0, 0x01, "lyric")
        .SysEx(0, {0x41, 0xF7})
        .Raw(0, {0xF8})
        .Running(0, {10, 64})
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(WithTrack(track), piece), LoadResult::Loaded);
    const std::vector<TrackEvent>& events = piece.tracks[0].events;
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].kind, kControlChange);
    EXPECT_EQ(events[1].data1, 10);
    EXPECT_EQ(events[1].data2, 64);
}

TEST(ReaderRunningStatus, OneByteKindsTakeOneDataByteEach) {
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 5).Running(0, {6}).ChannelPressure(0, 0, 20).Running(0, {21});
    track.NoteOn(0, 0, 60, 1).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(WithTrack(track), piece), LoadResult::Loaded);
    const std::vector<TrackEvent>& events = piece.tracks[0].events;
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1].kind, kProgramChange);
    EXPECT_EQ(events[3].kind, kChannelPressure);
    EXPECT_EQ(events[3].data1, 21);
    EXPECT_EQ(events[3].data2, 0);
    EXPECT_EQ(events[4].kind, kNoteOn);
}

TEST(ReaderRunningStatus, ConductorPassSkipsChannelEventsOfEveryLength) {
    // If the skipped events were framed wrongly, the tempo after them would be lost.
    smf::FileBuilder file(1, 480);
    file.AddTrack()
        .ProgramChange(0, 0, 1)
        .Running(0, {2})
        .NoteOn(0, 0, 60, 100)
        .Running(0, {62, 100})
        .PitchWheel(0, 0, 0)
        .Tempo(0, 250000)
        .EndOfTrack();
    file.AddTrack().NoteOn(480, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.tracks[0].events.at(0).time, 250u);
}

TEST(ReaderRunningStatus, SystemCommonBytesAreSkippedWithTheirData) {
    smf::TrackBuilder track;
    track.Raw(0, {0xF1, 0x7F})
        .Raw(0, {0xF2, 0x7F, 0x7F})
        .Raw(0, {0xF3, 0x7F})
        .Raw(0, {0xF6})
        .Raw(0, {0xFE})
        .NoteOn(0, 0, 60, 100)
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(WithTrack(track), piece), LoadResult::Loaded);
    ASSERT_EQ(piece.tracks[0].events.size(), 1u);
    EXPECT_EQ(piece.tracks[0].events[0].data1, 60);
}

TEST(ReaderRunningStatus, DamagedDataBytesKeepTheirSevenLowBits) {
    smf::TrackBuilder track;
    track.Raw(0, {0x90, 0xBC, 0xE4}).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(WithTrack(track), piece), LoadResult::Loaded);
    ASSERT_EQ(piece.tracks[0].events.size(), 1u);
    EXPECT_EQ(piece.tracks[0].events[0].data1, 0x3C);
    EXPECT_EQ(piece.tracks[0].events[0].data2, 0x64);
}

TEST(ReaderSysEx, MessageBufferHoldsStartDataAsStoredAndAClosingByte) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().SysEx(0, {0x43, 0x10, 0x4C, 0xF7}).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.sysExBuffers.size(), 1u);
    EXPECT_EQ(piece.sysExBuffers[0],
              (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0x4C, 0xF7, 0xF7}));
    ASSERT_EQ(piece.sysExList.size(), 1u);
    EXPECT_EQ(piece.sysExList[0].status, 0xF0);
    EXPECT_EQ(piece.sysExList[0].bufferIndex, 0);
}

TEST(ReaderSysEx, ContinuationPacketsJoinTheMessageBeforeItsClosingByte) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack()
        .SysEx(0, {0x43, 0x10})
        .SysExContinuation(10, {0x4C, 0x00})
        .SysExContinuation(10, {0x7E, 0xF7})
        .NoteOn(0, 0, 60, 100)
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.sysExBuffers.size(), 1u);
    EXPECT_EQ(piece.sysExBuffers[0],
              (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x7E, 0xF7, 0xF7}));
}

TEST(ReaderSysEx, ListIsInTimeOrderAndKeepsFileOrderAmongEqualTimes) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).SysEx(480, {0x0A, 0xF7}).SysEx(0, {0x0B, 0xF7}).EndOfTrack();
    file.AddTrack()
        .SysEx(0, {0x0C, 0xF7})
        .NoteOn(0, 0, 60, 100)
        .SysEx(480, {0x0D, 0xF7})
        .SysEx(480, {0x0E, 0xF7})
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    std::vector<std::uint8_t> order;
    std::vector<std::uint32_t> times;
    for (const SysExRecord& record : piece.sysExList) {
        order.push_back(piece.sysExBuffers.at(record.bufferIndex).at(1));
        times.push_back(record.time);
    }
    EXPECT_EQ(order, (std::vector<std::uint8_t>{0x0C, 0x0A, 0x0B, 0x0D, 0x0E}));
    EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 500, 500, 500, 1000}));
}

TEST(ReaderSysEx, FirstTrackMessagesAreTimedThroughTheTempoMap) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 1000000).Tempo(480, 250000).SysEx(480, {0x01, 0xF7}).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.sysExList.size(), 1u);
    EXPECT_EQ(piece.sysExList[0].time, 1250u);
}

}  // namespace
}  // namespace ostinel
