// An allocation that fails during a load gives the out-of-memory result.

#include <gtest/gtest.h>

#include "piece_loading.h"
#include "support/failing_allocations.h"

namespace ostinel {
namespace {

TEST(ReaderOutOfMemory, FailedAllocationGivesResultOneAndNoPiece) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().SysEx(0, smf::Bytes(200000, 0x11)).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
    const smf::Bytes bytes = file.Build();
    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded) << "loads while memory lasts";
    LoadResult result = LoadResult::Loaded;
    {
        const testing::FailingLargeAllocations failing(100000);
        result = testing::LoadBytes(bytes, piece);
    }
    EXPECT_EQ(result, LoadResult::OutOfMemory);
    EXPECT_FALSE(piece.loaded);
    EXPECT_TRUE(piece.tracks.empty());
    EXPECT_TRUE(piece.sysExBuffers.empty());
}

}  // namespace
}  // namespace ostinel
