// Every way a load can fail, and what the piece holds afterwards.

#include <gtest/gtest.h>

#include <string>

#include "piece_loading.h"

namespace ostinel {
namespace {

using testing::LoadBytes;
using testing::LoadFile;

smf::FileBuilder PlayableFile() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(480, 0, 60).EndOfTrack();
    return file;
}

smf::FileBuilder FileWithTrack(const smf::TrackBuilder& track) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack().RawBytes(track.Events());
    return file;
}

TEST(ReaderFailures, EmptyFileEndedEarly) {
    Piece piece;
    EXPECT_EQ(LoadBytes({}, piece), LoadResult::EndedEarly);
}

TEST(ReaderFailures, OtherFileKindIsTheWrongFormat) {
    const std::string riff = "RIFF\x24\x00\x00\x00WAVEfmt ";
    Piece piece;
    EXPECT_EQ(LoadBytes(smf::Bytes(riff.begin(), riff.end()), piece), LoadResult::WrongFormat);
}

TEST(ReaderFailures, FileCutInsideTheHeaderEndedEarly) {
    const smf::Bytes whole = PlayableFile().Build();
    for (std::size_t size : {3u, 4u, 8u, 11u, 13u}) {
        Piece piece;
        EXPECT_EQ(LoadBytes(smf::Bytes(whole.begin(), whole.begin() + size), piece),
                  LoadResult::EndedEarly)
            << size << " bytes";
    }
}

TEST(ReaderFailures, FileCutAnywhereInItsTracksEndedEarly) {
    const smf::Bytes whole = PlayableFile().Build();
    for (std::size_t size = 14; size < whole.size(); ++size) {
        Piece piece;
        EXPECT_EQ(
            LoadBytes(smf::Bytes(whole.begin(), whole.begin() + static_cast<long>(size)), piece),
            LoadResult::EndedEarly)
            << size << " of " << whole.size() << " bytes";
    }
}

TEST(ReaderFailures, TrackWithoutEndOfTrackRunsToTheEndOfTheFile) {
    smf::TrackBuilder track;
    track.NoteOn(0, 0, 60, 100).NoteOff(480, 0, 60);
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
}

TEST(ReaderFailures, FewerChunksThanTheHeaderCountsEndedEarly) {
    smf::FileBuilder file = PlayableFile();
    file.SetDeclaredTrackCount(3);
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::EndedEarly);
}

TEST(ReaderFailures, OtherChunkWhereATrackShouldBeIsTheWrongFormat) {
    smf::FileBuilder first(1, 480);
    first.AddChunk("XFIH", {0, 0, 0, 0});
    first.AddTrack().EndOfTrack();
    first.SetDeclaredTrackCount(2);
    Piece piece;
    EXPECT_EQ(LoadFile(first, piece), LoadResult::WrongFormat);

    smf::FileBuilder later(1, 480);
    later.AddTrack().EndOfTrack();
    later.AddChunk("MTrx", {0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(LoadFile(later, piece), LoadResult::WrongFormat);
}

TEST(ReaderFailures, DataByteWithoutRunningStatusIsTheWrongFormat) {
    smf::TrackBuilder track;
    track.Running(0, {60, 100}).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::WrongFormat);

    smf::FileBuilder conductor(1, 480);
    conductor.AddTrack().Running(0, {60, 100}).EndOfTrack();
    conductor.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    EXPECT_EQ(LoadFile(conductor, piece), LoadResult::WrongFormat);
}

TEST(ReaderFailures, ContinuationWithNothingToContinueIsTheWrongFormat) {
    smf::TrackBuilder track;
    track.SysExContinuation(0, {0x01, 0xF7}).NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::WrongFormat);
}

TEST(ReaderFailures, DivisionOfZeroIsTheWrongFormat) {
    smf::FileBuilder file(1, 0);
    file.AddTrack().EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::WrongFormat);
}

TEST(ReaderFailures, ConductorOnlyFormatOneHasNoChannelEvents) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::NoChannelEvents);
}

TEST(ReaderFailures, TracksOfOnlySystemMessagesHaveNoChannelEvents) {
    smf::FileBuilder format0(0, 480);
    format0.AddTrack().SysEx(0, {0x01, 0xF7}).Text(0, 0x01, "text").EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(format0, piece), LoadResult::NoChannelEvents);

    smf::FileBuilder format1(1, 480);
    format1.AddTrack().EndOfTrack();
    format1.AddTrack().TrackName(0, "Empty").SysEx(0, {0x01, 0xF7}).EndOfTrack();
    EXPECT_EQ(LoadFile(format1, piece), LoadResult::NoChannelEvents);
}

TEST(ReaderFailures, FormatOneWithoutChunksEndedEarly) {
    smf::FileBuilder file(1, 480);
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::EndedEarly);
}

TEST(ReaderFailures, FailedLoadLeavesNoPiece) {
    Piece piece;
    ASSERT_EQ(LoadFile(PlayableFile(), piece), LoadResult::Loaded);
    ASSERT_TRUE(piece.loaded);
    smf::TrackBuilder track;
    track.NoteOn(0, 0, 60, 100);
    ASSERT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
    EXPECT_FALSE(piece.loaded);
    EXPECT_TRUE(piece.tracks.empty());
    EXPECT_TRUE(piece.tempoMap.empty());
    EXPECT_TRUE(piece.beatMap.empty());
    EXPECT_TRUE(piece.sysExList.empty());
    EXPECT_EQ(piece.initialKey, -1);
}

}  // namespace
}  // namespace ostinel
