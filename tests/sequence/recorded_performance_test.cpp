// Reading a recorded performance: every chunk's channel messages, as played,
// timed through the tempo map exactly as the piece reader times a piece.

#include "sequence/recorded_performance.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "piece_loading.h"
#include "smf_builder.h"

namespace ostinel {
namespace {

LoadResult ReadBytes(const smf::Bytes& bytes, RecordedPerformance& performance) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return LoadResult::NotFound;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    const LoadResult result = ReadRecordedPerformance(file, performance);
    std::fclose(file);
    return result;
}

TEST(RecordedPerformance, KeepsEveryChunksMessagesWithTheirChannelsAndProgramsInTickOrder) {
    smf::FileBuilder file(1, 500);
    file.AddTrack().Tempo(0, 500000).NoteOn(10, 0, 60, 90).EndOfTrack();
    file.AddTrack().ProgramChange(0, 2, 5).NoteOn(5, 3, 64, 80).NoteOff(495, 3, 64).EndOfTrack();
    RecordedPerformance performance;
    ASSERT_EQ(ReadBytes(file.Build(), performance), LoadResult::Loaded);
    EXPECT_EQ(performance.division, 500);
    ASSERT_EQ(performance.messages.size(), 4u);
    const auto& m = performance.messages;
    EXPECT_EQ(m[0].status, 0xC2);
    EXPECT_EQ(m[0].data1, 5);  // as played, not a patch of the piece
    EXPECT_EQ(m[0].chunk, 2);
    EXPECT_EQ(m[1].status, 0x93);
    EXPECT_EQ(m[1].timeMs, 5u);
    EXPECT_EQ(m[2].status, 0x90);  // the first chunk's note is kept
    EXPECT_EQ(m[2].timeMs, 10u);
    EXPECT_EQ(m[2].chunk, 1);
    EXPECT_EQ(m[3].status, 0x83);
    EXPECT_EQ(m[3].timeMs, 500u);
}

TEST(RecordedPerformance, IsTimedAsThePieceReaderTimesThePiece) {
    // Ticks of 1041.67 µs and a tempo change: rounding shows if the two differ.
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).Tempo(1000, 433333).EndOfTrack();
    smf::TrackBuilder& notes = file.AddTrack();
    for (int i = 0; i < 1500; ++i) {
        notes.NoteOn(1, 0, 60, 90);
        notes.NoteOff(1, 0, 60);
    }
    notes.EndOfTrack();
    const smf::Bytes bytes = file.Build();
    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded);
    RecordedPerformance performance;
    ASSERT_EQ(ReadBytes(bytes, performance), LoadResult::Loaded);
    const std::vector<TrackEvent>& events = piece.tracks[0].events;
    ASSERT_EQ(performance.messages.size(), events.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        ASSERT_EQ(performance.messages[i].timeMs, events[i].time) << "message " << i;
}

TEST(RecordedPerformance, ADamagedChunkIsNamedAndNothingIsKept) {
    smf::FileBuilder file(1, 500);
    file.AddTrack().Tempo(0, 500000).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 90).RawBytes({0x81});
    RecordedPerformance performance;
    EXPECT_EQ(ReadBytes(file.Build(), performance), LoadResult::EndedEarly);
    EXPECT_EQ(performance.failedChunk, 2);
    EXPECT_TRUE(performance.messages.empty());

    EXPECT_EQ(ReadBytes(smf::Bytes{'R', 'I', 'F', 'F'}, performance), LoadResult::WrongFormat);
    EXPECT_EQ(performance.failedChunk, 0);
}

}  // namespace
}  // namespace ostinel
