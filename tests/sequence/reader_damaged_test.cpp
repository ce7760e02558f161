// Damaged files: every one is answered quickly with a result, never with a
// hang or an allocation of what a length field claims.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

using testing::LoadBytes;
using testing::LoadFile;

smf::FileBuilder FileWithTrack(const smf::TrackBuilder& track) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack().RawBytes(track.Events());
    return file;
}

TEST(ReaderDamagedFiles, SystemExclusiveClaimingGigabytesEndsEarlyCheaply) {
    smf::TrackBuilder track;
    track.NoteOn(0, 0, 60, 100).Raw(0, {0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01, 0x02, 0x03});
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, ContinuationClaimingGigabytesEndsEarlyCheaply) {
    smf::TrackBuilder track;
    track.SysEx(0, {0x01}).Raw(0, {0xF7, 0x8F, 0xFF, 0xFF, 0x7F, 0x01});
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, MetaEventsClaimingGigabytesEndEarlyCheaply) {
    for (std::uint8_t type : {0x01, 0x03, 0x21, 0x51, 0x58, 0x59, 0x7F}) {
        smf::FileBuilder inConductor(1, 480);
        inConductor.AddTrack().Raw(0, {0xFF, type, 0x8F, 0xFF, 0xFF, 0x7F, 0x01});
        Piece piece;
        EXPECT_EQ(LoadFile(inConductor, piece), LoadResult::EndedEarly) << int{type};

        smf::TrackBuilder track;
        track.Raw(0, {0xFF, type, 0x8F, 0xFF, 0xFF, 0x7F, 0x01});
        EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly) << int{type};
    }
}

TEST(ReaderDamagedFiles, MessagesBeyondTheBufferTableAreDroppedWithTheirContinuations) {
    // Buffer indexes are 16-bit: 65536 messages fit.
    smf::TrackBuilder track;
    for (int i = 0; i < 65536; ++i)
        track.SysEx(0, {0x01, 0xF7});
    track.SysEx(0, {0x02}).SysExContinuation(0, {0x03, 0xF7}).NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::Loaded);
    ASSERT_EQ(piece.sysExBuffers.size(), 65536u);
    EXPECT_EQ(piece.sysExList.size(), 65536u);
    EXPECT_EQ(piece.sysExList.back().bufferIndex, 65535);
    EXPECT_EQ(piece.sysExBuffers.back(), (std::vector<std::uint8_t>{0xF0, 0x01, 0xF7, 0xF7}));
}

TEST(ReaderDamagedFiles, HeaderClaimingGigabytesEndsEarly) {
    const smf::Bytes bytes = {'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 2, 1, 0xE0};
    Piece piece;
    EXPECT_EQ(LoadBytes(bytes, piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, ShortHeaderLengthStillReadsTheFields) {
    smf::FileBuilder file(0, 480);
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    smf::Bytes bytes = file.Build();
    bytes[7] = 0;  // header length 0
    Piece piece;
    ASSERT_EQ(LoadBytes(bytes, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.division, 480);
    EXPECT_EQ(piece.tracks[0].events.size(), 1u);
}

TEST(ReaderDamagedFiles, TrackEndingMoreThanADayAwayEndsEarly) {
    // Three deltas of 2^28 - 1 ticks at 1042 µs are nine days.
    smf::TrackBuilder track;
    track.NoteOn(0, 0, 60, 100);
    for (int i = 0; i < 3; ++i)
        track.NoteOff(0x0FFFFFFF, 0, 60);
    track.EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, TrackOfTwentyThreeHoursStillLoads) {
    const auto ticks23Hours = static_cast<std::uint32_t>(23ull * 3600 * 1000 * 1000 / 1042);
    smf::TrackBuilder track;
    track.NoteOn(0, 0, 60, 100).NoteOff(ticks23Hours, 0, 60).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::Loaded);
    EXPECT_NEAR(piece.lastEventTime, 23.0 * 3600 * 1000, 1.0);
    EXPECT_GE(piece.length, piece.lastEventTime);
}

TEST(ReaderDamagedFiles, FirstTrackRunningPastTheLastTickEndsEarly) {
    // At tempo 0 ticks cost no time, so only the tick count can stop it.
    smf::FileBuilder file(1, 480);
    smf::TrackBuilder& conductor = file.AddTrack();
    conductor.Tempo(0, 0);
    for (int i = 0; i < 9; ++i)
        conductor.Text(0x0FFFFFFF, 0x01, "x");
    conductor.EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    EXPECT_EQ(LoadFile(file, piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, EndlessVariableLengthQuantityEndsEarly) {
    smf::TrackBuilder track;
    track.RawBytes(smf::Bytes(100, 0xFF));
    Piece piece;
    EXPECT_EQ(LoadFile(FileWithTrack(track), piece), LoadResult::EndedEarly);
}

TEST(ReaderDamagedFiles, ShortTimeSignatureIsIgnored) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Meta(0, 0x58, {3}).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack(1920);
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.meters.size(), 1u);
    EXPECT_EQ(piece.initialMeter.numerator, 4);
}

TEST(ReaderDamagedFiles, TempoOfAnyLengthIsReadAsABigEndianNumber) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Meta(0, 0x51, {}).Meta(480, 0x51, {0x01, 0x07, 0xA1, 0x20}).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.tempoMap.size(), 3u);
    EXPECT_EQ(piece.tempoMap[0].tempo, 0u);
    EXPECT_EQ(piece.tempoMap[1].tempo, 0x0107A120u);
}

TEST(ReaderDamagedFiles, TimeCodeDivisionIsTakenAsAPlainCount) {
    smf::FileBuilder file(1, 0xE728);  // -25 frames, 40 ticks a frame
    file.AddTrack().EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(59176, 0, 60).EndOfTrack();
    Piece piece;
    ASSERT_EQ(LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.division, 0xE728);
    EXPECT_EQ(piece.tracks[0].events[1].time, 61661u) << "59176 ticks at 1042 µs";
}

}  // namespace
}  // namespace ostinel
